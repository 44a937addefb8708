#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Releases.h"

namespace httplib {
class Server;
}

namespace release {

// The reference update server: /io/update.php answers from the releases
// folder (read afresh on every query, so a release step shows at once),
// /io/download.php?id=ID&ext=so sends that release's module file. Listens
// on 127.0.0.1 only.
class UpdateServer {
public:
    // log receives one line per request (without line end); may be empty.
    UpdateServer(std::string releasesFolder, std::function<void(const std::string&)> log);
    ~UpdateServer();

    // Binds 127.0.0.1:port (0 picks a free port); returns the port, or -1.
    int Bind(int port);
    // Serves until Stop (from another thread or a signal).
    void Run();
    void Stop();
    // True once Run has started serving (Stop before that would not end it).
    bool IsRunning() const;

private:
    ReleaseFolder m_releases;
    std::function<void(const std::string&)> m_log;
    std::unique_ptr<httplib::Server> m_server;
};

}  // namespace release

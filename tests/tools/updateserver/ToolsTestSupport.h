#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "UpdateServer.h"

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes bytes to a file, replacing it.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// The reference update server on 127.0.0.1 in a thread of the test, with the
// lines it logs.
class RunningUpdateServer {
public:
    explicit RunningUpdateServer(const std::string& releases);
    ~RunningUpdateServer();

    int Port() const { return m_port; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::vector<std::string> Log() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    release::UpdateServer m_server;
    int m_port = -1;
    std::thread m_thread;
};

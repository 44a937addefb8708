#include "UpdateServer.h"

#include <httplib.h>

#include <filesystem>
#include <fstream>

namespace release {
namespace {

// In one read: a module may be tens of megabytes (a sanitizer build).
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

}  // namespace

UpdateServer::UpdateServer(std::string releasesFolder, std::function<void(const std::string&)> log)
    : m_releases(std::move(releasesFolder)),
      m_log(std::move(log)),
      m_server(std::make_unique<httplib::Server>()) {
    // One request per connection: the plug-in opens a new one for each, and
    // an idle kept-alive connection would hold one of the server's threads.
    m_server->set_keep_alive_max_count(1);
    auto say = [this](const httplib::Request& request, const std::string& what) {
        if (m_log) {
            std::string query;
            for (const auto& [key, value] : request.params) {
                query += (query.empty() ? "?" : "&") + key + "=" + value;
            }
            m_log(request.method + " " + request.path + query + " -> " + what);
        }
    };

    m_server->Get("/io/update.php", [this, say](const httplib::Request& request,
                                                httplib::Response& response) {
        // A plug-in that names no system is a Linux one.
        const std::string ext =
            request.has_param("ext") ? request.get_param_value("ext") : std::string("so");
        std::vector<std::string> problems;
        (void)m_releases.Current(true, &problems, ext);
        for (const std::string& problem : problems) {
            say(request, "warning: " + problem);
        }
        std::string answer = UpdateAnswer(m_releases, request.get_param_value("build"),
                                          request.get_param_value("beta") == "1", ext);
        say(request, answer);
        response.set_content(answer, "text/plain");
    });

    m_server->Get("/io/download.php",
                  [this, say](const httplib::Request& request, httplib::Response& response) {
                      std::string path = m_releases.ModulePath(request.get_param_value("id"),
                                                               request.get_param_value("ext"));
                      std::error_code ec;
                      if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
                          say(request, "404");
                          response.status = 404;
                          response.set_content("no such release", "text/plain");
                          return;
                      }
                      std::string body = ReadFile(path);
                      say(request, std::to_string(body.size()) + " bytes");
                      response.set_content(std::move(body), "application/octet-stream");
                  });
}

UpdateServer::~UpdateServer() = default;

int UpdateServer::Bind(int port) {
    if (port == 0) {
        return m_server->bind_to_any_port("127.0.0.1");
    }
    return m_server->bind_to_port("127.0.0.1", port) ? port : -1;
}

void UpdateServer::Run() {
    m_server->listen_after_bind();
}

void UpdateServer::Stop() {
    m_server->stop();
}

bool UpdateServer::IsRunning() const {
    return m_server->is_running();
}

}  // namespace release

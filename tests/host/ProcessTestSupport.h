// What the tests of helper programs on Linux read of files and processes.
#pragma once

#include <poll.h>
#include <stdlib.h>
#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace processtest {

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Running (a zombie nobody reaps yet is dead). A signal is delivered
// asynchronously, so this waits (bounded, 2 s) for the end.
inline bool Alive(pid_t pid) {
    if (pid <= 0)
        return false;
    for (int i = 0; i < 200; ++i) {
        const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
        const size_t state = stat.rfind(") ");
        if (stat.empty() || state == std::string::npos || stat[state + 2] == 'Z')
            return false;
        poll(nullptr, 0, 10);
    }
    return true;
}

// A temporary folder holding a tools folder as the build lays it out, one
// folder per tool, with the test listener in it; removed, with everything
// in it, when the object goes.
class ListenerFolder {
public:
    // `prefix` names the folder under /tmp; `tools` is the tools folder's
    // name in it; `listener` the built test listener.
    ListenerFolder(const std::string& prefix, const std::string& tools,
                   const std::string& listener) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()))
            m_path = pattern;
        const std::string folder = m_path + "/" + tools + "/listener";
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(listener, folder + "/sim_test_listener");
        std::filesystem::permissions(folder + "/sim_test_listener",
                                     std::filesystem::perms::owner_all);
    }
    ~ListenerFolder() {
        std::error_code error;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, error);
    }
    ListenerFolder(const ListenerFolder&) = delete;
    ListenerFolder& operator=(const ListenerFolder&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace processtest

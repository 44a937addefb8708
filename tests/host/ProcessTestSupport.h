// What the tests of helper programs on Linux read of files and processes.
#pragma once

#include <poll.h>
#include <sys/types.h>

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

}  // namespace processtest

#include "scenario/ScenarioProcesses.h"

#include <algorithm>
#include <fstream>

namespace sim {

ScenarioProcesses::~ScenarioProcesses() {
    StopAll();
}

bool ScenarioProcesses::IsPlainName(const std::string& name) {
    if (name.empty() || name.size() > 32)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
}

// The port of the last "127.0.0.1:PORT" in the line, or 0.
std::string ScenarioProcesses::NameRefused(const std::string& name) const {
    if (!IsPlainName(name))
        return "a process NAME is letters, digits, '_' and '-'";
    if (m_running.count(name))
        return "process " + name + " is already running";
    return "";
}

int ScenarioProcesses::LoopbackPort(const std::string& line) {
    const std::string loopback = "127.0.0.1:";
    for (size_t at = line.rfind(loopback); at != std::string::npos;
         at = at ? line.rfind(loopback, at - 1) : std::string::npos) {
        size_t end = at + loopback.size();
        long port = 0;
        while (end < line.size() && line[end] >= '0' && line[end] <= '9' && port <= 65535)
            port = port * 10 + (line[end++] - '0');
        if (end > at + loopback.size() && port >= 1 && port <= 65535)
            return static_cast<int>(port);
    }
    return 0;
}

std::string ScenarioProcesses::Stop(const std::string& name) {
    auto it = m_running.find(name);
    if (it == m_running.end())
        return "no process " + name + " (process start " + name + " ... first)";
    Halt(it->second);
    m_running.erase(it);
    return "";
}

void ScenarioProcesses::StopAll() {
    for (auto& [name, process] : m_running)
        Halt(process);
    m_running.clear();
}

pid_t ScenarioProcesses::Pid(const std::string& name) const {
    auto it = m_running.find(name);
    return it == m_running.end() ? 0 : it->second.pid;
}

std::string ScenarioProcesses::Expand(const std::string& line, std::string& error) const {
    std::string out;
    size_t from = 0;
    for (size_t open = line.find("${"); open != std::string::npos; open = line.find("${", from)) {
        const size_t close = line.find('}', open);
        if (close == std::string::npos)
            break;
        const std::string inside = line.substr(open + 2, close - open - 2);
        const size_t dot = inside.rfind('.');
        out += line.substr(from, open - from);
        from = close + 1;
        if (dot == std::string::npos) {
            out += line.substr(open, close + 1 - open);
            continue;
        }
        const std::string name = inside.substr(0, dot);
        const std::string field = inside.substr(dot + 1);
        auto it = m_running.find(name);
        if (it == m_running.end() || (field != "port" && field != "address")) {
            error = "${" + inside + "} names no running process and field (${NAME.port}, " +
                    "${NAME.address})";
            return "";
        }
        const std::string port = std::to_string(it->second.port);
        out += field == "port" ? port : "127.0.0.1:" + port;
    }
    out += line.substr(from);
    return out;
}

std::vector<std::pair<std::string, std::string>> ScenarioProcesses::NewLogLines() {
    std::vector<std::pair<std::string, std::string>> lines;
    for (auto& [name, process] : m_running) {
        std::ifstream file(process.logPath, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(process.logShown));
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        size_t start = 0;
        for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
            lines.emplace_back(name, text.substr(start, end - start));
            start = end + 1;
        }
        process.logShown += start;
    }
    return lines;
}

}  // namespace sim

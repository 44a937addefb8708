// Helper programs in the Windows build. The helpers a scenario runs (the
// league's authentication host, the update server) are Linux programs, the
// peers of a server on the network rather than part of it; under Wine a
// Windows program can start an ELF program but gets no usable process
// handle or standard handles for it. So the programs are run by
// srcds-sim-processhost, a Linux program listening on 127.0.0.1, whose port
// SRCDS_SIM_PROCESS_HOST names (cmake/wine-run starts one for the run).
// Paths go to it translated into Unix paths by Wine; the log files it
// writes are read back here through the Windows paths.
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h first: windows.h would bring the old Winsock.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "scenario/ProcessHostProtocol.h"
#include "scenario/ScenarioProcesses.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr char kHostVariable[] = "SRCDS_SIM_PROCESS_HOST";

using UnixFileName = char*(CDECL*)(const WCHAR*);

// Wine's kernel32 translates a Windows path into the Unix one it stands
// for; nothing else has that function.
UnixFileName WineUnixFileName() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel)
        return nullptr;
    return reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
}

// The Unix path of a Windows path (made absolute first), or "".
std::string UnixPath(const std::string& path, std::string& error) {
    const UnixFileName translate = WineUnixFileName();
    const int wide = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring name(wide > 0 ? static_cast<size_t>(wide) : 0, L'\0');
    if (translate && wide > 0)
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, name.data(), wide);
    const DWORD size =
        translate && wide > 0 ? GetFullPathNameW(name.c_str(), 0, nullptr, nullptr) : 0;
    std::wstring full(size, L'\0');
    if (size == 0 || GetFullPathNameW(name.c_str(), size, full.data(), nullptr) >= size) {
        error = "cannot make " + path + " a Unix path";
        return "";
    }
    char* unix = translate(full.c_str());
    if (!unix) {
        error = "Wine knows no Unix path for " + path;
        return "";
    }
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

bool IsPath(const std::string& program) {
    return program.find_first_of("/\\") != std::string::npos;
}

}  // namespace

// One connection to the process host per ScenarioProcesses: what it
// started is stopped when the connection closes, however srcds-sim ends.
class ProcessHostLink {
public:
    ~ProcessHostLink() {
        if (m_socket != INVALID_SOCKET)
            closesocket(m_socket);
        if (m_started)
            WSACleanup();
    }

    // Connects and greets the host once; "" or why it cannot.
    std::string Open(const ProcessOptions& options) {
        if (m_socket != INVALID_SOCKET || !m_failed.empty())
            return m_failed;
        if (!WineUnixFileName())
            return m_failed = "process start runs Linux helper programs, which needs Wine (" +
                              std::string(kHostVariable) + " and srcds-sim-processhost)";
        char value[16] = {};
        const DWORD length = GetEnvironmentVariableA(kHostVariable, value, sizeof value);
        char* end = nullptr;
        const long port = length > 0 && length < sizeof value ? std::strtol(value, &end, 10) : 0;
        if (port <= 0 || port > 65535 || *end != '\0')
            return m_failed = "process start needs " + std::string(kHostVariable) +
                              "=PORT of a running srcds-sim-processhost (cmake/wine-run starts "
                              "one when the Linux build has it)";
        WSADATA data;
        m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        m_socket = m_started ? socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_socket == INVALID_SOCKET ||
            connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return Fail("cannot reach srcds-sim-processhost at 127.0.0.1:" + std::to_string(port) +
                        " (" + kHostVariable + ")");
        std::vector<std::string> answer;
        // An answer that is not "ok" (another version, a refusal) ends the link.
        if (!Ask({"hello", std::to_string(processhost::kVersion)}, answer, 5000))
            return Fail(m_error);
        char start[32], grace[32];
        std::snprintf(start, sizeof start, "%g", options.startTimeout);
        std::snprintf(grace, sizeof grace, "%g", options.stopGrace);
        if (!Ask({"timeouts", start, grace}, answer, 5000))
            return Fail(m_error);
        if (!options.toolsDir.empty()) {
            std::error_code ignored;
            if (!fs::is_directory(options.toolsDir, ignored))
                return Fail("no tools folder " + options.toolsDir + " (--tools DIR)");
            std::string error;
            const std::string tools = UnixPath(options.toolsDir, error);
            if (tools.empty())
                return Fail(error);
            if (!Ask({"tools", tools}, answer, 5000))
                return Fail(m_error);
        }
        return "";
    }

    // Sends a request and reads its answer. True for "ok" (answer holds
    // the words after it); false with the host's error, or the link's, in
    // error(). A link that failed stays failed.
    bool Ask(const std::vector<std::string>& words, std::vector<std::string>& answer,
             int timeoutMs) {
        answer.clear();
        m_error.clear();
        if (!m_failed.empty() || m_socket == INVALID_SOCKET) {
            m_error = m_failed.empty() ? "no process host" : m_failed;
            return false;
        }
        const std::string line = processhost::EncodeLine(words);
        for (size_t sent = 0; sent < line.size();) {
            const int got =
                send(m_socket, line.data() + sent, static_cast<int>(line.size() - sent), 0);
            if (got <= 0) {
                m_error = Fail("srcds-sim-processhost closed the connection");
                return false;
            }
            sent += static_cast<size_t>(got);
        }
        const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
        std::string text;
        bool tooLong = false;
        while (!m_reader.Next(text, tooLong)) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) {
                m_error = Fail("srcds-sim-processhost did not answer " + words[0]);
                return false;
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_socket, &readable);
            const long left = static_cast<long>(deadline - now);
            timeval wait{left / 1000, (left % 1000) * 1000};
            if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
                continue;
            char buffer[4096];
            const int got = recv(m_socket, buffer, sizeof buffer, 0);
            if (got <= 0) {
                m_error = Fail("srcds-sim-processhost closed the connection");
                return false;
            }
            m_reader.Add(buffer, static_cast<size_t>(got));
        }
        std::vector<std::string> reply;
        std::string error;
        if (tooLong || !processhost::DecodeLine(text, reply, error) ||
            (reply[0] != "ok" && reply[0] != "error")) {
            m_error = Fail("srcds-sim-processhost answered " + words[0] + " with a garbled line");
            return false;
        }
        answer.assign(reply.begin() + 1, reply.end());
        if (reply[0] == "error") {
            m_error = answer.empty() ? words[0] + " failed" : answer[0];
            return false;
        }
        return true;
    }

    const std::string& Error() const { return m_error; }

private:
    std::string Fail(const std::string& why) {
        if (m_socket != INVALID_SOCKET)
            closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        return m_failed = why;
    }

    SOCKET m_socket = INVALID_SOCKET;
    bool m_started = false;
    processhost::LineReader m_reader;
    std::string m_failed;
    std::string m_error;
};

namespace {

// Seconds to milliseconds for a wait on the host, with room for the link.
int WaitMs(double seconds) {
    return static_cast<int>(seconds * 1000) + 5000;
}

}  // namespace

std::string ScenarioProcesses::Resolve(const std::string& program, std::string& error) const {
    if (!m_link)
        m_link = std::make_shared<ProcessHostLink>();
    if (std::string failed = m_link->Open(m_options); !failed.empty()) {
        error = failed;
        return "";
    }
    std::string target = program;
    if (IsPath(program)) {
        target = UnixPath(program, error);
        if (target.empty())
            return "";
    }
    std::vector<std::string> answer;
    if (!m_link->Ask({"resolve", target}, answer, 5000) || answer.size() != 1) {
        error = m_link->Error();
        return "";
    }
    return answer[0];
}

std::string ScenarioProcesses::Start(const std::string& name, const std::string& program,
                                     const std::vector<std::string>& args,
                                     const std::string& workDir, const std::string& logPath) {
    if (std::string refused = NameRefused(name); !refused.empty())
        return refused;
    if (!m_link)
        m_link = std::make_shared<ProcessHostLink>();
    if (std::string error = m_link->Open(m_options); !error.empty())
        return error;
    std::string error;
    std::string target = program;
    if (IsPath(program) && (target = UnixPath(program, error)).empty())
        return error;
    // Wine translates a path whose last part is missing, not more.
    std::error_code ignored;
    fs::create_directories(fs::path(logPath).parent_path(), ignored);
    const std::string unixWork = UnixPath(workDir, error);
    const std::string unixLog = unixWork.empty() ? "" : UnixPath(logPath, error);
    if (unixLog.empty())
        return error;
    std::vector<std::string> request = {"start", name, unixWork, unixLog, target};
    request.insert(request.end(), args.begin(), args.end());
    std::vector<std::string> answer;
    if (!m_link->Ask(request, answer, WaitMs(m_options.startTimeout + m_options.stopGrace)))
        return m_link->Error();
    Running process;
    process.name = name;
    process.port = answer.size() == 1 ? std::atoi(answer[0].c_str()) : 0;
    process.logPath = logPath;
    if (m_link->Ask({"pid", name}, answer, 5000) && answer.size() == 1)
        process.pid = std::atoi(answer[0].c_str());
    m_running.emplace(name, std::move(process));
    return "";
}

void ScenarioProcesses::Halt(Running& process) {
    // Also for one that ended by itself: the host forgets it.
    std::vector<std::string> answer;
    if (m_link)
        m_link->Ask({"stop", process.name}, answer, WaitMs(m_options.stopGrace));
    process.pid = 0;
}

std::string ScenarioProcesses::State(const std::string& name) {
    auto it = m_running.find(name);
    if (it == m_running.end())
        return "";
    Running& process = it->second;
    std::vector<std::string> answer;
    if (process.pid > 0) {
        if (!m_link->Ask({"state", name}, answer, 5000))
            process.ended = "unknown (" + m_link->Error() + ")";
        else if (answer.size() == 1 && answer[0] != "running")
            process.ended = answer[0];
        if (!process.ended.empty())
            process.pid = 0;
    }
    return process.pid > 0 ? "running" : process.ended;
}

}  // namespace sim

// srcds-sim-processhost: runs a scenario's helper programs (the league's
// authentication host, the update server, ...) for a srcds-sim that cannot
// run Linux programs itself: the Windows build under Wine, which can start
// an ELF program but gets no usable process handle or standard handles for
// it. It listens on 127.0.0.1, names its port in its first line on standard
// output like the helpers do, and serves each connection on a thread of its
// own with the Linux ScenarioProcesses (see scenario/ProcessHostProtocol.h).
// A connection that closes, however its srcds-sim ended, stops everything it
// started; so does this program's end on SIGTERM, SIGINT or SIGHUP.
//   --tools DIR    where a bare PROGRAM is found (DIR/PROGRAM, DIR/*/PROGRAM);
//                  default: the build's tools folder beside this program
//   --port N       listen on 127.0.0.1:N (default: a free port)
//   --parent PID   end (as on SIGTERM) when the process PID, its parent, ends
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "processhost/ProcessHostSession.h"
#include "scenario/ProcessHostProtocol.h"

namespace {

namespace fs = std::filesystem;
using namespace sim::processhost;

// Connections served at once; more are refused with an error line.
constexpr size_t kMaxConnections = 32;

int g_wake[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(g_wake[1], &byte, 1);
}

bool SendAll(int fd, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t got = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        sent += static_cast<size_t>(got);
    }
    return true;
}

class Connections {
public:
    bool Add(int fd) {
        std::lock_guard lock(m_mutex);
        if (m_open.size() >= kMaxConnections)
            return false;
        m_open.insert(fd);
        return true;
    }
    void Remove(int fd) {
        std::lock_guard lock(m_mutex);
        m_open.erase(fd);
        m_changed.notify_all();
    }
    // Every session reads the end of its connection and stops its programs;
    // this waits until all have.
    void ShutDownAll() {
        std::unique_lock lock(m_mutex);
        for (const int fd : m_open)
            shutdown(fd, SHUT_RDWR);
        m_changed.wait(lock, [this] { return m_open.empty(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<int> m_open;
};

void Serve(int fd, const sim::ProcessOptions& options, Connections& connections) {
    {
        ProcessHostSession session(options);
        LineReader reader;
        char buffer[4096];
        bool open = true;
        while (open) {
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            reader.Add(buffer, static_cast<size_t>(got));
            std::string line;
            bool tooLong = false;
            while (open && reader.Next(line, tooLong))
                open = SendAll(fd, tooLong ? ProcessHostSession::TooLong() : session.Answer(line));
        }
        // The session's end stops what it started, before the socket goes.
    }
    connections.Remove(fd);
    close(fd);
}

std::string DefaultTools() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path beside = self.parent_path().parent_path() / "tools";
        if (fs::is_directory(beside, error))
            return beside.string();
    }
    return SRCDS_SIM_BUILD_TOOLS;
}

int Usage(const char* why) {
    std::cerr << "srcds-sim-processhost: " << why << "\n"
              << "usage: srcds-sim-processhost [--tools DIR] [--port N] [--parent PID]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    sim::ProcessOptions options;
    options.toolsDir = DefaultTools();
    int port = 0;
    long parent = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return Usage(("unknown option or missing value: " + arg).c_str());
        const std::string value = argv[++i];
        char* end = nullptr;
        if (arg == "--tools") {
            options.toolsDir = value;
        } else if (arg == "--port") {
            port = static_cast<int>(std::strtol(value.c_str(), &end, 10));
            if (*end != '\0' || port < 0 || port > 65535)
                return Usage("--port takes 0 to 65535");
        } else if (arg == "--parent") {
            parent = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || parent <= 1)
                return Usage("--parent takes a process id");
        } else {
            return Usage(("unknown option " + arg).c_str());
        }
    }
    if (pipe2(g_wake, O_CLOEXEC) != 0)
        return 1;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    if (parent > 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            return 0;
    }

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::cerr << "srcds-sim-processhost: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::cout << "listening on 127.0.0.1:" << ntohs(address.sin_port) << std::endl;

    Connections connections;
    for (;;) {
        pollfd waits[2] = {{listener, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (waits[1].revents)
            break;
        if (!(waits[0].revents & POLLIN))
            continue;
        const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        if (!connections.Add(fd)) {
            SendAll(fd, EncodeLine({"error", "too many connections"}));
            close(fd);
            continue;
        }
        std::thread(Serve, fd, std::cref(options), std::ref(connections)).detach();
    }
    close(listener);
    connections.ShutDownAll();
    return 0;
}

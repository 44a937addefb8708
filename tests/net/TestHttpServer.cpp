#include "TestHttpServer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h, which must come before it.
#include <windows.h>
#else
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testnet {

namespace {

constexpr std::chrono::milliseconds kReadLimit{5000};

#ifdef _WIN32
using PollEntry = WSAPOLLFD;
constexpr Socket kNoSocket = INVALID_SOCKET;

void StartSockets() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw std::runtime_error("WSAStartup");
}

void CloseSocket(Socket fd) {
    closesocket(fd);
}

int Poll(PollEntry* entries, unsigned count, int timeoutMs) {
    return WSAPoll(entries, count, timeoutMs);
}

bool WouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}

// Sends never block (a peer that stops reading would hold the thread past
// the stop signal) and never raise a signal.
void SetNonBlocking(Socket fd) {
    u_long on = 1;
    ioctlsocket(fd, FIONBIO, &on);
}

int SendSome(Socket fd, const char* data, std::size_t length) {
    return send(fd, data, static_cast<int>(length), 0);
}
#else
using PollEntry = pollfd;
constexpr Socket kNoSocket = -1;

void StartSockets() {}

void CloseSocket(Socket fd) {
    close(fd);
}

int Poll(PollEntry* entries, unsigned count, int timeoutMs) {
    return poll(entries, count, timeoutMs);
}

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

void SetNonBlocking(Socket) {}  // each send says MSG_DONTWAIT

ssize_t SendSome(Socket fd, const char* data, std::size_t length) {
    return send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
}
#endif

PollEntry Waiting(Socket fd, short events) {
    PollEntry entry{};
    entry.fd = fd;
    entry.events = events;
    return entry;
}

sockaddr_in Loopback() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    return address;
}

Socket BoundSocket(int type, int* port) {
    StartSockets();
#ifdef _WIN32
    // Not inherited by programs the tests start.
    const Socket fd = WSASocketW(AF_INET, type, 0, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
#else
    const Socket fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
#endif
    if (fd == kNoSocket)
        throw std::runtime_error("socket");
#ifndef _WIN32
    // (On Windows the option lets another socket take the port over.)
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
    sockaddr_in address = Loopback();
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocket(fd);
        throw std::runtime_error("bind");
    }
    *port = ntohs(address.sin_port);
    return fd;
}

// The length a request's head announces for its body; 0 without one.
std::size_t ContentLength(const std::string& head) {
    for (const char* name : {"Content-Length:", "content-length:"}) {
        const std::size_t at = head.find(name);
        if (at != std::string::npos)
            return std::strtoul(head.c_str() + at + std::strlen(name), nullptr, 10);
    }
    return 0;
}

}  // namespace

#ifdef _WIN32
int OpenDescriptors() {
    // Every other handle (threads, events, WinHTTP's own) comes and goes
    // with the system's thread pools; the sockets are what a client leaves
    // open. Handles are small multiples of four, handed out lowest first,
    // so none lies beyond a few times the process's handle count.
    DWORD handles = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &handles))
        throw std::runtime_error("GetProcessHandleCount");
    const std::uintptr_t last = 4 * (4 * static_cast<std::uintptr_t>(handles) + 1024);
    int count = 0;
    for (std::uintptr_t value = 4; value <= last; value += 4) {
        int type = 0;
        int length = sizeof type;
        if (getsockopt(static_cast<SOCKET>(value), SOL_SOCKET, SO_TYPE,
                       reinterpret_cast<char*>(&type), &length) == 0)
            ++count;
    }
    return count;
}
#else
int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}
#endif

#ifdef _WIN32
bool RunsUnderWine() {
    // Only Wine's kernel32 has it.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel && GetProcAddress(kernel, "wine_get_unix_file_name") != nullptr;
}
#else
bool RunsUnderWine() {
    return false;
}
#endif

int ClosedPort() {
    int port = 0;
    CloseSocket(BoundSocket(SOCK_STREAM, &port));
    return port;
}

TestHttpServer::TestHttpServer(Behaviour behaviour, std::string body)
    : m_Behaviour(behaviour), m_Body(std::move(body)) {
    m_Listen = BoundSocket(SOCK_STREAM, &m_Port);
    if (listen(m_Listen, 16) != 0)
        throw std::runtime_error("listen");
#ifdef _WIN32
    int stopPort = 0;
    m_StopRead = BoundSocket(SOCK_DGRAM, &stopPort);
#else
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    m_StopRead = ends[0];
    m_StopWrite = ends[1];
#endif
    m_Thread = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
    {
        std::lock_guard lock(m_Mutex);
        m_Stop = true;
    }
    m_Changed.notify_all();
    const char stop = 's';
#ifdef _WIN32
    sockaddr_in self{};
    int length = sizeof self;
    getsockname(m_StopRead, reinterpret_cast<sockaddr*>(&self), &length);
    sendto(m_StopRead, &stop, 1, 0, reinterpret_cast<sockaddr*>(&self), length);
#else
    (void)!write(m_StopWrite, &stop, 1);
#endif
    m_Thread.join();
    for (Socket fd : m_Held)
        CloseSocket(fd);
    CloseSocket(m_Listen);
    CloseSocket(m_StopRead);
#ifndef _WIN32
    close(m_StopWrite);
#endif
}

std::string TestHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_Port) + path;
}

void TestHttpServer::SetBody(const std::string& body) {
    std::lock_guard lock(m_Mutex);
    m_Body = body;
}

void TestHttpServer::SetBodyFor(const std::string& pathPrefix, const std::string& body) {
    std::lock_guard lock(m_Mutex);
    m_Routes.emplace_back(pathPrefix, body);
}

void TestHttpServer::SetStatus(const std::string& status, const std::string& extraHead) {
    std::lock_guard lock(m_Mutex);
    m_Status = status;
    m_ExtraHead = extraHead;
}

void TestHttpServer::SetFloodBytes(std::size_t bytes) {
    std::lock_guard lock(m_Mutex);
    m_FloodBytes = bytes;
}

bool TestHttpServer::WaitForRequests(int count, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, limit,
                              [&] { return static_cast<int>(m_Requests.size()) >= count; });
}

void TestHttpServer::WaitForActivity(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_Mutex);
    const unsigned seen = m_Steps;
    m_Changed.wait_for(lock, limit, [&] { return m_Steps != seen || m_Stop; });
}

void TestHttpServer::Step() {
    ++m_Steps;
    m_Changed.notify_all();
}

bool TestHttpServer::WaitForAnswers(int count, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, limit, [&] { return m_Answers >= count; });
}

int TestHttpServer::Requests() const {
    std::lock_guard lock(m_Mutex);
    return static_cast<int>(m_Requests.size());
}

int TestHttpServer::Accepted() const {
    std::lock_guard lock(m_Mutex);
    return m_Accepted;
}

std::vector<std::string> TestHttpServer::RequestTexts() const {
    std::lock_guard lock(m_Mutex);
    return m_Requests;
}

std::size_t TestHttpServer::BodyBytesSent() const {
    std::lock_guard lock(m_Mutex);
    return m_BodySent;
}

bool TestHttpServer::StopWait(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, limit, [&] { return m_Stop; });
}

void TestHttpServer::Serve() {
    for (;;) {
        PollEntry fds[2] = {Waiting(m_Listen, POLLIN), Waiting(m_StopRead, POLLIN)};
        if (Poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return;
#ifdef _WIN32
        const Socket fd = accept(m_Listen, nullptr, nullptr);
#else
        const Socket fd = accept4(m_Listen, nullptr, nullptr, SOCK_CLOEXEC);
#endif
        if (fd == kNoSocket)
            continue;
        SetNonBlocking(fd);
        {
            std::lock_guard lock(m_Mutex);
            ++m_Accepted;
            Step();
        }
        Handle(fd);
        std::lock_guard lock(m_Mutex);
        Step();  // its connection closed (or is held)
    }
}

namespace {

// Sends all of it unless the peer goes or `stopFd` is signalled.
bool SendAll(Socket fd, Socket stopFd, const char* data, std::size_t length) {
    while (length > 0) {
        PollEntry fds[2] = {Waiting(fd, POLLOUT), Waiting(stopFd, POLLIN)};
        if (Poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return false;
        const auto sent = SendSome(fd, data, length);
        if (sent < 0 && WouldBlock())
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

std::string TestHttpServer::Head(const std::string& lengthLine) const {
    std::lock_guard lock(m_Mutex);
    return "HTTP/1.1 " + m_Status + "\r\nContent-Type: text/plain\r\nConnection: close\r\n" +
           m_ExtraHead + lengthLine + "\r\n";
}

bool TestHttpServer::ReadRequest(Socket fd) {
    std::string text;
    std::size_t headEnd = std::string::npos;
    const auto deadline = std::chrono::steady_clock::now() + kReadLimit;
    for (;;) {
        if (headEnd != std::string::npos && text.size() >= headEnd + 4 + ContentLength(text))
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        PollEntry fds[2] = {Waiting(fd, POLLIN), Waiting(m_StopRead, POLLIN)};
        if (left.count() <= 0 || Poll(fds, 2, static_cast<int>(left.count())) <= 0 ||
            (fds[1].revents & POLLIN))
            return false;
        char chunk[4096];
        const auto got = recv(fd, chunk, sizeof chunk, 0);
        if (got < 0 && WouldBlock())
            continue;
        if (got <= 0)
            return false;
        text.append(chunk, static_cast<std::size_t>(got));
        if (headEnd == std::string::npos)
            headEnd = text.find("\r\n\r\n");
    }
    {
        std::lock_guard lock(m_Mutex);
        m_Requests.push_back(text);
        Step();
    }
    return true;
}

void TestHttpServer::Handle(Socket fd) {
    if (!ReadRequest(fd)) {
        CloseSocket(fd);
        return;
    }
    std::string body;
    std::size_t floodBytes = 0;
    {
        std::lock_guard lock(m_Mutex);
        body = m_Body;
        floodBytes = m_FloodBytes;
        // The request line's path: "GET /path HTTP/1.1".
        const std::string& request = m_Requests.back();
        const std::size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        for (const auto& [prefix, routed] : m_Routes) {
            if (path.rfind(prefix, 0) == 0) {
                body = routed;
                break;
            }
        }
    }
    const Socket stop = m_StopRead;
    switch (m_Behaviour) {
        case Behaviour::Answer: {
            const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
            const std::string answer = Head(length) + body;
            SendAll(fd, stop, answer.data(), answer.size());
            CloseSocket(fd);
            {
                std::lock_guard lock(m_Mutex);
                ++m_Answers;
                Step();
            }
            return;
        }
        case Behaviour::Silent:
            m_Held.push_back(fd);
            return;
        case Behaviour::Trickle: {
            const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
            const std::string head = Head(length);
            bool open = SendAll(fd, stop, head.data(), head.size());
            for (std::size_t i = 0; open && i < body.size(); ++i) {
                open = SendAll(fd, stop, &body[i], 1);
                if (open) {
                    std::lock_guard lock(m_Mutex);
                    ++m_BodySent;
                    Step();
                }
                if (StopWait(std::chrono::milliseconds(1000)))
                    break;
            }
            CloseSocket(fd);
            return;
        }
        case Behaviour::Reset: {
            const linger hard{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
                       sizeof hard);
            CloseSocket(fd);
            return;
        }
        case Behaviour::Flood: {
            const std::string head = Head("");
            bool open = SendAll(fd, stop, head.data(), head.size());
            const std::string chunk(16 * 1024, 'x');
            for (std::size_t sent = 0; open && sent < floodBytes; sent += chunk.size()) {
                open = SendAll(fd, stop, chunk.data(), chunk.size());
                if (open) {
                    std::lock_guard lock(m_Mutex);
                    m_BodySent += chunk.size();
                    Step();
                }
            }
            CloseSocket(fd);
            return;
        }
    }
    CloseSocket(fd);
}

}  // namespace testnet

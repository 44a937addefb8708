#include "TestHttpServer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testnet {

namespace {

constexpr std::chrono::milliseconds kReadLimit{5000};

int BoundSocket(int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
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

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

int ClosedPort() {
    int port = 0;
    close(BoundSocket(&port));
    return port;
}

TestHttpServer::TestHttpServer(Behaviour behaviour, std::string body)
    : m_Behaviour(behaviour), m_Body(std::move(body)) {
    m_Listen = BoundSocket(&m_Port);
    if (listen(m_Listen, 16) != 0 || pipe2(m_StopPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("listen");
    m_Thread = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
    {
        std::lock_guard lock(m_Mutex);
        m_Stop = true;
    }
    m_Changed.notify_all();
    const char stop = 's';
    (void)!write(m_StopPipe[1], &stop, 1);
    m_Thread.join();
    for (int fd : m_Held)
        close(fd);
    close(m_Listen);
    close(m_StopPipe[0]);
    close(m_StopPipe[1]);
}

std::string TestHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_Port) + path;
}

void TestHttpServer::SetBody(const std::string& body) {
    std::lock_guard lock(m_Mutex);
    m_Body = body;
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
        pollfd fds[2] = {{m_Listen, POLLIN, 0}, {m_StopPipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return;
        const int fd = accept4(m_Listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
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
bool SendAll(int fd, int stopFd, const char* data, std::size_t length) {
    while (length > 0) {
        pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return false;
        const ssize_t sent = send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
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

bool TestHttpServer::ReadRequest(int fd) {
    std::string text;
    std::size_t headEnd = std::string::npos;
    const auto deadline = std::chrono::steady_clock::now() + kReadLimit;
    for (;;) {
        if (headEnd != std::string::npos && text.size() >= headEnd + 4 + ContentLength(text))
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_StopPipe[0], POLLIN, 0}};
        if (left.count() <= 0 || poll(fds, 2, static_cast<int>(left.count())) <= 0 ||
            (fds[1].revents & POLLIN))
            return false;
        char chunk[4096];
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
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

void TestHttpServer::Handle(int fd) {
    if (!ReadRequest(fd)) {
        close(fd);
        return;
    }
    std::string body;
    std::size_t floodBytes = 0;
    {
        std::lock_guard lock(m_Mutex);
        body = m_Body;
        floodBytes = m_FloodBytes;
    }
    const int stop = m_StopPipe[0];
    switch (m_Behaviour) {
        case Behaviour::Answer: {
            const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
            const std::string answer = Head(length) + body;
            SendAll(fd, stop, answer.data(), answer.size());
            close(fd);
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
            close(fd);
            return;
        }
        case Behaviour::Reset: {
            const linger hard{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            close(fd);
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
            close(fd);
            return;
        }
    }
    close(fd);
}

}  // namespace testnet

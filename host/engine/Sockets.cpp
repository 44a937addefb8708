#include "engine/Sockets.h"

#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace sim {

namespace {

int OsSocket(int domain, int type, int protocol) {
    return static_cast<int>(::socket(domain, type, protocol));
}

int OsBind(int socket, const sockaddr* address, int length) {
#ifdef _WIN32
    return ::bind(static_cast<SOCKET>(socket), address, length);
#else
    return ::bind(socket, address, static_cast<socklen_t>(length));
#endif
}

}  // namespace

#ifdef _WIN32

bool StartSockets() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

void CloseSocket(int socket) {
    ::closesocket(static_cast<SOCKET>(socket));
}

bool WaitReadable(int socket, int timeoutMs) {
    WSAPOLLFD waiting{};
    waiting.fd = static_cast<SOCKET>(socket);
    waiting.events = POLLRDNORM;
    return WSAPoll(&waiting, 1, timeoutMs) > 0 && (waiting.revents & POLLRDNORM);
}

std::string SocketErrorText() {
    const int code = WSAGetLastError();
    char text[256] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message + " (error " + std::to_string(code) + ")";
}

namespace {
bool SetNonBlocking(int socket) {
    u_long on = 1;
    return ioctlsocket(static_cast<SOCKET>(socket), FIONBIO, &on) == 0;
}
}  // namespace

#else

bool StartSockets() {
    return true;
}

void CloseSocket(int socket) {
    ::close(socket);
}

bool WaitReadable(int socket, int timeoutMs) {
    pollfd waiting{socket, POLLIN, 0};
    return poll(&waiting, 1, timeoutMs) > 0 && (waiting.revents & POLLIN);
}

std::string SocketErrorText() {
    return std::strerror(errno);
}

namespace {
bool SetNonBlocking(int socket) {
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags >= 0 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}
}  // namespace

#endif

int OpenLoopbackUdp(int port, std::string& error, int (*open)(int, int, int),
                    int (*bind)(int, const sockaddr*, int)) {
    if (!open)
        open = OsSocket;
    if (!bind)
        bind = OsBind;
    auto fail = [&](const char* what, int socket) {
        error = std::string(what) + ": " + SocketErrorText();
        if (socket >= 0)
            CloseSocket(socket);
        return -1;
    };
    if (port < 0 || port > 65535) {
        error = "bad port: " + std::to_string(port);
        return -1;
    }
    if (!StartSockets())
        return fail("socket layer", -1);
    const int socket = open(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket < 0)
        return fail("socket", -1);
    if (!SetNonBlocking(socket))
        return fail("non-blocking", socket);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0)
        return fail("bind", socket);
    return socket;
}

}  // namespace sim

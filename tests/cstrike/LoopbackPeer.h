// A UDP socket on 127.0.0.1 that talks to the server under test as a query
// tool or a client would, through the sim's own socket calls, so that the
// same test runs on Linux and Windows.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Sockets.h"

class LoopbackPeer {
public:
    // port 0: any free port.
    explicit LoopbackPeer(int port = 0) { m_socket = sim::OpenLoopbackUdp(port, m_error); }
    ~LoopbackPeer() { Close(); }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    bool Ok() const { return m_socket >= 0; }
    const std::string& Error() const { return m_error; }

    // The port the socket is bound to; 0 when it is not.
    int Port() const {
        sockaddr_in address{};
#ifdef _WIN32
        int length = sizeof address;
#else
        socklen_t length = sizeof address;
#endif
        if (!Ok() || ::getsockname(Native(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return 0;
        return ntohs(address.sin_port);
    }

    // True when the whole datagram went out to 127.0.0.1:port.
    bool SendTo(int port, const std::string& bytes) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const auto sent = ::sendto(Native(), bytes.data(), static_cast<int>(bytes.size()), 0,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
        return sent >= 0 && static_cast<std::size_t>(sent) == bytes.size();
    }

    // The next datagram to arrive within timeoutMs; "" when none came.
    std::string Receive(int timeoutMs = 1000) const {
        if (!Ok() || !sim::WaitReadable(m_socket, timeoutMs))
            return {};
        char buffer[2048];
        const auto size = ::recv(Native(), buffer, sizeof buffer, 0);
        return size > 0 ? std::string(buffer, static_cast<std::size_t>(size)) : std::string();
    }

    void Close() {
        if (m_socket >= 0)
            sim::CloseSocket(m_socket);
        m_socket = -1;
    }

private:
#ifdef _WIN32
    SOCKET Native() const {
        return static_cast<SOCKET>(m_socket);
    }
#else
    int Native() const {
        return m_socket;
    }
#endif

    int m_socket = -1;
    std::string m_error;
};

#include "scenario/ScenarioUdp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {

ScenarioUdp::~ScenarioUdp() {
    if (m_socket >= 0)
        ::close(m_socket);
}

bool ScenarioUdp::Open(std::string& error) {
    if (m_socket >= 0)
        return true;
    m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_socket < 0 ||
        ::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) < 0) {
        error = std::string("cannot open a UDP socket: ") + std::strerror(errno);
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
        return false;
    }
    return true;
}

std::string ScenarioUdp::Send(int port, const std::string& bytes, int times) {
    if (port <= 0)
        return "the server has no UDP socket";
    if (times < 1 || times > kMaxRepeat)
        return "a datagram is sent 1 to " + std::to_string(kMaxRepeat) + " times at once";
    if (bytes.size() > static_cast<size_t>(kMaxDatagram))
        return "a datagram holds at most " + std::to_string(kMaxDatagram) + " bytes";
    std::string error;
    if (!Open(error))
        return error;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < times; ++i) {
        const ssize_t sent = ::sendto(m_socket, bytes.data(), bytes.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent != static_cast<ssize_t>(bytes.size()))
            return std::string("sendto failed: ") + std::strerror(errno);
    }
    return "";
}

const std::vector<std::string>& ScenarioUdp::Replies() {
    char buffer[kMaxDatagram];
    while (m_socket >= 0) {
        const ssize_t size = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (size < 0)
            break;
        if (m_replies.size() == kMaxReplies)
            m_replies.erase(m_replies.begin());
        m_replies.emplace_back(buffer, static_cast<size_t>(size));
    }
    return m_replies;
}

std::string ScenarioUdp::LastChallenge() {
    const std::vector<std::string>& replies = Replies();
    for (auto reply = replies.rbegin(); reply != replies.rend(); ++reply)
        if (reply->size() == 9 && reply->compare(0, 5,
                                                 "\xFF\xFF\xFF\xFF"
                                                 "A") == 0)
            return reply->substr(5);
    return "";
}

}  // namespace sim

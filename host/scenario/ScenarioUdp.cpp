#include "scenario/ScenarioUdp.h"

#include "engine/Sockets.h"

namespace sim {

ScenarioUdp::~ScenarioUdp() {
    if (m_socket >= 0)
        CloseSocket(m_socket);
}

bool ScenarioUdp::Open(std::string& error) {
    if (m_socket >= 0)
        return true;
    std::string why;
    m_socket = OpenLoopbackUdp(0, why);
    if (m_socket < 0) {
        error = "cannot open a UDP socket: " + why;
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
        const auto sent =
            ::sendto(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0,
                     reinterpret_cast<const sockaddr*>(&to), static_cast<int>(sizeof to));
        if (sent < 0 || static_cast<size_t>(sent) != bytes.size())
            return "sendto failed: " + SocketErrorText();
    }
    return "";
}

const std::vector<std::string>& ScenarioUdp::Replies() {
    char buffer[kMaxDatagram];
    while (m_socket >= 0) {
        const auto size = ::recv(m_socket, buffer, static_cast<int>(sizeof buffer), 0);
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

// A scenario's own UDP socket on 127.0.0.1: it sends datagrams to the
// server's port, as a client or an attacker would, and keeps the answers
// that come back.
#pragma once

#include <string>
#include <vector>

namespace sim {

class ScenarioUdp {
public:
    // The server's receive buffer holds about 250 small datagrams; beyond
    // that the kernel drops them, which would make a run depend on timing.
    static constexpr int kMaxRepeat = 200;
    static constexpr int kMaxDatagram = 4096;
    static constexpr size_t kMaxReplies = 1024;

    ScenarioUdp() = default;
    ~ScenarioUdp();
    ScenarioUdp(const ScenarioUdp&) = delete;
    ScenarioUdp& operator=(const ScenarioUdp&) = delete;

    // Sends the bytes that many times to 127.0.0.1:port; "" or an error.
    std::string Send(int port, const std::string& bytes, int times);
    // The answers received so far, the latest kMaxReplies (read without
    // waiting).
    const std::vector<std::string>& Replies();
    // The four bytes of the last challenge the server sent ('A'), or "".
    std::string LastChallenge();

private:
    bool Open(std::string& error);

    int m_socket = -1;
    std::vector<std::string> m_replies;
};

}  // namespace sim

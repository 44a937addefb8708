// The server's UDP socket on 127.0.0.1 and its per-frame read loop, as the
// engine runs it: every datagram is read through the receive entry of the
// g_pVCR table (so a plug-in that swaps the entry filters what the server
// sees), until none is waiting or an empty datagram arrives, which ends the
// frame's reading: a flood of empty datagrams delays the real ones by a
// frame each. Connectionless packets (four 0xFF bytes, then the type) are
// counted by type; 'l' prints its text; 'T' (server info) and 'U' (the
// player list) are answered once the query carries the challenge the
// server gave that address ('A' answers a query without it, and 'W').
// What got through, and in which frame, is recorded.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct sockaddr_in;

namespace sim {

struct PlayerListEntry {
    std::string name;
    int score = 0;
    float duration = 0.0f;  // seconds connected
};

// What the answer to a server-info query tells.
struct ServerInfo {
    std::string name;
    std::string map;
    std::string folder;
    std::string game;
    int players = 0;  // bots included
    int maxPlayers = 0;
    int bots = 0;
    bool password = false;
    bool secure = false;
    std::string version;
    std::string tags;
};

enum class PacketKind { Empty, Game, Connectionless };

struct PacketRecord {
    int frame = 0;
    PacketKind kind = PacketKind::Game;
    unsigned char type = 0;  // of a connectionless packet
    int size = 0;
};

class NetSocket {
public:
    static constexpr int kMaxDatagram = 4096;
    // A frame stops reading after this many, so a flood cannot hold it.
    static constexpr int kMaxDatagramsPerFrame = 1024;
    // The answer to a player-list query fits one datagram.
    static constexpr int kMaxReply = 1400;
    static constexpr size_t kMaxRecords = 4096;

    NetSocket() = default;
    ~NetSocket();
    NetSocket(const NetSocket&) = delete;
    NetSocket& operator=(const NetSocket&) = delete;

    // A non-blocking UDP socket on 127.0.0.1:port (0 picks a free port).
    bool Open(int port, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return m_Socket >= 0; }
    int Port() const { return m_Port; }
    // Waits up to the time-out for a datagram to be waiting (for tests, so
    // that nothing sleeps on the wall clock).
    bool WaitReadable(int timeoutMs) const;

    // The text of an 'l' packet (the console prints it as it is).
    void SetPrintHandler(std::function<void(std::string_view)> handler);
    // The players to list in the answer to 'U'.
    void SetPlayerListSource(std::function<std::vector<PlayerListEntry>()> source);
    // What the answer to 'T' tells.
    void SetServerInfoSource(std::function<ServerInfo()> source);
    // The challenge this server gives an address and port.
    std::uint32_t ChallengeFor(const sockaddr_in& from) const;

    // One frame's read loop; answers the datagrams it handled.
    int ReadFrame();

    int Frames() const { return m_Frame; }
    int Count(PacketKind kind) const { return m_KindCounts[static_cast<int>(kind)]; }
    int CountOfType(unsigned char type) const { return m_TypeCounts[type]; }
    // The latest records, oldest first (at most kMaxRecords).
    const std::deque<PacketRecord>& Records() const { return m_Records; }

private:
    void Handle(const unsigned char* data, int size, const sockaddr_in& from);
    void AnswerPlayerList(const sockaddr_in& from);
    void AnswerInfo(const sockaddr_in& from);
    // Whether the four bytes at data are this address's challenge; else
    // the address is sent one.
    bool HasChallenge(const unsigned char* data, int size, const sockaddr_in& from);
    void Reply(const std::string& reply, const sockaddr_in& from);
    void Record(PacketKind kind, unsigned char type, int size);

    int m_Socket = -1;
    int m_Port = 0;
    int m_Frame = 0;
    std::function<void(std::string_view)> m_Print;
    std::function<std::vector<PlayerListEntry>()> m_PlayerList;
    std::function<ServerInfo()> m_Info;
    std::array<int, 3> m_KindCounts{};
    std::array<int, 256> m_TypeCounts{};
    std::deque<PacketRecord> m_Records;
};

}  // namespace sim

#include "engine/NetSocket.h"

#include <tier0/vcr.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/Sockets.h"

namespace sim {

namespace {

bool IsConnectionless(const unsigned char* data, int size) {
    return size >= 5 && data[0] == 0xFF && data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF;
}

void Append(std::string& out, const void* data, size_t size) {
    out.append(static_cast<const char*>(data), size);
}

// Little-endian, as the query protocol writes numbers.
void AppendInt32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// At most 255 bytes of each text, so the six of a server-info answer always
// fit one datagram.
void AppendString(std::string& out, const std::string& text) {
    const size_t length = std::min<size_t>(std::strlen(text.c_str()), 255);
    Append(out, text.c_str(), length);
    out.push_back('\0');
}

std::uint32_t ReadInt32(const unsigned char* data) {
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

const char kHeader[] = "\xFF\xFF\xFF\xFF";
// The text every server-info query carries before its challenge.
const char kInfoQuery[] = "Source Engine Query";
constexpr int kProtocol = 17;
constexpr int kAppId = 240;

}  // namespace

NetSocket::~NetSocket() {
    Close();
}

bool NetSocket::Open(int port, std::string* error) {
    Close();
    std::string why;
    // Through the engine's input/output hooks, as the server opens its
    // socket.
    m_Socket = OpenLoopbackUdp(port, why, g_pVCR->Hook_socket, g_pVCR->Hook_bind);
    if (m_Socket < 0) {
        if (error) {
            *error = why;
        }
        return false;
    }
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(m_Socket, reinterpret_cast<sockaddr*>(&address), &length) < 0) {
        if (error) {
            *error = "getsockname: " + SocketErrorText();
        }
        Close();
        return false;
    }
    m_Port = ntohs(address.sin_port);
    return true;
}

void NetSocket::Close() {
    if (m_Socket >= 0) {
        g_pVCR->Hook_closesocket(m_Socket);
    }
    m_Socket = -1;
    m_Port = 0;
}

bool NetSocket::WaitReadable(int timeoutMs) const {
    return m_Socket >= 0 && sim::WaitReadable(m_Socket, timeoutMs);
}

void NetSocket::SetPrintHandler(std::function<void(std::string_view)> handler) {
    m_Print = std::move(handler);
}

void NetSocket::SetPlayerListSource(std::function<std::vector<PlayerListEntry>()> source) {
    m_PlayerList = std::move(source);
}

void NetSocket::SetServerInfoSource(std::function<ServerInfo()> source) {
    m_Info = std::move(source);
}

std::uint32_t NetSocket::ChallengeFor(const sockaddr_in& from) const {
    // Stable per address, port and server, so a repeated query matches; a
    // mix of all three keeps it unguessable from another address.
    std::uint64_t mixed = (std::uint64_t{ntohl(from.sin_addr.s_addr)} << 16) ^
                          ntohs(from.sin_port) ^
                          (std::uint64_t{static_cast<std::uint32_t>(m_Port)} << 48);
    mixed += 0x9E3779B97F4A7C15ull;
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
    mixed ^= mixed >> 31;
    const auto challenge = static_cast<std::uint32_t>(mixed);
    // -1 is how a client asks for a challenge, so it never is one.
    return challenge == 0xFFFFFFFFu ? 1u : challenge;
}

bool NetSocket::HasChallenge(const unsigned char* data, int size, const sockaddr_in& from) {
    const std::uint32_t expected = ChallengeFor(from);
    if (size >= 4 && ReadInt32(data) == expected) {
        return true;
    }
    std::string reply(kHeader, 4);
    reply.push_back('A');
    AppendInt32(reply, expected);
    Reply(reply, from);
    return false;
}

void NetSocket::Reply(const std::string& reply, const sockaddr_in& from) {
    g_pVCR->Hook_sendto(m_Socket, reply.data(), static_cast<int>(reply.size()), 0,
                        reinterpret_cast<const sockaddr*>(&from), sizeof from);
}

int NetSocket::ReadFrame() {
    ++m_Frame;
    int handled = 0;
    unsigned char buffer[kMaxDatagram];
    while (m_Socket >= 0 && handled < kMaxDatagramsPerFrame) {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int size =
            g_pVCR->Hook_recvfrom(m_Socket, reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size < 0) {
            break;  // nothing more waiting (or a read error)
        }
        ++handled;
        if (size == 0) {
            Record(PacketKind::Empty, 0, 0);
            break;
        }
        Handle(buffer, size, from);
    }
    return handled;
}

void NetSocket::Handle(const unsigned char* data, int size, const sockaddr_in& from) {
    if (!IsConnectionless(data, size)) {
        Record(PacketKind::Game, 0, size);
        return;
    }
    const unsigned char type = data[4];
    Record(PacketKind::Connectionless, type, size);
    if (type == 'l' && m_Print) {
        const char* text = reinterpret_cast<const char*>(data + 5);
        const size_t length = strnlen(text, static_cast<size_t>(size - 5));
        m_Print(std::string_view(text, length));
    } else if (type == 'U') {
        if (HasChallenge(data + 5, size - 5, from)) {
            AnswerPlayerList(from);
        }
    } else if (type == 'T') {
        // Anything but the query's text is not a query.
        const size_t textSize = sizeof kInfoQuery;
        if (static_cast<size_t>(size - 5) < textSize ||
            std::memcmp(data + 5, kInfoQuery, textSize) != 0) {
            return;
        }
        const int rest = size - 5 - static_cast<int>(textSize);
        if (HasChallenge(data + 5 + textSize, rest, from)) {
            AnswerInfo(from);
        }
    } else if (type == 'W') {
        HasChallenge(data, 0, from);
    }
}

void NetSocket::AnswerInfo(const sockaddr_in& from) {
    const ServerInfo info = m_Info ? m_Info() : ServerInfo();
    std::string reply(kHeader, 4);
    reply.push_back('I');
    reply.push_back(static_cast<char>(kProtocol));
    AppendString(reply, info.name);
    AppendString(reply, info.map);
    AppendString(reply, info.folder);
    AppendString(reply, info.game);
    reply.push_back(static_cast<char>(kAppId & 0xFF));
    reply.push_back(static_cast<char>(kAppId >> 8));
    reply.push_back(static_cast<char>(std::min(info.players, 255)));
    reply.push_back(static_cast<char>(std::min(info.maxPlayers, 255)));
    reply.push_back(static_cast<char>(std::min(info.bots, 255)));
    reply.push_back('d');  // dedicated
#ifdef _WIN32
    reply.push_back('w');  // Windows
#else
    reply.push_back('l');  // Linux
#endif
    reply.push_back(info.password ? 1 : 0);
    reply.push_back(info.secure ? 1 : 0);
    AppendString(reply, info.version);
    // Extra data: the game port, then the tags when there are any.
    reply.push_back(static_cast<char>(info.tags.empty() ? 0x80 : 0xA0));
    reply.push_back(static_cast<char>(m_Port & 0xFF));
    reply.push_back(static_cast<char>((m_Port >> 8) & 0xFF));
    if (!info.tags.empty()) {
        AppendString(reply, info.tags);
    }
    Reply(reply, from);
}

void NetSocket::AnswerPlayerList(const sockaddr_in& from) {
    const std::vector<PlayerListEntry> players =
        m_PlayerList ? m_PlayerList() : std::vector<PlayerListEntry>();
    std::string reply(
        "\xFF\xFF\xFF\xFF"
        "D",
        5);
    reply.push_back(0);  // the count, set below
    int listed = 0;
    for (const PlayerListEntry& player : players) {
        const std::string name = player.name.substr(0, player.name.find('\0'));
        if (listed == 255 || reply.size() + 1 + name.size() + 1 + 8 > kMaxReply) {
            break;
        }
        reply.push_back(static_cast<char>(listed));
        Append(reply, name.c_str(), name.size() + 1);
        AppendInt32(reply, static_cast<std::uint32_t>(player.score));
        std::uint32_t duration;
        static_assert(sizeof duration == sizeof player.duration);
        std::memcpy(&duration, &player.duration, sizeof duration);
        AppendInt32(reply, duration);
        ++listed;
    }
    reply[5] = static_cast<char>(listed);
    Reply(reply, from);
}

void NetSocket::Record(PacketKind kind, unsigned char type, int size) {
    ++m_KindCounts[static_cast<int>(kind)];
    if (kind == PacketKind::Connectionless) {
        ++m_TypeCounts[type];
    }
    if (m_Records.size() == kMaxRecords) {
        m_Records.pop_front();
    }
    m_Records.push_back({m_Frame, kind, type, size});
}

}  // namespace sim

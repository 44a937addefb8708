// The packet filter of the installed travik.so in srcds-sim: datagrams from
// real loopback sockets, read through the host's input/output table the way
// the engine reads its own.
#include <tier0/vcr.h>

#ifndef _WIN32
#include <sys/time.h>
#endif

#include <cerrno>
#include <string>

#include "TravikServerTest.h"
#include "engine/Sockets.h"

namespace {

using RecvFunction = decltype(VCR_t::Hook_recvfrom);

// The host's input/output table holds sockets as int (a 32-bit Windows
// process's Winsock handles fit).
#ifdef _WIN32
SOCKET Native(int socket) {
    return static_cast<SOCKET>(socket);
}
#else
int Native(int socket) {
    return socket;
}
#endif

const std::string kGamePacket("\x12\x00\x00\x80 game", 9);
const std::string kPrintRequest = "\xFF\xFF\xFF\xFFlhello";
const std::string kPlayerQuery = "\xFF\xFF\xFF\xFFU\xFF\xFF\xFF\xFF";

// A server socket and a client socket on 127.0.0.1. Reads wait up to a
// second, so a datagram in flight is never taken for none.
class Loopback {
public:
    Loopback() {
        sim::StartSockets();
        server = static_cast<int>(socket(AF_INET, SOCK_DGRAM, 0));
        client = static_cast<int>(socket(AF_INET, SOCK_DGRAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(Native(server), reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(Native(server), reinterpret_cast<sockaddr*>(&address), &length);
        connect(Native(client), reinterpret_cast<sockaddr*>(&address), sizeof address);
#ifdef _WIN32
        const DWORD wait = 1000;
        setsockopt(Native(server), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait),
                   sizeof wait);
#else
        timeval wait{1, 0};
        setsockopt(server, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
#endif
    }
    ~Loopback() {
        sim::CloseSocket(server);
        sim::CloseSocket(client);
    }

    void Send(const std::string& bytes) const {
        ASSERT_EQ(send(Native(client), bytes.data(), static_cast<int>(bytes.size()), 0),
                  static_cast<int>(bytes.size()));
    }

    // One read as the engine does it; the datagram, or "<n>" for a result
    // without one.
    std::string Read() const {
        char buffer[2048];
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int size = g_pVCR->Hook_recvfrom(server, buffer, sizeof buffer, 0,
                                               reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size <= 0) {
            return std::string("<").append(std::to_string(size)).append(">");
        }
        EXPECT_EQ(fromLength, static_cast<int>(sizeof from));
        return std::string(buffer, static_cast<size_t>(size));
    }

    int server = -1;
    int client = -1;
};

class NetProtectFeature : public TravikServerTest {
protected:
    void SetUp() override {
        InstallTravik();
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    }
    void TearDown() override { g_pVCR->Hook_recvfrom = hostRecv; }

    bool Hooked() const { return g_pVCR->Hook_recvfrom != hostRecv; }

    const RecvFunction hostRecv = g_pVCR->Hook_recvfrom;
    Loopback net;
};

TEST_F(NetProtectFeature, TheHookFollowsItsSwitchesAndLeavesWithThePlugin) {
    EXPECT_EQ(ConsoleCount("[Travik] Net Hook Enabled\n"), 1);
    EXPECT_TRUE(Hooked());
    Console("tk_dosprotect 0");
    EXPECT_FALSE(Hooked());
    EXPECT_EQ(ConsoleCount("[Travik] Net Hook Disabled\n"), 1);
    Console("tk_ignoreplayerqueries 1");
    EXPECT_TRUE(Hooked());
    Console("tk_active 0");
    EXPECT_FALSE(Hooked());
    Console("tk_ignoreplayerqueries 0");
    Console("tk_ignoreplayerqueries 1");
    EXPECT_FALSE(Hooked()) << "an inactive plug-in filters nothing";
    Console("tk_active 1");
    EXPECT_TRUE(Hooked());
    ClearConsole();
    Console("plugin_unload 0");
    EXPECT_FALSE(Hooked());
    EXPECT_FALSE(ConsoleHas("Net Hook")) << "unload restores silently";
}

TEST_F(NetProtectFeature, DroppedDatagramsGiveWayToTheNextInTheSameRead) {
    net.Send("");
    net.Send(kGamePacket);
    EXPECT_EQ(net.Read(), kGamePacket);
    net.Send(kPrintRequest);
    net.Send("");
    net.Send(kPrintRequest);
    net.Send(kGamePacket);
    EXPECT_EQ(net.Read(), kGamePacket);
}

TEST_F(NetProtectFeature, OnlyWholeConnectionlessPrintRequestsAreDropped) {
    const std::string shortRequest = "\xFF\xFF\xFF\xFFl";
    const std::string notConnectionless = "\xFF\xFF\xFF\xFElhello";
    for (const std::string& packet : {shortRequest, notConnectionless, kPlayerQuery}) {
        net.Send(packet);
        EXPECT_EQ(net.Read(), packet);
    }
}

TEST_F(NetProtectFeature, PlayerQueriesAreDroppedOnlyWhenAsked) {
    Console("tk_ignoreplayerqueries 1");
    Console("tk_dosprotect 0");
    net.Send(kPlayerQuery);
    net.Send("");
    net.Send(kPrintRequest);
    EXPECT_EQ(net.Read(), "<0>");
    EXPECT_EQ(net.Read(), kPrintRequest);
}

// An endless run of empty datagrams, faster than it can be dropped.
int g_emptyReads = 0;
int EndlessEmpty(int, char*, int, int, sockaddr*, int*) {
    ++g_emptyReads;
    return 0;
}

TEST_F(NetProtectFeature, AnEndlessFloodEndsTheReadWithNothingWaiting) {
    Console("tk_dosprotect 0");
    g_pVCR->Hook_recvfrom = EndlessEmpty;
    Console("tk_dosprotect 1");
    g_emptyReads = 0;
    errno = 0;
    EXPECT_EQ(net.Read(), "<-1>");
    EXPECT_EQ(errno, EWOULDBLOCK);
    EXPECT_EQ(g_emptyReads, 1024);
}

}  // namespace

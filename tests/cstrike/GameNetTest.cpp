// Real datagrams from a loopback socket reach the server's reader through
// the receive entry of the g_pVCR table, frame by frame.
#include <gtest/gtest.h>

#include <tier0/vcr.h>

#include <string>
#include <vector>

#include "LoopbackPeer.h"
#include "engine/NetSocket.h"

// The server info's environment byte: the server's operating system.
#ifdef _WIN32
#define SERVER_OS "w"
#else
#define SERVER_OS "l"
#endif

using sim::NetSocket;
using sim::PacketKind;

namespace {

// The receive entry as a plug-in would hook it: counts the calls and may
// drop empty datagrams, reading on in the same call.
struct ReceiveHook {
    static inline int (*saved)(int, char*, int, int, sockaddr*, int*) = nullptr;
    static inline int calls = 0;
    static inline bool dropEmpty = false;

    static int Hook(int s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) {
        for (;;) {
            ++calls;
            const int size = saved(s, buffer, length, flags, from, fromLength);
            if (size != 0 || !dropEmpty) {
                return size;
            }
        }
    }
};

class SrcdsSimGameNet : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Open(0, &error)) << error;
        ASSERT_GT(server.Port(), 0);
        ASSERT_TRUE(client.Ok()) << client.Error();
        ReceiveHook::saved = g_pVCR->Hook_recvfrom;
        ReceiveHook::calls = 0;
        ReceiveHook::dropEmpty = false;
        g_pVCR->Hook_recvfrom = &ReceiveHook::Hook;
        server.SetPrintHandler([this](std::string_view text) { printed.emplace_back(text); });
    }

    void TearDown() override { g_pVCR->Hook_recvfrom = ReceiveHook::saved; }

    void Send(const std::string& bytes) { ASSERT_TRUE(client.SendTo(server.Port(), bytes)); }

    static std::string Connectionless(char type, const std::string& body = "") {
        return std::string("\xFF\xFF\xFF\xFF", 4) + type + body;
    }

    // Reads a frame once what was sent is waiting.
    int Frame() {
        EXPECT_TRUE(server.WaitReadable(1000));
        return server.ReadFrame();
    }

    std::string Reply() { return client.Receive(1000); }

    // A query as a query tool makes it: first with -1 for a challenge, then
    // again with the challenge; answers the final reply.
    std::string Query(char type, const std::string& body = "") {
        Send(Connectionless(type, body + std::string("\xFF\xFF\xFF\xFF", 4)));
        Frame();
        const std::string challenge = Reply();
        EXPECT_EQ(challenge.size(), 9u);
        EXPECT_EQ(challenge.substr(0, 5), Connectionless('A'));
        Send(Connectionless(type, body + challenge.substr(5)));
        Frame();
        return Reply();
    }

    NetSocket server;
    LoopbackPeer client;
    std::vector<std::string> printed;
};

TEST_F(SrcdsSimGameNet, DatagramsArriveThroughTheReceiveEntryAndAreSorted) {
    Send(Connectionless('T', "Source Engine Query"));
    Send("\x01\x02\x03\x04\x05\x06");
    Send(Connectionless('l', "hello console"));
    Send(std::string("\xFF\xFF\xFF\xFE", 4) + "l text");  // not connectionless
    EXPECT_EQ(Frame(), 4);
    EXPECT_EQ(ReceiveHook::calls, 5);  // four datagrams and the read that found none
    EXPECT_EQ(server.CountOfType('T'), 1);
    EXPECT_EQ(server.CountOfType('l'), 1);
    EXPECT_EQ(server.Count(PacketKind::Game), 2);
    EXPECT_EQ(printed, std::vector<std::string>{"hello console"});
    EXPECT_EQ(server.ReadFrame(), 0);
}

TEST_F(SrcdsSimGameNet, PrintTextEndsAtItsTerminatorAndMayBeEmpty) {
    Send(Connectionless('l', std::string("first\0hidden", 12)));
    Send(Connectionless('l'));
    Send(Connectionless('l', "%s%n"));
    Frame();
    EXPECT_EQ(printed, (std::vector<std::string>{"first", "", "%s%n"}));
}

TEST_F(SrcdsSimGameNet, AnEmptyDatagramEndsTheFramesReading) {
    Send("game one");
    Send("");
    Send("game two");
    EXPECT_EQ(Frame(), 2);
    EXPECT_EQ(server.Count(PacketKind::Game), 1);
    EXPECT_EQ(server.Count(PacketKind::Empty), 1);
    EXPECT_EQ(Frame(), 1);
    ASSERT_EQ(server.Records().size(), 3u);
    EXPECT_EQ(server.Records()[2].frame, 2);
    EXPECT_EQ(server.Records()[2].size, 8);
}

TEST_F(SrcdsSimGameNet, AFloodOfEmptyDatagramsDelaysRealPacketsUnlessFiltered) {
    for (int i = 0; i < 3; ++i) {
        Send("");
    }
    Send(Connectionless('U'));
    for (int frame = 1; frame <= 3; ++frame) {
        Frame();
        EXPECT_EQ(server.CountOfType('U'), 0);
    }
    Frame();
    EXPECT_EQ(server.Records().back().frame, 4);
    EXPECT_EQ(server.CountOfType('U'), 1);

    // With the empty ones dropped inside the receive entry, no frame is lost.
    ReceiveHook::dropEmpty = true;
    Send("");
    Send("");
    Send("game");
    EXPECT_EQ(Frame(), 1);
    EXPECT_EQ(server.Records().back().frame, 5);
    EXPECT_EQ(server.Count(PacketKind::Empty), 3);
}

TEST_F(SrcdsSimGameNet, PlayerListQueriesAreAnswered) {
    server.SetPlayerListSource([] {
        return std::vector<sim::PlayerListEntry>{{"alice", 3, 60.0f}, {"bob", -1, 1.5f}};
    });
    const std::string reply = Query('U');
    ASSERT_GE(reply.size(), 6u);
    EXPECT_EQ(reply.substr(0, 5), Connectionless('D'));
    EXPECT_EQ(reply[5], 2);
    EXPECT_EQ(reply.substr(6, 1 + 6), std::string("\0alice\0", 7));
    EXPECT_EQ(reply.size(), 6u + (1 + 6 + 8) + (1 + 4 + 8));
}

TEST_F(SrcdsSimGameNet, ALongPlayerListIsCutToOneDatagram) {
    server.SetPlayerListSource([] {
        return std::vector<sim::PlayerListEntry>(300, {std::string(100, 'n'), 0, 0.0f});
    });
    const std::string reply = Query('U');
    ASSERT_FALSE(reply.empty());
    EXPECT_LE(reply.size(), static_cast<size_t>(NetSocket::kMaxReply));
    const int listed = static_cast<unsigned char>(reply[5]);
    EXPECT_EQ(reply.size(), 6u + static_cast<size_t>(listed) * (1 + 101 + 8));
    EXPECT_GT(listed, 10);
}

TEST_F(SrcdsSimGameNet, QueriesAnswerOnlyWithTheChallengeGivenToTheirAddress) {
    server.SetPlayerListSource([] { return std::vector<sim::PlayerListEntry>{{"a", 0, 0}}; });
    const std::string ask = std::string("\xFF\xFF\xFF\xFF", 4);
    Send(Connectionless('U'));  // no challenge at all
    Frame();
    const std::string first = Reply();
    ASSERT_EQ(first.size(), 9u);
    EXPECT_EQ(first.substr(0, 5), Connectionless('A'));
    std::string wrong = first.substr(5);
    wrong[0] = static_cast<char>(wrong[0] ^ 1);
    Send(Connectionless('U', wrong));
    Frame();
    EXPECT_EQ(Reply(), first) << "a wrong challenge gets the right one again";
    Send(Connectionless('W'));
    Frame();
    EXPECT_EQ(Reply(), first) << "the same challenge for the same address";
    Send(Connectionless('U', first.substr(5)));
    Frame();
    EXPECT_EQ(Reply().substr(0, 5), Connectionless('D'));

    // Another port of the same host gets its own challenge.
    LoopbackPeer other;
    ASSERT_TRUE(other.Ok()) << other.Error();
    ASSERT_TRUE(other.SendTo(server.Port(), Connectionless('U', ask)));
    Frame();
    const std::string answer = other.Receive(1000);
    ASSERT_EQ(answer.size(), 9u);
    EXPECT_NE(answer.substr(5), first.substr(5));
}

TEST_F(SrcdsSimGameNet, ServerInfoIsAnsweredAfterTheChallenge) {
    server.SetServerInfoSource([] {
        sim::ServerInfo info;
        info.name = "Match";
        info.map = "de_nuke";
        info.folder = "cstrike";
        info.game = "Counter-Strike: Source";
        info.players = 3;
        info.maxPlayers = 16;
        info.bots = 1;
        info.password = true;
        info.secure = false;
        info.version = "1.0.0.34";
        info.tags = "travik";
        return info;
    });
    Send(Connectionless('T', "Not The Query"));
    Frame();
    EXPECT_TRUE(Reply().empty()) << "a 'T' without the query text is not a query";
    const std::string reply = Query('T', std::string("Source Engine Query\0", 20));
    const std::string port(
        {static_cast<char>(server.Port() & 0xFF), static_cast<char>(server.Port() >> 8)});
    EXPECT_EQ(reply, Connectionless('I', std::string("\x11Match\0de_nuke\0cstrike\0"
                                                     "Counter-Strike: Source\0\xF0\0"
                                                     "\x03\x10\x01"
                                                     "d" SERVER_OS "\x01\0"
                                                     "1.0.0.34\0\xA0",
                                                     65) +
                                             port + std::string("travik\0", 7)));
}

TEST_F(SrcdsSimGameNet, OpeningFailsCleanlyOnATakenOrBadPort) {
    NetSocket second;
    std::string error;
    EXPECT_FALSE(second.Open(server.Port(), &error));
    EXPECT_NE(error.find("bind"), std::string::npos);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_FALSE(second.Open(70000, &error));
    EXPECT_EQ(second.ReadFrame(), 0);
}

}  // namespace

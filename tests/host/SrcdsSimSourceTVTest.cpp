// SourceTV: the spectator client that tv_enable brings at a level change,
// the user messages it receives, and the demos of tv_record: the real
// header, then a line for each user message it received while recording.
#include <cstring>

#include "GameServerTest.h"

namespace {

std::string Field(const std::string& demo, size_t offset) {
    return demo.substr(offset, std::strlen(demo.c_str() + offset));
}

template <class T>
T Number(const std::string& demo, size_t offset) {
    T value{};
    std::memcpy(&value, demo.data() + offset, sizeof value);
    return value;
}

class SrcdsSimSourceTV : public GameServerTest {
protected:
    sim::Client& StartTV() {
        StartGame("-insecure +tv_enable 1 +map de_dust2");
        Console("hostname \"Cup Final\"");
        sim::Client* tv = server->TV().GetClient();
        EXPECT_NE(tv, nullptr);
        return *tv;
    }
    std::string Demo(const char* name) {
        std::string demo;
        EXPECT_TRUE(folder.ReadFile(name, demo));
        return demo;
    }
};

TEST_F(SrcdsSimSourceTV, ItWatchesFromTheSpectatorsAndReceivesWhatIsSentToAll) {
    sim::Client& tv = StartTV();
    EXPECT_EQ(tv.Name(), "SourceTV");
    EXPECT_STREQ(tv.NetworkId(), "HLTV");
    EXPECT_EQ(Game().GetTeam(tv.EntityIndex()), 1);
    sim::Client& alice = Player("alice", 2);
    Console("say hello everybody");
    server->Clients().Say(alice, "team only", true);
    const auto chat = tv.GetInbox().OfKind(sim::InboxKind::Chat);
    ASSERT_EQ(chat.size(), 1u) << "team chat goes to the team";
    EXPECT_EQ(chat[0]->text, "Console: hello everybody");
}

TEST_F(SrcdsSimSourceTV, ADemoHoldsTheHeaderAndTheMessagesReceivedWhileRecording) {
    StartTV();
    sim::Client& alice = Player("alice", 2);
    server->RunTicks(1);  // the voice manager's question to everybody, once
    Console("say before");
    Console("tv_record final");
    server->RunTicks(10);
    Console("say during; mp_restartgame 1");
    server->Clients().Say(alice, "only terrorists", true);
    server->RunTicks(1);
    Console("tv_stoprecord");
    Console("say after");

    const std::string demo = Demo("final.dem");
    ASSERT_GT(demo.size(), 1072u);
    EXPECT_EQ(demo.compare(0, 8, std::string("HL2DEMO\0", 8)), 0);
    EXPECT_EQ(Number<int>(demo, 8), 3);
    EXPECT_EQ(Field(demo, 16), "Cup Final");
    EXPECT_EQ(Field(demo, 276), "SourceTV");
    EXPECT_EQ(Field(demo, 536), "de_dust2");
    EXPECT_EQ(Field(demo, 796), "cstrike");
    EXPECT_EQ(Number<int>(demo, 1060), 11) << "ticks recorded";
    EXPECT_NEAR(Number<float>(demo, 1056), 11 * 0.015f, 1e-4);
    EXPECT_EQ(demo.substr(1072),
              "usermsg 10 3 chat \"Console: during\"\n"
              "usermsg 11 5 center \"Game will restart in 1 seconds\"\n"
              "usermsg 11 5 console \"Game will restart in 1 seconds\"\n");

    Console("tv_record final");
    EXPECT_TRUE(ConsoleHas("Recording SourceTV demo to final.dem..."));
    EXPECT_EQ(Demo("final.dem").size(), 1072u) << "a new recording starts a new file";
}

TEST_F(SrcdsSimSourceTV, RecordingNeedsSourceTVAndEndsWithTheLevel) {
    StartGame();
    Console("tv_record nothing");
    EXPECT_TRUE(ConsoleHas("SourceTV not active."));
    std::string demo;
    EXPECT_FALSE(folder.ReadFile("nothing.dem", demo));
    Console("tv_enable 1");
    Console("changelevel de_nuke");
    server->RunTicks(1);
    ASSERT_NE(server->TV().GetClient(), nullptr);
    Console("tv_record level1");
    Console("changelevel de_dust2");
    server->RunTicks(1);
    EXPECT_FALSE(server->TV().IsRecording());
    EXPECT_TRUE(ConsoleHas("Completed SourceTV demo \"level1.dem\""));
    EXPECT_EQ(Field(Demo("level1.dem"), 536), "de_nuke");
}

}  // namespace

// The command buffer and console: splitting, comments, wait, limits,
// aliases, exec, variables; and the host commands with their effects:
// kickid, banid, addip, writeid, writeip, status, pause, changelevel,
// tv_record.
#include "SimServerTest.h"
#include "engine/CommandBuffer.h"
#include "engine/WallClock.h"

namespace {

using Strings = std::vector<std::string>;

Strings Drain(sim::CommandBuffer& buffer) {
    Strings commands;
    while (auto command = buffer.NextCommand())
        commands.push_back(*command);
    return commands;
}

TEST(SrcdsSimCommandBuffer, SplitsAtSemicolonsOutsideQuotesAndAtLineBreaks) {
    sim::CommandBuffer buffer;
    buffer.AddText("say \"a;b\"; echo c\necho d\r\nkickid 2 x;;");
    EXPECT_EQ(Drain(buffer), (Strings{"say \"a;b\"", "echo c", "echo d", "", "kickid 2 x", ""}));
    EXPECT_TRUE(buffer.Empty());
}

TEST(SrcdsSimCommandBuffer, ALineBreakEndsEvenAnOpenQuote) {
    sim::CommandBuffer buffer;
    buffer.AddText("say \"open; still quoted\nsay next; two");
    EXPECT_EQ(Drain(buffer), (Strings{"say \"open; still quoted", "say next", "two"}));
}

TEST(SrcdsSimCommandBuffer, CommentsOutsideQuotesDropTheRestOfTheLine) {
    sim::CommandBuffer buffer;
    buffer.AddText("echo a // echo b; echo c\necho \"//kept\"; echo e");
    EXPECT_EQ(Drain(buffer), (Strings{"echo a", "echo \"//kept\"", "echo e"}));
}

TEST(SrcdsSimCommandBuffer, InsertedTextRunsFirstAndOverflowIsRefusedWhole) {
    sim::CommandBuffer buffer;
    buffer.AddText("last\n");
    buffer.InsertText("first; second");
    EXPECT_EQ(Drain(buffer), (Strings{"first", "second", "last"}));
    EXPECT_TRUE(buffer.AddText(std::string(sim::CommandBuffer::kMaxSize - 2, 'x')));
    EXPECT_FALSE(buffer.AddText("more"));
    EXPECT_EQ(buffer.Size(), sim::CommandBuffer::kMaxSize - 2);
}

TEST(SrcdsSimCommandBuffer, WaitHoldsTheRestForItsFrames) {
    sim::CommandBuffer buffer;
    buffer.AddText("a\nb");
    EXPECT_EQ(*buffer.NextCommand(), "a");
    buffer.Wait(2);
    EXPECT_FALSE(buffer.NextCommand());
    buffer.OnFrame();
    EXPECT_FALSE(buffer.NextCommand());
    buffer.OnFrame();
    EXPECT_EQ(*buffer.NextCommand(), "b");
}

class SrcdsSimCommands : public SimServerTest {
protected:
    void SetUp() override { StartServer("+maxplayers 8 +map de_dust2"); }

    sim::Client& Player(const std::string& name, const std::string& steamId,
                        const std::string& address = "") {
        return Connect(name, [&](sim::ClientSpec& spec) {
            spec.steamId = steamId;
            if (!address.empty())
                spec.address = address;
        });
    }
};

TEST_F(SrcdsSimCommands, WaitDelaysByFramesUnlessTheServerForbidsIt) {
    Console("echo one; wait 2; echo two");
    EXPECT_TRUE(ConsoleHas("one\n"));
    EXPECT_FALSE(ConsoleHas("two\n"));
    server->RunFrame();
    EXPECT_FALSE(ConsoleHas("two\n"));
    server->RunFrame();
    EXPECT_TRUE(ConsoleHas("two\n"));
    Console("sv_allow_wait_command 0");
    Console("echo three; wait 5; echo four");
    EXPECT_TRUE(ConsoleHas("four\n"));
}

TEST_F(SrcdsSimCommands, ALineTooLongIsRefusedNotCut) {
    Console("echo " + std::string(600, 'x'));
    EXPECT_FALSE(ConsoleHas(std::string(400, 'x')));
    EXPECT_NE(server->Console().Text().find("512"), std::string::npos) << server->Console().Text();
}

TEST_F(SrcdsSimCommands, ServerCommandWantsATerminatedLine) {
    server->Engine().ServerCommand("echo fine\n");
    server->Engine().ServerCommand("echo unterminated");
    server->Engine().ServerExecute();
    EXPECT_TRUE(ConsoleHas("fine\n"));
    EXPECT_TRUE(ConsoleHas("Error, bad server command echo unterminated"));
}

TEST_F(SrcdsSimCommands, VariablesAreSetClampedAndShown) {
    Console("mp_startmoney 99999");
    EXPECT_STREQ(Var("mp_startmoney"), "16000.000000");
    Console("hostname My Match Server");
    EXPECT_STREQ(Var("hostname"), "My Match Server");
    Console("sv_cheats");
    EXPECT_TRUE(
        ConsoleHas("\"sv_cheats\" = \"0\"\n notify replicated\n - Allow cheats on server\n"));
    Console("no_such_thing 1");
    EXPECT_TRUE(ConsoleHas("Unknown command \"no_such_thing\""));
}

TEST_F(SrcdsSimCommands, AliasesRunTheirBodyAndCannotHideCommandsOrLoopForever) {
    Console("alias greet \"echo hello; echo world\"");
    Console("greet");
    EXPECT_TRUE(ConsoleHas("hello\nworld\n"));
    Console("alias kickid \"echo no\"");
    EXPECT_TRUE(ConsoleHas("Cannot alias an existing concommand"));
    Console("alias sv_cheats \"echo no\"");
    EXPECT_TRUE(ConsoleHas("Cannot alias an existing convar"));
    Console("alias spin spin");
    Console("spin");
    EXPECT_TRUE(ConsoleHas("too many commands"));
    EXPECT_TRUE(server->Buffer().Empty());
    Console("alias");
    EXPECT_TRUE(
        ConsoleHas("Current alias commands:\ngreet : echo hello; echo world\nspin : spin\n"));
}

TEST_F(SrcdsSimCommands, ExecRunsAConfigBeforeWhatWasQueued) {
    folder.WriteFile("cfg/match.cfg", "echo from file\nmp_startmoney 1000 // comment\n");
    server->ServerCommand("exec match\necho after\n");
    server->ServerExecute();
    const std::string text = server->Console().Text();
    EXPECT_LT(text.find("from file"), text.find("after"));
    EXPECT_STREQ(Var("mp_startmoney"), "1000");
    Console("exec missing.cfg");
    EXPECT_TRUE(ConsoleHas("'missing.cfg' not present; not executing."));
    Console("exec ../../etc/passwd");
    EXPECT_TRUE(ConsoleHas("exec ../../etc/passwd: invalid path."));
}

TEST_F(SrcdsSimCommands, KickIdByUserIdOrSteamIdWithAMessage) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    sim::Client& bob = Player("bob", "STEAM_0:0:456");
    Console("kickid " + std::to_string(alice.UserId()) + " [Travik] Not responding: bye");
    EXPECT_EQ(alice.DisconnectReason(), "Kicked by Console : [Travik] Not responding: bye");
    EXPECT_TRUE(alice.WasRemovedByServer());
    Console("kickid STEAM_0:0:456 Banned: cheating");
    EXPECT_EQ(bob.DisconnectReason(), "Kicked by Console : Banned: cheating");
    ASSERT_EQ(Events("player_disconnect").size(), 2u);
    EXPECT_EQ(Events("player_disconnect")[1].values.at("reason"),
              "Kicked by Console : Banned: cheating");
}

TEST_F(SrcdsSimCommands, KickIdShowsTheRestOfTheLineAsTyped) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    sim::Client& bob = Player("bob", "STEAM_0:0:456");
    sim::Client& carol = Player("carol", "STEAM_0:0:789");
    Console("kickid " + std::to_string(alice.UserId()) + " \"Take a break\"");
    EXPECT_EQ(alice.DisconnectReason(), "Kicked by Console : \"Take a break\"");
    Console("kickid \"STEAM_0:0:456\"   two  spaces ( and : signs )");
    EXPECT_EQ(bob.DisconnectReason(), "Kicked by Console : two  spaces ( and : signs )");
    Console("kickid " + std::to_string(carol.UserId()) + " " + std::to_string(carol.UserId()));
    EXPECT_EQ(carol.DisconnectReason(), "Kicked by Console : " + std::to_string(carol.UserId()))
        << "a message equal to the id is the message";
}

TEST_F(SrcdsSimCommands, KickIdWithoutMessageAndUnknownIds) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    Console("kickid 99");
    EXPECT_TRUE(ConsoleHas("userid \"99\" not found"));
    Console("kickid STEAM_0:1:999");
    EXPECT_TRUE(ConsoleHas("uniqueid \"STEAM_0:1:999\" not found"));
    Console("kickid " + std::to_string(alice.UserId()));
    EXPECT_EQ(alice.DisconnectReason(), "Kicked by Console");
}

TEST_F(SrcdsSimCommands, BotsAreKickedOnlyByUserId) {
    sim::Client& bot = server->Clients().AddFakeClient("Bot01", sim::ClientKind::Bot);
    Console("kickid BOT");
    EXPECT_TRUE(bot.IsConnected());
    Console("kickid " + std::to_string(bot.UserId()) + " bye");
    EXPECT_FALSE(bot.IsConnected());
}

TEST_F(SrcdsSimCommands, BanIdBansKicksOnRequestAndRefusesTheNextConnect) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    Console("banid 0 " + std::to_string(alice.UserId()));
    EXPECT_TRUE(alice.IsConnected()) << "without \"kick\" the player stays";
    EXPECT_TRUE(server->Bans().IsIdBanned("STEAM_0:1:123"));
    EXPECT_TRUE(ConsoleHas("Banid: \"alice<" + std::to_string(alice.UserId()) +
                           "><STEAM_0:1:123><>\" was banned \"permanently\" by \"Console\""));
    Console("banid 5 STEAM_0:0:77 kick");
    sim::Client& bob = Player("bob", "STEAM_0:0:77");
    EXPECT_EQ(bob.State(), sim::ClientState::Rejected);
    EXPECT_EQ(bob.DisconnectReason(), "You have been banned from this server.");
    Console("kickid " + std::to_string(alice.UserId()));
    sim::Client& again = Player("alice", "STEAM_0:1:123");
    EXPECT_EQ(again.State(), sim::ClientState::Rejected);
}

TEST_F(SrcdsSimCommands, BanIdKickFlagDisconnectsAndPendingIdsCannotBeBanned) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    Console("banid 0 STEAM_0:1:123 kick");
    EXPECT_EQ(alice.DisconnectReason(), "Kicked and banned");
    sim::Client& late = Connect("late", [](sim::ClientSpec& spec) { spec.validateAfter = -1; });
    Console("banid 0 " + std::to_string(late.UserId()));
    EXPECT_TRUE(ConsoleHas("Can't ban users with ID \"STEAM_ID_PENDING\""));
    sim::Client& bot = server->Clients().AddFakeClient("Bot01", sim::ClientKind::Bot);
    Console("banid 0 " + std::to_string(bot.UserId()));
    EXPECT_TRUE(ConsoleHas("Can't ban users with ID \"BOT\""));
    Console("sv_lan 1");
    Console("banid 0 STEAM_0:0:1");
    EXPECT_TRUE(ConsoleHas("Can't ban users on a LAN"));
    EXPECT_FALSE(server->Bans().IsIdBanned("STEAM_0:0:1"));
}

TEST_F(SrcdsSimCommands, TheQueueStyleBanLineBansAndWritesTheFile) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    const std::string uid = std::to_string(alice.UserId());
    server->ServerCommand("banid 0 " + uid + "; writeid\n");
    server->ServerCommand("kickid " + uid + " Banned: [Travik] Banned for cvar violation\n");
    server->ServerExecute();
    EXPECT_EQ(alice.DisconnectReason(),
              "Kicked by Console : Banned: [Travik] Banned for cvar violation");
    std::string file;
    ASSERT_TRUE(folder.ReadFile("cfg/banned_user.cfg", file));
    EXPECT_EQ(file, "banid 0 STEAM_0:1:123\n");
}

TEST_F(SrcdsSimCommands, TimedBansAreNotWrittenAndExpireOnTheWallClock) {
    sim::WallClock::Set(1'800'000'000.0);
    Console("banid 0 STEAM_0:1:1");
    Console("banid 10 STEAM_0:1:2");
    Console("writeid");
    std::string file;
    ASSERT_TRUE(folder.ReadFile("cfg/banned_user.cfg", file));
    EXPECT_EQ(file, "banid 0 STEAM_0:1:1\n");
    EXPECT_TRUE(server->Bans().IsIdBanned("STEAM_0:1:2"));
    server->RunSeconds(601);
    EXPECT_FALSE(server->Bans().IsIdBanned("STEAM_0:1:2"));
    EXPECT_TRUE(server->Bans().IsIdBanned("STEAM_0:1:1"));
}

TEST_F(SrcdsSimCommands, AddIpDisconnectsTheAddressAndWriteIpSavesIt) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123", "10.0.0.5:27005");
    sim::Client& bob = Player("bob", "STEAM_0:1:124", "10.0.0.6:27005");
    server->ServerCommand("addip 0 10.0.0.5; writeip\n");
    server->ServerExecute();
    EXPECT_EQ(alice.DisconnectReason(), "Added to banned list");
    EXPECT_TRUE(bob.IsConnected());
    std::string file;
    ASSERT_TRUE(folder.ReadFile("cfg/banned_ip.cfg", file));
    EXPECT_EQ(file, "addip 0 10.0.0.5\n");
    sim::Client& back = Player("alice2", "STEAM_0:1:125", "10.0.0.5:27010");
    EXPECT_EQ(back.DisconnectReason(), "You have been banned from this server.");
    Console("addip 0 10.0.0");
    EXPECT_TRUE(ConsoleHas("Invalid IP address!"));
    Console("removeip 10.0.0.5");
    EXPECT_FALSE(server->Bans().IsIpBanned("10.0.0.5"));
}

TEST_F(SrcdsSimCommands, StatusListsPlayersToWhoeverAsked) {
    Console("hostname Test Host");
    sim::Client& alice = Player("alice", "STEAM_0:1:123", "10.0.0.5:27005");
    server->Clients().AddFakeClient("Bot01", sim::ClientKind::Bot);
    server->Clients().ExecuteClientLine(alice, "status");
    const sim::TextLog& console = alice.GetInbox().Console();
    EXPECT_TRUE(console.Contains("hostname: Test Host\n"));
    EXPECT_TRUE(console.Contains("version : 1.0.0.34/7 5135 secure\n"));
    EXPECT_TRUE(console.Contains("map     :  de_dust2 at: 0 x, 0 y, 0 z\n"));
    EXPECT_TRUE(console.Contains("players :  2 (8 max)\n"));
    EXPECT_TRUE(console.Contains("\"alice\""));
    EXPECT_TRUE(console.Contains("STEAM_0:1:123"));
    EXPECT_TRUE(console.Contains("10.0.0.5:27005"));
    EXPECT_TRUE(console.Contains("\"Bot01\""));
    EXPECT_FALSE(ConsoleHas("hostname: Test Host")) << "not on the server console";
}

TEST_F(SrcdsSimCommands, PauseNeedsSvPausableAndFreezesGameTime) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    Console("pause");
    EXPECT_TRUE(ConsoleHas("Pause not allowed."));
    EXPECT_FALSE(server->IsPaused());
    Console("sv_pausable 1");
    server->Clients().ExecuteClientLine(alice, "pause");
    EXPECT_TRUE(server->IsPaused());
    EXPECT_TRUE(alice.GetInbox().Console().Contains("alice paused the game\n"));
    const float before = server->Globals().curtime;
    const int frames = server->Globals().framecount;
    server->RunTicks(10);
    EXPECT_EQ(server->Globals().curtime, before);
    EXPECT_EQ(server->Globals().framecount, frames + 10);
    Console("pause");
    EXPECT_TRUE(ConsoleHas("Console unpaused the game\n"));
    server->RunTicks(1);
    EXPECT_GT(server->Globals().curtime, before);
}

TEST_F(SrcdsSimCommands, ChangeLevelKeepsPlayersAndRestartsGameTime) {
    InstallTestPlugin();
    server.reset();
    StartServer("+maxplayers 8 +map de_dust2");
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    server->RunTicks(100);
    TestPlugin()->ClearCalls();
    Console("changelevel de_nowhere");
    EXPECT_TRUE(ConsoleHas("changelevel failed: de_nowhere not found"));
    Console("changelevel de_nuke");
    EXPECT_EQ(server->MapName(), "de_dust2") << "the change comes with the next frame";
    server->RunFrame();
    EXPECT_EQ(server->MapName(), "de_nuke");
    EXPECT_STREQ(server->Globals().mapname, "de_nuke");
    Strings calls = CallsWithoutCommandClient();
    const auto frees = std::erase_if(
        calls, [](const std::string& call) { return call.rfind("OnEdictFreed", 0) == 0; });
    EXPECT_EQ(frees, 31u) << "de_dust2's map and team entities go with its level";
    EXPECT_EQ(calls,
              (Strings{"LevelShutdown", "LevelInit de_nuke", "OnEdictAllocated 9",
                       "OnEdictAllocated 10", "OnEdictAllocated 11", "OnEdictAllocated 12",
                       "ServerActivate 13 8", "ClientPutInServer 1 alice", "ClientActive 1"}));
    EXPECT_TRUE(alice.IsActive());
    EXPECT_EQ(server->Globals().tickcount, 1);
    EXPECT_EQ(server->Globals().framecount, 101);
}

TEST_F(SrcdsSimCommands, SourceTVRecordsDemosWhenItRuns) {
    Console("tv_record match1");
    EXPECT_TRUE(ConsoleHas("SourceTV not active."));
    Console("tv_enable 1");
    Console("map de_dust2");
    server->RunFrame();
    ASSERT_TRUE(server->TV().IsActive());
    Console("tv_record match1");
    EXPECT_TRUE(ConsoleHas("Recording SourceTV demo to match1.dem..."));
    Console("tv_record match2");
    EXPECT_TRUE(ConsoleHas("Already recording."));
    server->RunSeconds(2);
    Console("tv_stoprecord");
    EXPECT_TRUE(ConsoleHas("Completed SourceTV demo \"match1.dem\", recording time 2.0"));
    std::string demo;
    EXPECT_TRUE(folder.ReadFile("match1.dem", demo));
    Console("tv_stoprecord");
    EXPECT_TRUE(ConsoleHas("Not recording SourceTV demo."));
    Console("tv_record ../escape");
    EXPECT_TRUE(ConsoleHas("Invalid demo name"));
}

TEST_F(SrcdsSimCommands, ConsoleSayReachesPlayersAsTheServer) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    Console("say hello all");
    EXPECT_TRUE(ConsoleHas("Console: hello all\n"));
    const auto chat = alice.GetInbox().OfKind(sim::InboxKind::Chat);
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0]->text, "Console: hello all");
    EXPECT_EQ(chat[0]->sender, 0);
    ASSERT_EQ(Events("player_say").size(), 1u);
    EXPECT_EQ(Events("player_say")[0].values.at("userid"), "0");
}

TEST_F(SrcdsSimCommands, ConsoleCommandsTellTheGameTheCommandClientIsTheConsole) {
    sim::Client& alice = Player("alice", "STEAM_0:1:123");
    server->Clients().ExecuteClientLine(alice, "say hi");
    EXPECT_EQ(server->Commands().Source(), sim::CommandDispatcher::kConsole);
    Console("sv_cheats 1");
    Console("ent_create logic_timer");
    EXPECT_EQ(server->Game().Sim()->CountEntities("logic_timer"), 1);
    Console("ent_fire logic_timer kill");
    EXPECT_EQ(server->Game().Sim()->CountEntities("logic_timer"), 0);
}

}  // namespace

namespace {

class SrcdsSimStartUp : public SimServerTest {};

TEST_F(SrcdsSimStartUp, PlusCommandsRunInOrderAfterThePluginsLoad) {
    InstallTestPlugin();
    folder.WriteFile("cfg/match.cfg", "mp_startmoney 1200\necho match config\n");
    StartServer("+exec match.cfg +sv_region 3 +map de_train");
    EXPECT_STREQ(Var("mp_startmoney"), "1200");
    EXPECT_STREQ(Var("sv_region"), "3");
    EXPECT_EQ(server->MapName(), "de_train");
    const std::string text = server->Console().Text();
    EXPECT_LT(text.find("[sim] test plug-in loaded"), text.find("match config"));
}

TEST_F(SrcdsSimStartUp, ConsoleCommandsTellThePluginsTheConsoleIsTheCommandClient) {
    InstallTestPlugin();
    StartServer();
    TestPlugin()->ClearCalls();
    Console("echo one; echo two");
    EXPECT_EQ(Calls("SetCommandClient"), (Strings{"SetCommandClient -1", "SetCommandClient -1"}));
}

TEST_F(SrcdsSimStartUp, SvPureTakesEffectWithTheNextMapAndMaxPlayersOnlyBetweenLevels) {
    StartServer("+maxplayers 10");
    Console("sv_pure 3");
    EXPECT_TRUE(ConsoleHas("sv_pure: Only values 0, 1, and 2 are allowed."));
    Console("sv_pure 2");
    EXPECT_EQ(server->PureLevel(), 0);
    Console("maxplayers 12");
    EXPECT_EQ(server->MaxClients(), 12);
    Console("map de_dust2");
    server->RunFrame();
    EXPECT_EQ(server->PureLevel(), 2);
    Console("maxplayers 20");
    EXPECT_TRUE(ConsoleHas("Cannot change maxplayers while the server is running"));
    EXPECT_EQ(server->Globals().maxClients, 12);
}

}  // namespace

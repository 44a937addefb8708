// The organiser's match tools on a srcds-sim server with SourceTV: team
// kicks, demos named after the map and the local time with every player's
// Steam ID inside, and the pause guard of war mode.
#include <shareddefs.h>

#include <string>

#include "TravikServerTest.h"
#include "engine/SourceTV.h"
#include "engine/WallClock.h"

namespace {

const char* const kInactive = "[Travik] Plugin must be active to run this command! (tk_active)\n";
const char* const kNoWarMode = "[Travik] tk_warmode must be enabled to use this function\n";
const char* const kNoSourceTV =
    "[Travik] SourceTV is not connected, use \"tv_enable 1\" then changelevel to activate\n";
const char* const kDefaultReason = "Kicked by Console : Your team have been kicked from the server";

constexpr double k2105On3March2026 = 1772571900.0;  // UTC
const char* const kDust2Demo = "de_dust2_260303_2105";

// A chat line as the demo file records it.
std::string DemoChat(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return " 3 chat \"" + escaped + "\"\n";
}

class TKMatchFeature : public TravikServerTest {
protected:
    void SetUp() override {
        sim::WallClock::Set(k2105On3March2026);
        InstallTravik();
    }
    void TearDown() override { sim::WallClock::Clear(); }

    // SourceTV comes with the level change that war mode brings (or one of
    // its own without war mode).
    void Start(bool warMode = true) {
        StartServer("-insecure +maxplayers 20 +mp_freezetime 5 +map de_dust2");
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        Console("tv_enable 1");
        Console(warMode ? "tk_warmode 1" : "changelevel de_dust2");
        server->RunSeconds(1.0);
        ASSERT_NE(server->TV().GetClient(), nullptr) << ConsoleText();
        ClearConsole();
    }

    static bool Kicked(const sim::Client& client, const std::string& reason) {
        return !client.IsConnected() && client.WasRemovedByServer() &&
               client.DisconnectReason() == reason;
    }

    std::string Demo(const std::string& name) const {
        std::string contents;
        folder.ReadFile(name + ".dem", contents);
        return contents;
    }

    bool SourceTVConnected() const {
        const sim::Client* tv = server->TV().GetClient();
        return tv && tv->IsConnected();
    }

    // Each team kick prints exactly that line and kicks nobody, not even in
    // the next frame.
    void ExpectEachRefused(const char* line) {
        for (const char* command : {"tk_kickt", "tk_kickct", "tk_kickspec \"go away\""}) {
            ClearConsole();
            Console(command);
            EXPECT_EQ(ConsoleText(), line) << command;
        }
        server->RunFrame();
    }

    // The game commencing round ends when both sides have players; the
    // restart after it starts a round in freeze time.
    void BeginFirstRound() { server->RunSeconds(3.5); }
    void EndFreezeTime() { server->RunSeconds(5.5); }
};

TEST_F(TKMatchFeature, TeamKicksAreRefusedWithTheirLineOutOfWarModeOrWhileInactive) {
    Start(false);
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    sim::Client& carol = Join("carol", TEAM_CT);
    sim::Client& dave = Join("dave", TEAM_SPECTATOR);
    ExpectEachRefused(kNoWarMode);
    EXPECT_TRUE(alice.IsConnected() && carol.IsConnected() && dave.IsConnected());
    // The inactive line comes first, whatever war mode says.
    Console("tk_warmode 1");
    server->RunSeconds(1.0);
    Console("tk_active 0");
    sim::Client& bob = Join("bob", TEAM_TERRORIST);
    sim::Client& frank = Join("frank", TEAM_CT);
    sim::Client& gina = Join("gina", TEAM_SPECTATOR);
    ExpectEachRefused(kInactive);
    EXPECT_TRUE(bob.IsConnected() && frank.IsConnected() && gina.IsConnected());
    EXPECT_TRUE(SourceTVConnected());
}

TEST_F(TKMatchFeature, TeamKicksTakeBotsAndTheUnassignedButNeverSourceTV) {
    Start();
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    sim::Client& bob = Join("bob", TEAM_TERRORIST);
    sim::Client& tbot = AddBot("tbot", TEAM_TERRORIST);
    sim::Client& carol = Join("carol", TEAM_CT);
    sim::Client& ctbot = AddBot("ctbot", TEAM_CT);
    sim::Client& dave = Join("dave", TEAM_SPECTATOR);
    sim::Client& erin = Join("erin", TEAM_UNASSIGNED);

    Console("tk_kickt");
    for (sim::Client* t : {&alice, &bob, &tbot}) {
        EXPECT_TRUE(Kicked(*t, kDefaultReason)) << t->Name() << ": " << t->DisconnectReason();
    }
    for (sim::Client* other : {&carol, &ctbot, &dave, &erin}) {
        EXPECT_TRUE(other->IsConnected()) << other->Name();
    }

    Console("tk_kickspec \"the stands are closed\"");
    EXPECT_TRUE(Kicked(dave, "Kicked by Console : the stands are closed"));
    EXPECT_TRUE(Kicked(erin, "Kicked by Console : the stands are closed")) << "no team yet";
    EXPECT_TRUE(SourceTVConnected()) << "SourceTV sits with the spectators";
    EXPECT_TRUE(carol.IsConnected());

    Console("tk_kickct");
    EXPECT_TRUE(Kicked(carol, kDefaultReason));
    EXPECT_TRUE(Kicked(ctbot, kDefaultReason));
    EXPECT_TRUE(SourceTVConnected());
    // An empty team: nothing to do and nothing said.
    ClearConsole();
    Console("tk_kickt");
    EXPECT_EQ(ConsoleText(), "");
}

TEST_F(TKMatchFeature, AQuotedReasonIsOneReasonTwoWordsAreAUsageError) {
    Start();
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    sim::Client& carol = Join("carol", TEAM_CT);
    sim::Client& dave = Join("dave", TEAM_SPECTATOR);

    Console("tk_kickct match over");
    Console("tk_kickspec match over");
    EXPECT_TRUE(ConsoleHas("tk_kickct format: tk_kickct <REASON>\n"));
    EXPECT_TRUE(ConsoleHas("tk_kickspec format: tk_kickspec <REASON>\n"));
    server->RunFrame();
    EXPECT_TRUE(carol.IsConnected());
    EXPECT_TRUE(dave.IsConnected());

    Console("tk_kickt \"match over\"");
    EXPECT_TRUE(Kicked(alice, "Kicked by Console : match over")) << alice.DisconnectReason();
    EXPECT_TRUE(carol.IsConnected());
}

// A reason reaches the host's kick command line: it stays one argument of
// one command whatever it holds.
TEST_F(TKMatchFeature, AKickReasonNeverRunsASecondCommand) {
    Start();
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    sim::Client& carol = Join("carol", TEAM_CT);
    Console("tk_kickt \"x; tk_warmode 0; quit\"");
    EXPECT_TRUE(server->IsUp());
    EXPECT_FALSE(server->QuitRequested());
    EXPECT_EQ(Var("tk_warmode"), "1");
    EXPECT_TRUE(Kicked(alice, "Kicked by Console : x, tk_warmode 0, quit"))
        << alice.DisconnectReason();

    // A line break inside a reason can only come from a caller that builds
    // the arguments itself.
    ConCommandBase* kickct = server->Cvar().FindCommandBase("tk_kickct");
    ASSERT_NE(kickct, nullptr);
    CCommand args;
    ASSERT_TRUE(args.Tokenize("tk_kickct \"bye\nquit\""));
    ASSERT_EQ(args.ArgC(), 2);
    ASSERT_NE(std::string(args.Arg(1)).find('\n'), std::string::npos);
    static_cast<ConCommand*>(kickct)->Dispatch(args);
    server->RunFrame();
    EXPECT_TRUE(server->IsUp());
    EXPECT_FALSE(server->QuitRequested());
    EXPECT_TRUE(Kicked(carol, "Kicked by Console : bye quit")) << carol.DisconnectReason();
}

TEST_F(TKMatchFeature, RecordNamesTheDemoAfterMapAndTimeWithTheSteamIDsInside) {
    Start();
    Join("alice", TEAM_TERRORIST, [](sim::ClientSpec& spec) { spec.steamId = "STEAM_0:1:4242"; });
    AddBot("tbot", TEAM_TERRORIST);
    Join("carol", TEAM_CT, [](sim::ClientSpec& spec) { spec.steamId = "STEAM_0:0:77"; });
    sim::WallClock::Set(k2105On3March2026);
    Console("tk_record");
    EXPECT_TRUE(ConsoleHas("[Travik] Recording demo to: \"de_dust2_260303_2105\"\n"))
        << ConsoleText();
    ASSERT_TRUE(server->TV().IsRecording());
    EXPECT_EQ(server->TV().DemoName(), std::string(kDust2Demo) + ".dem");
    const std::string demo = Demo(kDust2Demo);
    ASSERT_TRUE(demo.starts_with(std::string("HL2DEMO", 8)));
    for (const char* line :
         {"Travik Server Plugin [4.6Beta]", "Travik settings:\n", "\n \nPlayer Steam IDs:\n",
          "alice - 0:1:4242\n", "carol - 0:0:77\n"}) {
        EXPECT_NE(demo.find(DemoChat(line)), std::string::npos) << line << "\n" << demo;
    }
    EXPECT_EQ(demo.find("tbot"), std::string::npos) << "bots have no Steam ID to list";
    EXPECT_LT(demo.find(DemoChat("alice - 0:1:4242\n")), demo.find(DemoChat("carol - 0:0:77\n")));
    EXPECT_EQ(CountOf(demo, DemoChat(" \n")), 16) << "eight blank lines before and after";

    Console("tk_stoprecord");
    EXPECT_FALSE(server->TV().IsRecording());
}

// The demo's list is evidence of who played: a name cannot add a line to it.
TEST_F(TKMatchFeature, ANameCannotAddALineToTheDemosSteamIDList) {
    Start();
    Join("mallory\ncarol - 0:0:77", TEAM_TERRORIST,
         [](sim::ClientSpec& spec) { spec.steamId = "STEAM_0:1:5"; });
    sim::WallClock::Set(k2105On3March2026);
    Console("tk_record");
    ASSERT_TRUE(server->TV().IsRecording());
    const std::string demo = Demo(kDust2Demo);
    EXPECT_NE(demo.find(DemoChat("mallorycarol - 0:0:77 - 0:1:5\n")), std::string::npos) << demo;
    EXPECT_EQ(demo.find(DemoChat("carol - 0:0:77\n")), std::string::npos);
    Console("tk_stoprecord");
}

TEST_F(TKMatchFeature, RecordWhileADemoRunsStopsItAndStartsTheNewOne) {
    Start();
    Join("alice", TEAM_TERRORIST);
    Console("tv_record earlier");
    ASSERT_TRUE(server->TV().IsRecording());
    server->RunSeconds(2.0);
    sim::WallClock::Set(k2105On3March2026);
    ClearConsole();
    Console("tk_record");
    EXPECT_TRUE(ConsoleHas("Completed SourceTV demo \"earlier.dem\"")) << ConsoleText();
    EXPECT_FALSE(ConsoleHas("Already recording")) << ConsoleText();
    EXPECT_EQ(server->TV().DemoName(), std::string(kDust2Demo) + ".dem");
    EXPECT_EQ(CountOf(Demo("earlier"), DemoChat("\n \nPlayer Steam IDs:\n")), 1);
    EXPECT_EQ(CountOf(Demo(kDust2Demo), DemoChat("\n \nPlayer Steam IDs:\n")), 1);
}

TEST_F(TKMatchFeature, RecordWithoutSourceTVSaysSoAndRecordsNothing) {
    StartServer("-insecure +map de_dust2");
    Console("tk_warmode 1");
    server->RunSeconds(1.0);
    ClearConsole();
    Console("tk_record");
    EXPECT_EQ(ConsoleText(), kNoSourceTV);
    EXPECT_FALSE(server->TV().IsRecording());
    EXPECT_EQ(Demo(kDust2Demo), "");
}

TEST_F(TKMatchFeature, AManualTvRecordGetsTheSteamIDsInWarModeOnly) {
    Start(false);
    Join("alice", TEAM_TERRORIST);
    Console("tv_record casual");
    ASSERT_TRUE(server->TV().IsRecording());
    Console("tv_stoprecord");
    EXPECT_EQ(Demo("casual").find("Player Steam IDs"), std::string::npos) << "war mode is off";

    Console("tk_warmode 1");
    server->RunSeconds(1.0);
    Join("bob", TEAM_TERRORIST, [](sim::ClientSpec& spec) { spec.steamId = "STEAM_0:1:9"; });
    Console("tv_record war");
    Console("tv_stoprecord");
    EXPECT_NE(Demo("war").find(DemoChat("bob - 0:1:9\n")), std::string::npos) << Demo("war");

    Console("tk_active 0");
    server->RunSeconds(1.0);
    Console("tv_record inactive");
    Console("tv_stoprecord");
    EXPECT_NE(Demo("inactive").size(), 0u);
    EXPECT_EQ(Demo("inactive").find("Player Steam IDs"), std::string::npos);
    EXPECT_TRUE(ConsoleHas("[Travik] Unhooked Server ConCommand \"tv_record\"\n"));
    EXPECT_TRUE(ConsoleHas("[Travik] Unhooked Server ConCommand \"pause\"\n"));
}

// A map name may hold what a command line or a file name cannot.
TEST_F(TKMatchFeature, ADemoNameFromAnOddMapNameIsOnePlainFileName) {
    std::string bsp;
    ASSERT_TRUE(folder.ReadFile("maps/de_dust2.bsp", bsp));
    ASSERT_TRUE(folder.WriteFile("maps/x;quit b:c.bsp", bsp));
    Start();
    Console("changelevel \"x;quit b:c\"");
    server->RunSeconds(1.0);
    ASSERT_EQ(server->MapName(), "x;quit b:c");
    ASSERT_NE(server->TV().GetClient(), nullptr);
    sim::WallClock::Set(k2105On3March2026);
    Console("tk_record");
    EXPECT_TRUE(server->IsUp());
    EXPECT_FALSE(server->QuitRequested());
    EXPECT_EQ(server->TV().DemoName(), "x_quit_b_c_260303_2105.dem");
    EXPECT_TRUE(ConsoleHas("[Travik] Recording demo to: \"x_quit_b_c_260303_2105\"\n"));
    EXPECT_NE(Demo("x_quit_b_c_260303_2105"), "");
}

// What follows tk_record on the console line runs after it, never inside
// it: not even a plugin_unload that takes the module away.
TEST_F(TKMatchFeature, TheRestOfTheConsoleLineRunsAfterTheRecordCommand) {
    Start();
    Join("alice", TEAM_TERRORIST);
    sim::WallClock::Set(k2105On3March2026);
    Console("tk_record; echo after the record; plugin_unload 0");
    EXPECT_TRUE(server->IsUp());
    EXPECT_EQ(server->Plugins().Count(), 0);
    const std::string& console = ConsoleText();
    const size_t recording = console.find("[Travik] Recording demo to: \"de_dust2_260303_2105\"\n");
    ASSERT_NE(recording, std::string::npos) << console;
    EXPECT_LT(recording, console.find("after the record\n"));
    EXPECT_NE(Demo(kDust2Demo).find(DemoChat("\n \nPlayer Steam IDs:\n")), std::string::npos);
}

// The recording ends with the level; the next level records afresh, with
// one Steam ID block and no second hook.
TEST_F(TKMatchFeature, ALevelChangeDuringARecordingLeavesNothingBehind) {
    Start();
    Join("alice", TEAM_TERRORIST);
    sim::WallClock::Set(k2105On3March2026);
    Console("tk_record");
    ASSERT_TRUE(server->TV().IsRecording());
    Console("changelevel de_inferno");
    server->RunSeconds(1.0);
    EXPECT_FALSE(server->TV().IsRecording());
    EXPECT_TRUE(ConsoleHas("Completed SourceTV demo \"de_dust2_260303_2105.dem\""));
    EXPECT_FALSE(ConsoleHas("[Travik] Hooked Server ConCommand")) << "hooked once, at the start";

    sim::WallClock::Set(k2105On3March2026 + 60.0);
    Console("tk_record");
    EXPECT_EQ(server->TV().DemoName(), "de_inferno_260303_2106.dem");
    EXPECT_EQ(CountOf(Demo("de_inferno_260303_2106"), DemoChat("\n \nPlayer Steam IDs:\n")), 1);
    Console("tk_stoprecord");
    Console("tk_stoprecord");
    EXPECT_TRUE(server->IsUp());
}

class TKMatchPauseFeature : public TKMatchFeature {
protected:
    void StartRound(bool pausable) {
        Start();
        Console(pausable ? "sv_pausable 1" : "sv_pausable 0");
        alice = &Join("alice", TEAM_TERRORIST);
        carol = &Join("carol", TEAM_CT);
        BeginFirstRound();
    }

    // Pauses, checks, and unpauses again when it paused.
    bool Pauses() {
        Console("pause");
        const bool paused = server->IsPaused();
        if (paused) {
            Console("pause");
        }
        return paused;
    }

    sim::Client* alice = nullptr;
    sim::Client* carol = nullptr;
};

TEST_F(TKMatchPauseFeature, WarModeAllowsAPauseOnlyWhileNobodyPlays) {
    StartRound(true);
    EXPECT_TRUE(Pauses()) << "freeze time";
    EXPECT_TRUE(ConsoleHas("Console paused the game\n"));
    EXPECT_TRUE(ConsoleHas("Console unpaused the game\n"));

    EndFreezeTime();
    ClearConsole();
    EXPECT_FALSE(Pauses()) << "live play";
    EXPECT_EQ(ConsoleText(), "") << "refused without a word";

    // The round ends when the last terrorist falls.
    server->Game().Sim()->Hurt(alice->EntityIndex(), carol->EntityIndex(), 200, "m4a1");
    server->RunFrame();
    EXPECT_TRUE(Pauses()) << "round end";
}

// "setpause" starts a pause as "pause" does, and a player may send either
// from his console: the same rule holds for all of them.
TEST_F(TKMatchPauseFeature, SetpauseAndAPlayersPauseKeepTheSameRule) {
    StartRound(true);
    EndFreezeTime();
    ClearConsole();
    Console("setpause");
    EXPECT_FALSE(server->IsPaused()) << "live play";
    server->Clients().ExecuteClientLine(*alice, "setpause");
    EXPECT_FALSE(server->IsPaused()) << "a player's setpause";
    server->Clients().ExecuteClientLine(*carol, "pause");
    EXPECT_FALSE(server->IsPaused()) << "a player's pause";
    EXPECT_EQ(ConsoleText(), "") << "refused without a word";

    server->Game().Sim()->Hurt(alice->EntityIndex(), carol->EntityIndex(), 200, "m4a1");
    server->RunFrame();
    server->Clients().ExecuteClientLine(*carol, "setpause");
    EXPECT_TRUE(server->IsPaused()) << "round end";
    server->Clients().ExecuteClientLine(*carol, "unpause");
    EXPECT_FALSE(server->IsPaused());

    Console("tk_active 0");
    EXPECT_TRUE(ConsoleHas("[Travik] Unhooked Server ConCommand \"setpause\"\n"));
    Console("tk_active 1");
    EXPECT_TRUE(ConsoleHas("[Travik] Hooked Server ConCommand \"setpause\"\n"));
}

TEST_F(TKMatchPauseFeature, WithoutSvPausableTheHostRefusesByItself) {
    StartRound(false);
    EndFreezeTime();
    ClearConsole();
    EXPECT_FALSE(Pauses());
    EXPECT_TRUE(ConsoleHas("Pause not allowed.\n")) << "the host's own handler ran";
}

TEST_F(TKMatchPauseFeature, OutOfWarModeOrInactiveThePauseIsTheHosts) {
    StartRound(true);
    EndFreezeTime();
    Console("tk_active 0");
    EXPECT_TRUE(Pauses()) << "inactive";
    Console("tk_active 1");
    Console("tk_warmode 0");
    server->RunSeconds(1.0);
    alice = &Join("alice2", TEAM_TERRORIST);
    carol = &Join("carol2", TEAM_CT);
    BeginFirstRound();
    EndFreezeTime();
    EXPECT_TRUE(Pauses()) << "war mode off, live play";
}

// The load refuses a host without either command it guards.
class TKMatchLoadFeature : public TravikServerTest {
protected:
    void LoadWithout(const char* name) {
        InstallModule();
        StartIdleServer();
        ConCommandBase* command = server->Cvar().FindCommandBase(name);
        ASSERT_NE(command, nullptr);
        server->Cvar().UnregisterConCommand(command);
        Console("plugin_load addons/travik");
        EXPECT_EQ(server->Plugins().Count(), 0);
        EXPECT_TRUE(ConsoleHas("[Travik] Failed to initialise internal classes\n"))
            << ConsoleText();
        EXPECT_FALSE(AnyTravikVariable());
    }
};

TEST_F(TKMatchLoadFeature, ALoadWithoutTvRecordIsRefused) {
    LoadWithout("tv_record");
}

TEST_F(TKMatchLoadFeature, ALoadWithoutPauseIsRefused) {
    LoadWithout("pause");
}

}  // namespace

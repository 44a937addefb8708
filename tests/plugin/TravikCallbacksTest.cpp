// The host's callbacks as players and the operator meet them: the client
// commands the plug-in answers or lets through, names it refuses, what it
// says at a round start, what it logs when a player leaves, and what a
// level start checks and forces.
#include <tier1/interface.h>

#include <algorithm>
#include <string>

#include "ISimTestPlugin.h"
#include "TravikServerTest.h"

namespace {

class TravikCallbacksFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    // A second plug-in after travik hears whatever travik lets through.
    void StartWithObserver() {
        ASSERT_TRUE(folder.InstallAddon(SIM_TEST_PLUGIN_PATH, "zz_observer"));
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 2) << ConsoleText();
        CreateInterfaceFn factory = server->Plugins().ModuleFactory(1);
        observer = static_cast<ISimTestPlugin*>(factory(SIM_TEST_PLUGIN_VERSION, nullptr));
        ASSERT_NE(observer, nullptr);
    }

    // Whether the command reached the plug-in after travik.
    bool PassedOn(sim::Client& client, const std::string& line) {
        observer->ClearCalls();
        ClientLine(client, line);
        const std::string heard =
            "ClientCommand " + std::to_string(client.EntityIndex()) + " " + line;
        for (int i = 0; i < observer->CallCount(); ++i) {
            if (heard == observer->Call(i)) {
                return true;
            }
        }
        return false;
    }

    void RestartRound() {
        Console("mp_restartgame 1");
        server->RunSeconds(1.5);
    }

    ISimTestPlugin* observer = nullptr;
};

TEST_F(TravikCallbacksFeature, OwnCommandsAreAnsweredWhileActiveAndReachTheGameOtherwise) {
    StartWithObserver();
    sim::Client& alice = Connect("alice");
    EXPECT_FALSE(PassedOn(alice, "tk_status"));
    EXPECT_NE(ClientConsole(alice).find("\nTravik WarMode: DISABLED\n"), std::string::npos);
    EXPECT_FALSE(PassedOn(alice, "tk_warnings"));
    EXPECT_FALSE(PassedOn(alice, "tk_netinfo"));
    EXPECT_EQ(ClientConsole(alice).find("Unknown command"), std::string::npos);

    Console("tk_active 0");
    alice.GetInbox().Clear();
    EXPECT_TRUE(PassedOn(alice, "tk_status"));
    EXPECT_EQ(ClientConsole(alice), "Unknown command: tk_status\n");
}

TEST_F(TravikCallbacksFeature, SpectatingIsRefusedToPlayersWithoutATeam) {
    StartWithObserver();
    sim::Client& alice = Connect("alice");  // not on a team yet
    sim::Client& bob = Connect("bob");
    ClientLine(bob, "jointeam 1");
    // The game takes these names in any case, and so does the refusal.
    for (const char* command :
         {"spec_mode", "spec_next", "spec_prev", "SPEC_MODE 4", "Spec_Next", "spec_PREV"}) {
        EXPECT_FALSE(PassedOn(alice, command)) << command;
        EXPECT_TRUE(PassedOn(bob, command)) << command;
        server->RunSeconds(1.0);  // within the command-rate limit
    }
    Console("tk_active 0");
    EXPECT_TRUE(PassedOn(alice, "spec_next"));
}

TEST_F(TravikCallbacksFeature, VoiceMuteListsAlwaysReachTheGameAndRadioIgnoringNever) {
    StartWithObserver();
    sim::Client& alice = Connect("alice");
    EXPECT_TRUE(PassedOn(alice, "vban 1 0"));
    EXPECT_TRUE(PassedOn(alice, "vban"));
    EXPECT_TRUE(PassedOn(alice, "VModEnable 1"));
    EXPECT_FALSE(PassedOn(alice, "ignorerad"));
    EXPECT_FALSE(PassedOn(alice, "IgnoreRad"));
    EXPECT_NE(ClientConsole(alice).find("[Travik] Traviked Command\n"), std::string::npos);
    Console("tk_active 0");
    EXPECT_TRUE(PassedOn(alice, "vban 1 0"));
    EXPECT_TRUE(PassedOn(alice, "ignorerad"));
}

TEST_F(TravikCallbacksFeature, NamesWithControlBytesAreRefusedWhileActive) {
    StartServer();
    sim::Client& mallory = Connect("mal\x03lory");
    EXPECT_EQ(mallory.State(), sim::ClientState::Rejected);
    EXPECT_EQ(mallory.DisconnectReason(), "Travik - Illegal character in player name");
    Console("tk_active 0");
    EXPECT_TRUE(Connect("mal\x01lory").IsActive());
}

// Settings are judged inside the host's callback; the kick comes with the
// next frame.
TEST_F(TravikCallbacksFeature, BrokenNamesAndRatesAreKickedAtTheNextFrame) {
    StartServer();
    struct Case {
        const char* setting;
        const char* value;
        const char* reason;
    };
    const Case cases[] = {
        {"name", "", "Travik - Name Exploit"},
        {"name", "x\x07y", "Travik - Illegal character in player name"},
        {"cl_cmdrate", "+66", "Travik - Illegal character in cl_cmdrate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        sim::Client& player = Connect("player");
        server->Clients().SetSetting(player, c.setting, c.value);
        EXPECT_TRUE(player.IsActive());
        server->RunTicks(1);
        EXPECT_EQ(player.DisconnectReason(), std::string("Kicked by Console : ") + c.reason);
    }
    Console("tk_active 0");
    sim::Client& player = Connect("player");
    server->Clients().SetSetting(player, "name", "");
    server->RunTicks(1);
    EXPECT_TRUE(player.IsActive());
}

TEST_F(TravikCallbacksFeature, WarModeRoundStartsWarnOfCheatsAndOfVacOff) {
    StartServer("-insecure +map de_dust2");
    Console("tk_warmode 1");
    server->RunTicks(1);  // the map reloads
    sim::Client& alice = Connect("alice");
    RestartRound();
    const std::string vac = "\x03WARNING:\x04 VAC has been disabled\n";
    const std::string cheats = "\x03Travik:\x04 Notice - sv_cheats Enabled\n";
    std::vector<std::string> chat = ChatOf(alice);
    EXPECT_EQ(std::count(chat.begin(), chat.end(), vac), 1);
    EXPECT_EQ(std::count(chat.begin(), chat.end(), cheats), 0);

    Console("sv_cheats 1");
    Console("sv_lan 1");
    alice.GetInbox().Clear();
    RestartRound();
    EXPECT_EQ(ChatOf(alice), std::vector<std::string>{cheats});
}

// The listener set is rebuilt at every level: an event is heard once.
TEST_F(TravikCallbacksFeature, AnInactivePluginSaysSoToJoiningPlayersAndAtEachRound) {
    StartServer();
    Console("tk_active 0");
    sim::Client& alice = Connect("alice");
    EXPECT_EQ(ClientConsole(alice),
              "\n[Travik] NOTICE: Travik is installed on this server but is currently disabled! "
              "[tk_active 0]\n\n");
    for (const char* map : {"de_inferno", "de_nuke"}) {
        Console(std::string("changelevel ") + map);
        server->RunTicks(1);
    }
    alice.GetInbox().Clear();
    RestartRound();
    EXPECT_EQ(CountOf(ClientConsole(alice),
                      "* [Travik] Warning: Travik is installed on this "
                      "server, but is currently NOT Active!\n*\n\n"),
              1);
}

TEST_F(TravikCallbacksFeature, APlayerLeavingForMemoryCorruptionIsLogged) {
    StartServer();
    sim::Client& alice = Connect("alice");
    const std::string id = alice.NetworkId();
    server->Clients().Disconnect(alice, "Memory Corruption Detected, restart your game", false);
    const std::string line = "Player: \"alice\" (" + id.substr(6) +
                             ") - was kicked for memory corruption (possible cheater)\n";
    EXPECT_TRUE(ConsoleHas(line));
    EXPECT_NE(ReadLog("travik.log").find(line), std::string::npos);

    Console("tk_active 0");
    sim::Client& bob = Connect("bob");
    server->Clients().Disconnect(bob, "Memory corruption detected", false);
    EXPECT_FALSE(ConsoleHas("\"bob\""));
}

TEST_F(TravikCallbacksFeature, ALevelOnAnotherTickRateMarksTheServerModifiedAndRunsOn) {
    StartServer();
    server->Clock().SetTickInterval(0.01f);
    Console("changelevel de_inferno");
    server->RunTicks(1);
    EXPECT_EQ(Var("tk_status"), "8");
    const std::string line =
        "[Travik] This server has been modified in a way which is not supported\n";
    EXPECT_TRUE(ConsoleHas(line));
    EXPECT_NE(ReadLog("travik.log").find(line), std::string::npos);
    EXPECT_EQ(server->Plugins().Count(), 1);
    EXPECT_EQ(Connect("alice").State(), sim::ClientState::Active);
}

TEST_F(TravikCallbacksFeature, WarModeLevelsForceTheMapFileAndPureServers) {
    StartServer();
    EXPECT_TRUE(server->ForcedExactFiles().empty());
    Console("tk_warmode 1");
    Console("changelevel de_inferno");
    server->RunTicks(2);
    EXPECT_TRUE(ConsoleHas("[Travik] Forcing map: \"maps/de_inferno.bsp\"\n"));
    EXPECT_EQ(server->ForcedExactFiles().count("maps/de_inferno.bsp"), 1u);
    EXPECT_EQ(server->PendingPure(), 2);
}

// A verdict queued just before a level change is forgotten with the level.
TEST_F(TravikCallbacksFeature, ALevelChangeEmptiesTheKickQueue) {
    StartServer();
    sim::Client& alice = Connect("alice");
    server->Clients().SetSetting(alice, "name", "");
    Console("changelevel de_inferno");
    server->RunTicks(2);
    EXPECT_EQ(server->MapName(), "de_inferno");
    EXPECT_TRUE(alice.IsActive());
}

}  // namespace

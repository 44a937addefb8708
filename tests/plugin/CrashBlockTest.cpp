// The crash block as players and the console see it: commands of players
// not in the game go nowhere, and each player has one budget of commands per
// second shared by dispatched console commands and client commands.
#include <tier1/convar.h>

#include "TravikServerTest.h"

namespace {

const char* const kBlocked = "[Travik] Command blocked due to anti-spam settings\n";

class CrashBlockFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    void Start() {
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        alice = &Connect("alice");
        ClearConsole();
    }

    // A refused alias prints to the server console whoever sends it: whether
    // the command ran is visible there.
    void AliasFromSlot(int playerIndex) {
        CCommand args;
        ASSERT_TRUE(args.Tokenize("alias quit x"));
        ConCommand* alias = server->Cvar().FindCommand("alias");
        ASSERT_NE(alias, nullptr);
        server->Commands().DispatchForPlayer(*alias, args, playerIndex);
    }
    bool AliasRan() const { return ConsoleHas("Secure warning"); }

    int Blocked(const sim::Client& client) const {
        return CountOf(ClientConsole(client), kBlocked);
    }

    sim::Client* alice = nullptr;
};

TEST_F(CrashBlockFeature, TheSixthCountedCommandInOneSecondIsRefusedUntilTheWindowEnds) {
    Start();
    ClientLine(*alice, "say one;say two;say three;say four;say five;say six;say seven");
    EXPECT_TRUE(ConsoleHas("alice: five"));
    EXPECT_FALSE(ConsoleHas("alice: six"));
    EXPECT_FALSE(ConsoleHas("alice: seven"));
    EXPECT_EQ(Blocked(*alice), 2);

    server->RunSeconds(0.5);
    ClientLine(*alice, "say still");
    EXPECT_FALSE(ConsoleHas("alice: still")) << "the window does not slide";
    server->RunSeconds(0.6);
    ClientLine(*alice, "say again");
    EXPECT_TRUE(ConsoleHas("alice: again"));

    sim::Client& bob = Connect("bob");
    ClientLine(bob, "say hello");
    EXPECT_TRUE(ConsoleHas("bob: hello")) << "each player has a budget of his own";
    EXPECT_EQ(Blocked(bob), 0);
}

TEST_F(CrashBlockFeature, ClientCommandsShareTheBudgetExceptTheUncountedOnes) {
    Start();
    ClientLine(*alice, "buy ak47;vban 0 0 0 0;VModEnable 1;es_menu;buy deagle;es_x;buy m4a1");
    EXPECT_EQ(Blocked(*alice), 0);
    ClientLine(*alice, "menuselect 1;menuselect 2;say one;say two;say three;say four");
    EXPECT_TRUE(ConsoleHas("alice: three"));
    EXPECT_FALSE(ConsoleHas("alice: four"));
    ClientLine(*alice, "menuselect 3");
    EXPECT_EQ(Blocked(*alice), 2) << "client commands count and are refused alike";
}

TEST_F(CrashBlockFeature, CommandsOfPlayersNotInTheGameAreDroppedEvenWithoutALimit) {
    WriteConfig("tk_active 1\ntk_antispam_max_cmds_per_sec 0\n");
    Start();
    EXPECT_EQ(Var("tk_antispam_max_cmds_per_sec"), "0");
    AliasFromSlot(alice->EntityIndex() - 1);
    EXPECT_TRUE(AliasRan());
    ClearConsole();
    for (int slot : {9, 63, 64, 200}) {
        AliasFromSlot(slot);  // nobody was put in there; 64 and beyond are no players at all
    }
    EXPECT_FALSE(AliasRan());

    const int slot = alice->EntityIndex() - 1;
    server->Clients().Disconnect(*alice, "Disconnect by user.", false);
    AliasFromSlot(slot);
    EXPECT_FALSE(AliasRan()) << "a player who left is out of the game";

    sim::Client& bob = Connect("bob");
    ClientLine(bob, "say 1;say 2;say 3;say 4;say 5;say 6;say 7;say 8");
    EXPECT_TRUE(ConsoleHas("bob: 8"));
    EXPECT_EQ(Blocked(bob), 0);
}

TEST_F(CrashBlockFeature, TheLimitIsFrozenWhileAMapRuns) {
    Start();
    Console("tk_antispam_max_cmds_per_sec 10");
    EXPECT_EQ(Var("tk_antispam_max_cmds_per_sec"), "5");
    const char* refused =
        "[Travik] This cvar may not be changed whilst the server is active (in game)\n";
    EXPECT_EQ(ConsoleCount(refused), 1);
    Console("tk_antispam_max_cmds_per_sec 5");
    EXPECT_EQ(ConsoleCount(refused), 1);
    ClientLine(*alice, "say 1;say 2;say 3;say 4;say 5;say 6");
    EXPECT_FALSE(ConsoleHas("alice: 6"));
}

TEST_F(CrashBlockFeature, TheHooksFollowTheSwitchAndTheActivePlugin) {
    Start();
    Console("tk_crashblock 0");
    EXPECT_TRUE(ConsoleHas("[Travik] Unhooked ConCommands\n"));
    EXPECT_TRUE(ConsoleHas("tk_crashblock changed now \"0\"\n"));
    ClientLine(*alice, "say 1;say 2;say 3;say 4;say 5;say 6");
    EXPECT_TRUE(ConsoleHas("alice: 6"));

    Console("tk_active 0");
    ClearConsole();
    Console("tk_crashblock 1");
    EXPECT_FALSE(ConsoleHas("Hooked ConCommands")) << "waits for the plug-in to be active";
    Console("tk_active 1");
    EXPECT_TRUE(ConsoleHas("[Travik] Hooked ConCommands\n"));
    ClearConsole();
    Console("plugin_unload 0");
    EXPECT_FALSE(ConsoleHas("ConCommands")) << "unload removes the hooks silently";
    Console("alias quit \"say bye\"");
    EXPECT_FALSE(ConsoleHas("Secure warning")) << "the host's own alias is back";
}

// Game time starts again near 0 at every level: a window begun late in the
// last level is stale, not one that lasts until the new level catches up.
TEST_F(CrashBlockFeature, AWindowFromTheLastLevelEndsWithIt) {
    Start();
    server->RunSeconds(120.0);
    ClientLine(*alice, "say 1;say 2;say 3;say 4;say 5;say 6");
    ASSERT_EQ(Blocked(*alice), 1);
    Console("changelevel de_inferno");
    server->RunSeconds(5.0);
    ASSERT_EQ(server->MapName(), "de_inferno");
    ASSERT_LT(server->Globals().curtime, 60.0f);
    ASSERT_TRUE(alice->IsActive());
    ClearConsole();
    ClientLine(*alice, "say hello again");
    EXPECT_TRUE(ConsoleHas("alice: hello again"));
    EXPECT_EQ(Blocked(*alice), 1);
}

// Game time stands still while the game is paused; the window does not, or
// a player past the limit could say nothing more, unpause included, until
// somebody else ended the pause.
TEST_F(CrashBlockFeature, AWindowEndsWhileTheGameIsPaused) {
    Start();
    Console("sv_pausable 1");
    ClientLine(*alice, "pause;say 1;say 2;say 3;say 4;say 5");
    ASSERT_TRUE(server->IsPaused());
    ASSERT_EQ(Blocked(*alice), 1);
    const float gameTime = server->Globals().curtime;
    server->RunSeconds(1.5);
    ASSERT_EQ(server->Globals().curtime, gameTime) << "paused";
    ClientLine(*alice, "say still paused");
    EXPECT_TRUE(ConsoleHas("alice: still paused"));
    ClientLine(*alice, "unpause");
    EXPECT_FALSE(server->IsPaused());
    EXPECT_EQ(Blocked(*alice), 1);
}

}  // namespace

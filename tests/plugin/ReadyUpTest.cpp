// Ready-up as the players see it: tk_readyup in the server console, the
// panel in every player's menu, "!ready" and "!unready" in chat,
// tk_readylist in a player's console, and the live start that ends it, on
// srcds-sim's Counter-Strike: Source game.
#include <shareddefs.h>

#include <string>
#include <vector>

#include "TravikServerTest.h"

namespace {

const char* const kInactive = "[Travik] Plugin must be active to run this command! (tk_active)\n";
const char* const kNeedsWarMode = "[Travik] tk_warmode must be enabled to use this function\n";
const char* const kStarted = "[Travik] Ready-Up Mode Started\n";
const char* const kEnded = "[Travik] Ready Mode Ended\n";
const char* const kEndingPanel = "[Travik] Ready-Up Ended";
const char* const kReady = "\x03[Travik]\x04 You have been marked as ready\n";
const char* const kNotReady = "\x03[Travik]\x04 You have been marked as not-ready\n";
const char* const kLiveAnnounced = "\x03[Travik]\x04 LIVE on three restarts!!!\n";
const char* const kLive = "\x03[Travik]\x04 MATCH IS LIVE!!!\n";
const char* const kIdleList =
    "\n[Travik] Unable to display Ready/Not-Ready list whilst Ready-Up Mode not active\n";

std::string Panel(int tReady, int tAll, int ctReady, int ctAll) {
    return "[Travik] Ready-Up\n \nThe match will begin when all players are ready\nSay: "
           "\"!ready\" to confirm you are ready\n\"!unready\" to remove ready status\nConsole "
           "command: tk_readylist to see ready players\n \nT Team: " +
           std::to_string(tReady) + "/" + std::to_string(tAll) +
           "\nCT Team: " + std::to_string(ctReady) + "/" + std::to_string(ctAll);
}

class ReadyUpFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    // War mode; alice and bob for the terrorists, carol and dave for the
    // counter-terrorists, erin watching, a terrorist bot; the commencing
    // restart is over.
    void Start(bool warMode = true, const std::string& extra = "") {
        StartServer("-insecure +maxplayers 16 +mp_freezetime 20 " + extra + " +map de_dust2");
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        if (warMode) {
            Console("tk_warmode 1");
            server->RunSeconds(1.0);
        }
        alice = &Join("alice", TEAM_TERRORIST);
        bob = &Join("bob", TEAM_TERRORIST);
        carol = &Join("carol", TEAM_CT);
        dave = &Join("dave", TEAM_CT);
        erin = &Join("erin", TEAM_SPECTATOR);
        AddBot("botty", TEAM_TERRORIST);
        server->RunSeconds(3.5);
        Forget();
    }

    void Forget() {
        for (sim::Client* client : {alice, bob, carol, dave, erin}) {
            client->GetInbox().Clear();
        }
        ClearConsole();
    }

    void Say(sim::Client& client, const std::string& text) {
        server->Clients().Say(client, text, false);
    }

    static std::vector<const sim::InboxEntry*> Menus(const sim::Client& client) {
        return client.GetInbox().OfKind(sim::InboxKind::Menu);
    }
    static std::string LastMenu(const sim::Client& client) {
        const auto menus = Menus(client);
        return menus.empty() ? "" : menus.back()->text;
    }
    static int ChatCount(const sim::Client& client, const std::string& line) {
        int count = 0;
        for (const std::string& entry : ChatOf(client)) {
            count += entry == line ? 1 : 0;
        }
        return count;
    }

    sim::Client* alice = nullptr;
    sim::Client* bob = nullptr;
    sim::Client* carol = nullptr;
    sim::Client* dave = nullptr;
    sim::Client* erin = nullptr;
};

TEST_F(ReadyUpFeature, RefusedWithItsOwnLineWhenInactiveOrOutsideWarMode) {
    Start(false);
    Console("tk_readyup");
    EXPECT_EQ(ConsoleCount(kNeedsWarMode), 1);
    Console("tk_active 0");
    Console("tk_warmode 1");
    ClearConsole();
    Console("tk_readyup 1");
    EXPECT_EQ(ConsoleCount(kInactive), 1);
    EXPECT_FALSE(ConsoleHas(kNeedsWarMode));
    EXPECT_FALSE(ConsoleHas(kStarted));
    server->RunSeconds(6.0);
    EXPECT_TRUE(Menus(*alice).empty());
}

// Everybody but SourceTV sees the panel, spectators too; it comes again
// just before the last one's five seconds are over.
TEST_F(ReadyUpFeature, PanelCountsEachTeamAndStaysOnScreen) {
    Start(true, "+tv_enable 1");
    sim::Client* tv = server->Clients().Find("SourceTV");
    ASSERT_NE(tv, nullptr);
    tv->GetInbox().Clear();
    Console("tk_readyup");
    EXPECT_TRUE(ConsoleHas(kStarted));
    for (const sim::Client* client : {alice, carol, erin}) {
        ASSERT_EQ(Menus(*client).size(), 1u) << client->Name();
        EXPECT_EQ(Menus(*client)[0]->text, Panel(0, 2, 0, 2)) << "bots and spectators not counted";
        EXPECT_EQ(Menus(*client)[0]->displayTime, 5);
    }
    server->RunSeconds(4.4);
    EXPECT_EQ(Menus(*alice).size(), 1u);
    server->RunSeconds(0.2);
    EXPECT_EQ(Menus(*alice).size(), 2u);
    server->RunSeconds(4.6);
    EXPECT_EQ(Menus(*alice).size(), 3u);
    EXPECT_TRUE(Menus(*tv).empty());
}

TEST_F(ReadyUpFeature, ReadyWordInAnyCaseNotAsAPrefixTwiceLeavesOneReady) {
    Start();
    Console("tk_readyup");
    Say(*alice, "!ReAdY");
    EXPECT_EQ(ChatCount(*alice, kReady), 1);
    EXPECT_EQ(LastMenu(*carol), Panel(1, 2, 0, 2)) << "everybody sees the count";
    EXPECT_EQ(ChatCount(*carol, kReady), 0) << "the message is the speaker's alone";

    for (const char* text : {"!ready now", "!ready ", " !ready", "!readyy", "!unready!"}) {
        Say(*bob, text);
    }
    EXPECT_EQ(ChatCount(*bob, kReady) + ChatCount(*bob, kNotReady), 0);
    EXPECT_EQ(LastMenu(*carol), Panel(1, 2, 0, 2));

    alice->GetInbox().Clear();
    Say(*alice, "!ready");
    EXPECT_EQ(ChatCount(*alice, kNotReady), 1);
    EXPECT_EQ(ChatCount(*alice, kReady), 1);
    EXPECT_EQ(LastMenu(*alice), Panel(1, 2, 0, 2)) << "ready once";

    Say(*erin, "!ready");
    EXPECT_EQ(ChatCount(*erin, kReady) + ChatCount(*erin, kNotReady), 0);
    EXPECT_EQ(LastMenu(*alice), Panel(1, 2, 0, 2)) << "a spectator stays unready";

    Say(*alice, "!UNREADY");
    EXPECT_EQ(ChatCount(*alice, kNotReady), 2);
    EXPECT_EQ(LastMenu(*alice), Panel(0, 2, 0, 2));
    Say(*bob, "!unready");
    EXPECT_EQ(ChatCount(*bob, kNotReady), 0) << "an unready player is not told";
}

// Three of four are enough: the fourth is not waited for. Live on three
// follows at once, without the match configuration.
TEST_F(ReadyUpFeature, EnoughReadyPlayersEndReadyUpAndGoLive) {
    Start();
    ASSERT_TRUE(folder.WriteFile("cfg/match.cfg", "echo match config ran\n"));
    Console("tk_matchconfig match.cfg");
    Console("tk_readyup_max 3");
    Console("tk_readyup");
    Say(*alice, "!ready");
    Say(*carol, "!ready");
    EXPECT_FALSE(ConsoleHas(kEnded));
    Say(*dave, "!ready");
    EXPECT_TRUE(ConsoleHas(kEnded));
    const auto menus = Menus(*bob);
    ASSERT_FALSE(menus.empty());
    EXPECT_EQ(menus.back()->text, kEndingPanel);
    EXPECT_EQ(menus.back()->displayTime, 1);
    EXPECT_EQ(ChatCount(*bob, kLiveAnnounced), 8);
    EXPECT_FALSE(ConsoleHas("match config ran"));
    EXPECT_FALSE(ConsoleHas("Executing"));
    EXPECT_EQ(ChatCount(*bob, "Player Steam IDs:\n"), 0);

    server->RunSeconds(10.0);
    EXPECT_EQ(ChatCount(*bob, kLive), 8);
    EXPECT_EQ(Menus(*bob).size(), menus.size()) << "no panel after the end";
    bob->GetInbox().Clear();
    ClientLine(*bob, "tk_readylist");
    EXPECT_EQ(ClientConsole(*bob), kIdleList);
}

TEST_F(ReadyUpFeature, LoweringTheMaximumBelowTheCountGoesLiveAtOnce) {
    Start();
    Console("tk_readyup");
    Say(*alice, "!ready");
    Say(*carol, "!ready");
    Console("tk_readyup_max 5");
    EXPECT_EQ(ChatOf(*bob).back(), "\x03Travik:\x04 tk_readyup_max changed - now \"5\"\n");
    EXPECT_EQ(LastMenu(*bob), Panel(1, 2, 1, 2));
    EXPECT_FALSE(ConsoleHas(kEnded));

    Console("tk_readyup_max 0");
    EXPECT_EQ(Var("tk_readyup_max"), "1.000000") << "at least one";
    EXPECT_TRUE(ConsoleHas(kEnded));
    EXPECT_EQ(LastMenu(*bob), kEndingPanel);
    EXPECT_EQ(ChatCount(*bob, kLiveAnnounced), 8);
    EXPECT_EQ(ChatOf(*bob).back(), "\x03Travik:\x04 tk_readyup_max changed - now \"1\"\n");
}

TEST_F(ReadyUpFeature, AReadyPlayerWhoChangesTeamIsUnreadyAndCountedInHisNewTeam) {
    Start();
    Console("tk_readyup");
    Say(*alice, "!ready");
    Say(*carol, "!ready");
    ClientLine(*alice, "jointeam 3");
    EXPECT_EQ(ChatOf(*alice).back(), kNotReady);
    EXPECT_EQ(LastMenu(*carol), Panel(0, 1, 1, 3));
    ClientLine(*carol, "jointeam 1");
    EXPECT_EQ(LastMenu(*alice), Panel(0, 1, 0, 2)) << "a spectator is no longer counted";
    EXPECT_FALSE(ConsoleHas(kEnded));
}

// Players are kept by their slot's edict, which the next player on the
// slot gets: he must start unready.
TEST_F(ReadyUpFeature, ANewcomerOnADepartedReadyPlayersSlotStartsUnready) {
    Start();
    Console("tk_readyup_max 2");
    Console("tk_readyup");
    Say(*alice, "!ready");
    const int slot = alice->EntityIndex();
    server->Clients().Disconnect(*alice, "Disconnect by user.", false);
    EXPECT_EQ(LastMenu(*carol), Panel(0, 1, 0, 2));

    sim::Client& zed = Join("zed", TEAM_TERRORIST);
    ASSERT_EQ(zed.EntityIndex(), slot);
    EXPECT_EQ(LastMenu(*carol), Panel(0, 2, 0, 2));
    Say(*carol, "!ready");
    EXPECT_FALSE(ConsoleHas(kEnded)) << "zed did not inherit alice's ready";
    EXPECT_EQ(ChatCount(*carol, kLiveAnnounced), 0);

    ClientLine(zed, "tk_readylist");
    const std::string list = ClientConsole(zed);
    EXPECT_NE(list.find("\nPlayers Ready:\ncarol - 0:"), std::string::npos) << list;
    EXPECT_NE(list.find("\nPlayers Not-Ready:\n"), std::string::npos) << list;
    EXPECT_NE(list.find("zed - 0:"), std::string::npos) << list;
    EXPECT_LT(list.find("Players Ready:"), list.find("Players Not-Ready:"));
    EXPECT_GT(list.find("zed - 0:"), list.find("Players Not-Ready:"));
}

TEST_F(ReadyUpFeature, TheLastPlayerLeavingEndsReadyUpSilently) {
    Start();
    Console("tk_readyup");
    for (sim::Client* client : {alice, bob, carol, dave}) {
        server->Clients().Disconnect(*client, "Disconnect by user.", false);
    }
    EXPECT_FALSE(ConsoleHas(kEnded));
    const size_t menus = Menus(*erin).size();
    server->RunSeconds(10.0);
    EXPECT_EQ(Menus(*erin).size(), menus) << "no panel once it ended";
    ClientLine(*erin, "tk_readylist");
    EXPECT_EQ(ClientConsole(*erin), kIdleList);
}

TEST_F(ReadyUpFeature, ReadyListNamesEachSideAndGoesToTheAskerOnly) {
    Start();
    ClientLine(*alice, "tk_readylist");
    EXPECT_EQ(ClientConsole(*alice), kIdleList);
    EXPECT_EQ(ClientConsole(*bob).find("Ready-Up"), std::string::npos);
    EXPECT_FALSE(ConsoleHas("Unknown command")) << "the game never sees it";

    Console("tk_readyup");
    Say(*bob, "!ready");
    alice->GetInbox().Clear();
    ClientLine(*erin, "tk_readylist");
    const std::string list = ClientConsole(*erin);
    const std::string expected =
        "Note: At least 10 players must also be ready to go live (tk_readyup_max)\n"
        "\nPlayers Ready:\nbob - 0:";
    EXPECT_EQ(list.rfind(expected, 0), 0u) << list;
    EXPECT_EQ(CountOf(list, " - 0:"), 4) << "humans on a team only: " << list;
    EXPECT_EQ(list.find("erin"), std::string::npos);
    EXPECT_EQ(list.find("botty"), std::string::npos);
    EXPECT_TRUE(ClientConsole(*alice).empty());
}

TEST_F(ReadyUpFeature, LevelChangeAndTheSwitchesEndItSilentlyAndNobodyStaysReady) {
    Start();
    Console("tk_readyup");
    Say(*alice, "!ready");
    Console("changelevel de_dust2");
    server->RunSeconds(2.0);
    EXPECT_FALSE(ConsoleHas(kEnded));
    const size_t menus = Menus(*carol).size();
    server->RunSeconds(6.0);
    EXPECT_EQ(Menus(*carol).size(), menus);
    // Everybody picks his team again on the new level.
    for (sim::Client* client : {alice, bob}) {
        ClientLine(*client, "jointeam 2");
    }
    for (sim::Client* client : {carol, dave}) {
        ClientLine(*client, "jointeam 3");
    }
    Console("tk_readyup");
    EXPECT_EQ(LastMenu(*carol), Panel(0, 2, 0, 2)) << "a fresh start";

    // Switched off and on again before the level reloads: ended already.
    Console("tk_active 0");
    EXPECT_FALSE(ConsoleHas(kEnded));
    Console("tk_active 1");
    Console("tk_readyup 0");
    EXPECT_FALSE(ConsoleHas(kEnded));
    server->RunSeconds(2.0);

    // War mode off removes everybody and ends it too.
    Console("tk_readyup 1");
    EXPECT_TRUE(ConsoleHas(kStarted));
    Console("tk_warmode 0");
    Console("tk_warmode 1");
    Console("tk_readyup 0");
    EXPECT_FALSE(ConsoleHas(kEnded));
}

TEST_F(ReadyUpFeature, ArgumentZeroOnlyEndsOneOnlyStartsAnythingElseToggles) {
    Start();
    Console("tk_readyup 0");
    EXPECT_FALSE(ConsoleHas(kStarted));
    EXPECT_TRUE(Menus(*alice).empty());
    Console("tk_readyup 1");
    Console("tk_readyup 1");
    EXPECT_EQ(ConsoleCount(kStarted), 1);
    EXPECT_EQ(Menus(*alice).size(), 1u);
    Console("tk_readyup 0");
    EXPECT_EQ(ConsoleCount(kEnded), 1);
    EXPECT_EQ(LastMenu(*alice), kEndingPanel);
    Console("tk_readyup 0");
    EXPECT_EQ(ConsoleCount(kEnded), 1);

    Console("tk_readyup 2");
    EXPECT_EQ(ConsoleCount(kStarted), 2);
    Console("tk_readyup 1 1");
    EXPECT_EQ(ConsoleCount(kEnded), 2);
    Console("tk_readyup");
    EXPECT_EQ(ConsoleCount(kStarted), 3);
}

}  // namespace

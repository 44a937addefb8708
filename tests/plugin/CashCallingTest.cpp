// Team cash calling as the players see it: tk_teamcash typed in a player's
// console, and the automatic list at round start, on srcds-sim's
// Counter-Strike: Source game with its money and weapons.
#include <shareddefs.h>

#include <string>
#include <vector>

#include "TravikServerTest.h"

namespace {

const char* const kHeader = "\x03[Travik] Team Cash:\n";
const char* const kDisabled = "[Travik] This command is currently disabled\n";
const char* const kNeedsWarMode =
    "[Travik] This command may only be used when tk_warmode is enabled\n";
const char* const kFreezeTimeOnly = "[Travik] This command is only available during freeze-time\n";
const char* const kTooMany =
    "[Travik] This command is not available with more than 6 players on your team\n";

// A list line as the player's chat shows it.
std::string Line(const std::string& name, const std::string& money) {
    return "\x04" + name + ":\x03 $" + money + "\n";
}

class CashCallingFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    // Everybody starts a round with $3300 and five seconds of freeze time.
    void Start(bool warMode = true) {
        StartServer("-insecure +maxplayers 16 +mp_freezetime 5 +mp_startmoney 3300 +map de_dust2");
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        if (warMode) {
            // War mode reloads the map: before anybody joins.
            Console("tk_warmode 1");
            server->RunSeconds(1.0);
        }
    }

    sim::Client& Join(const std::string& name, int team) {
        sim::Client& client = TravikServerTest::Join(name, team);
        if (!first && team != TEAM_SPECTATOR) {
            first = &client;
        }
        return client;
    }

    // The game's commencing round ends once both sides have players; the
    // restart after it brings a round start in freeze time.
    void BeginFirstRound() {
        server->RunSeconds(3.5);
        ASSERT_TRUE(Frozen());
    }

    void EndFreezeTime() {
        server->RunSeconds(5.5);
        ASSERT_FALSE(Frozen());
    }

    // Spends $2500 without a primary weapon.
    void SpendOnPistols(sim::Client& client) {
        for (const char* item : {"deagle", "deagle", "glock", "glock", "glock"}) {
            ClientLine(client, std::string("buy ") + item);
        }
    }

    // The last list the client got: its header and the player lines after
    // it; empty when it got none.
    static std::vector<std::string> LastList(const sim::Client& client) {
        const std::vector<std::string> chat = ChatOf(client);
        for (size_t at = chat.size(); at-- > 0;) {
            if (chat[at] != kHeader) {
                continue;
            }
            EXPECT_TRUE(at > 0 && chat[at - 1] == " \n") << "a blank line before the header";
            std::vector<std::string> list = {chat[at]};
            while (++at < chat.size() && chat[at].starts_with('\x04')) {
                list.push_back(chat[at]);
            }
            return list;
        }
        return {};
    }

    static int ListsReceived(const sim::Client& client) {
        int count = 0;
        for (const std::string& line : ChatOf(client)) {
            count += line == kHeader ? 1 : 0;
        }
        return count;
    }

    static void Forget(sim::Client& client) { client.GetInbox().Clear(); }
    // tk_teamcash from a client whose inbox is cleared first.
    void Ask(sim::Client& client) {
        Forget(client);
        ClientLine(client, "tk_teamcash");
    }

    SimPlayerState StateOf(const sim::Client& client) {
        SimPlayerState state;
        EXPECT_TRUE(server->Game().Sim()->GetPlayerState(client.EntityIndex(), &state));
        return state;
    }
    int Money(const sim::Client& client) { return StateOf(client).money; }
    // Freeze time holds the living at a maximum speed of 1.
    bool Frozen() { return first && StateOf(*first).maxSpeed <= 1.0f; }

    sim::Client* first = nullptr;
};

// Bob joins before alice, so slot order alone would list him first.
TEST_F(CashCallingFeature, ListsHumanTeamMatesRichestFirstWithTheArmedAheadOfEqualMoney) {
    Start();
    sim::Client& bob = Join("bob", TEAM_TERRORIST);
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    AddBot("botty", TEAM_TERRORIST);
    Join("frank", TEAM_TERRORIST);
    sim::Client& carol = Join("carol", TEAM_CT);
    BeginFirstRound();
    ClientLine(alice, "buy ak47");
    SpendOnPistols(bob);
    ClientLine(carol, "buy m4a1");
    ASSERT_EQ(Money(alice), 800);
    ASSERT_EQ(Money(bob), 800);

    Ask(bob);
    const std::vector<std::string> expected = {kHeader, Line("frank", "3300"),
                                               Line("alice", "800+"), Line("bob", "800")};
    EXPECT_EQ(LastList(bob), expected) << "bots and the other team are not listed";
    EXPECT_EQ(ListsReceived(alice), 0) << "the list goes to the caller only";
    EXPECT_EQ(ListsReceived(carol), 0);

    Ask(carol);
    EXPECT_EQ(LastList(carol), (std::vector<std::string>{kHeader, Line("carol", "200+")}));
    EXPECT_EQ(ClientConsole(carol).find("[Travik]"), std::string::npos)
        << "a team of one may still ask";
}

TEST_F(CashCallingFeature, AfterFreezeTimeOnlyTheDeadMayCallAndSpectatorsNever) {
    Start();
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    sim::Client& bob = Join("bob", TEAM_TERRORIST);
    Join("carol", TEAM_CT);
    sim::Client& dave = Join("dave", TEAM_SPECTATOR);
    BeginFirstRound();
    ClientLine(bob, "buy ak47");
    EndFreezeTime();

    Ask(alice);
    EXPECT_EQ(ClientConsole(alice), kFreezeTimeOnly);
    EXPECT_EQ(ListsReceived(alice), 0);

    ClientLine(bob, "kill");
    Ask(bob);
    EXPECT_EQ(LastList(bob),
              (std::vector<std::string>{kHeader, Line("alice", "3300"), Line("bob", "800")}))
        << "a dead player lost his weapons with his life";
    EXPECT_EQ(ClientConsole(bob).find(kFreezeTimeOnly), std::string::npos);

    Ask(dave);
    EXPECT_EQ(ListsReceived(dave), 0);
    EXPECT_EQ(ClientConsole(dave).find("[Travik]"), std::string::npos) << "spectators get silence";
    EXPECT_FALSE(ConsoleHas("Unknown command: tk_teamcash")) << "the game never sees it";
}

TEST_F(CashCallingFeature, RefusedWhenSwitchedOffOrInactive) {
    Start();
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    Join("carol", TEAM_CT);
    BeginFirstRound();

    Console("tk_allowcashcalling 0");
    Ask(alice);
    EXPECT_EQ(ClientConsole(alice), kDisabled);
    EXPECT_EQ(ListsReceived(alice), 0);

    Console("tk_allowcashcalling 1");
    Console("tk_active 0");
    server->RunSeconds(0.5);
    Ask(alice);
    EXPECT_EQ(ListsReceived(alice), 0);
    EXPECT_EQ(ClientConsole(alice).find("[Travik]"), std::string::npos);
}

TEST_F(CashCallingFeature, RefusedOutsideWarMode) {
    Start(false);
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    Join("carol", TEAM_CT);
    BeginFirstRound();
    Ask(alice);
    EXPECT_EQ(ClientConsole(alice), kNeedsWarMode);
    EXPECT_EQ(ListsReceived(alice), 0);
}

// Bots neither count towards the six nor appear in the list.
TEST_F(CashCallingFeature, SixHumansMayCallASeventhEndsItForTheirTeamOnly) {
    Start();
    std::vector<sim::Client*> terrorists;
    for (const char* name : {"t1", "t2", "t3", "t4", "t5", "t6"}) {
        terrorists.push_back(&Join(name, TEAM_TERRORIST));
    }
    AddBot("bot1", TEAM_TERRORIST);
    AddBot("bot2", TEAM_TERRORIST);
    sim::Client& carol = Join("carol", TEAM_CT);
    BeginFirstRound();

    Ask(*terrorists[0]);
    const std::vector<std::string> list = LastList(*terrorists[0]);
    ASSERT_EQ(list.size(), 7u);
    for (const std::string& line : list) {
        EXPECT_EQ(line.find("bot"), std::string::npos) << line;
    }

    sim::Client& seventh = Join("t7", TEAM_TERRORIST);
    for (sim::Client* caller : {terrorists[0], &seventh}) {
        Ask(*caller);
        EXPECT_EQ(ClientConsole(*caller), kTooMany) << caller->Name();
        EXPECT_EQ(ListsReceived(*caller), 0) << caller->Name();
    }
    Ask(carol);
    EXPECT_EQ(ListsReceived(carol), 1) << "the other team is not concerned";
}

// Five terrorists and one counter-terrorist: only terrorists qualify, and
// of them only the living who ask.
TEST_F(CashCallingFeature, AutomaticListAtRoundStartForThoseWhoAskInQualifyingTeams) {
    Start();
    Console("tk_allowcashcalling 2");
    sim::Client& asks = Join("asks", TEAM_TERRORIST);
    sim::Client& declines = Join("declines", TEAM_TERRORIST);
    sim::Client& silent = Join("silent", TEAM_TERRORIST);
    sim::Client& garbled = Join("garbled", TEAM_TERRORIST);
    sim::Client& alsoAsks = Join("alsoasks", TEAM_TERRORIST);
    sim::Client& loneCt = Join("lonect", TEAM_CT);
    sim::Client& watcher = Join("watcher", TEAM_SPECTATOR);
    ClientLine(asks, "setinfo tk_wantautocashcalling 1");
    ClientLine(declines, "setinfo tk_wantautocashcalling 0");
    ClientLine(garbled, "setinfo tk_wantautocashcalling yes");
    ClientLine(alsoAsks, "setinfo tk_wantautocashcalling 3");
    ClientLine(loneCt, "setinfo tk_wantautocashcalling 1");
    ClientLine(watcher, "setinfo tk_wantautocashcalling 1");
    BeginFirstRound();

    EXPECT_EQ(ListsReceived(asks), 1);
    EXPECT_EQ(ListsReceived(alsoAsks), 1);
    EXPECT_EQ(LastList(asks).size(), 6u);
    for (sim::Client* client : {&declines, &silent, &garbled, &loneCt, &watcher}) {
        EXPECT_EQ(ListsReceived(*client), 0) << client->Name();
        EXPECT_EQ(ClientConsole(*client).find("[Travik] This command"), std::string::npos)
            << "the automatic call refuses nobody aloud: " << client->Name();
    }

    // Every round start again, with the money of the moment; one killed in
    // the round before stands again when the round starts and asks like the
    // rest.
    ClientLine(asks, "buy ak47");
    ClientLine(asks, "kill");
    Console("mp_restartgame 1");
    server->RunSeconds(2.5);
    ASSERT_TRUE(Frozen());
    EXPECT_EQ(ListsReceived(asks), 2);
    EXPECT_EQ(ListsReceived(alsoAsks), 2);
    const std::vector<std::string> expected = {kHeader,
                                               Line("asks", "3300"),
                                               Line("declines", "3300"),
                                               Line("silent", "3300"),
                                               Line("garbled", "3300"),
                                               Line("alsoasks", "3300")};
    EXPECT_EQ(LastList(asks), expected)
        << "the restart took the rifle and gave the money back; equals stay in slot order";
}

TEST_F(CashCallingFeature, NoAutomaticListUnlessAllowedOrInWarMode) {
    Start();
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    sim::Client& bob = Join("bob", TEAM_TERRORIST);
    sim::Client& carol = Join("carol", TEAM_CT);
    sim::Client& dave = Join("dave", TEAM_CT);
    for (sim::Client* client : {&alice, &bob, &carol, &dave}) {
        ClientLine(*client, "setinfo tk_wantautocashcalling 1");
    }
    BeginFirstRound();
    for (sim::Client* client : {&alice, &bob, &carol, &dave}) {
        EXPECT_EQ(ListsReceived(*client), 0) << "tk_allowcashcalling 1: " << client->Name();
    }
    Ask(alice);
    EXPECT_EQ(ListsReceived(alice), 1) << "the command still works";

    Console("tk_allowcashcalling 2");
    Console("mp_restartgame 1");
    server->RunSeconds(2.5);
    for (sim::Client* client : {&bob, &carol, &dave}) {
        EXPECT_EQ(ListsReceived(*client), 1) << client->Name();
    }
}

TEST_F(CashCallingFeature, AChangeIsAnnouncedAndLoggedOnceAndClampedToItsBounds) {
    Start();
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    Console("tk_allowcashcalling 2");
    Console("tk_allowcashcalling 2");
    Console("tk_allowcashcalling 0");
    Console("tk_allowcashcalling 7");
    Console("tk_allowcashcalling 1");
    Console("tk_allowcashcalling -3");
    EXPECT_EQ(Var("tk_allowcashcalling"), "0.000000");
    const std::vector<std::string> expected = {
        "\x03Travik:\x04 Team cash calling enabled (Auto Allowed)\n",
        "\x03Travik:\x04 Team cash calling disabled\n",
        "\x03Travik:\x04 Team cash calling enabled (Auto Allowed)\n",
        "\x03Travik:\x04 Team cash calling enabled\n",
        "\x03Travik:\x04 Team cash calling disabled\n",
    };
    EXPECT_EQ(ChatOf(alice), expected);
    const std::string log = ReadLog("travik.log");
    EXPECT_EQ(CountOf(log, "tk_allowcashcalling changed now \"2\"\n"), 1) << log;
    EXPECT_EQ(CountOf(log, "tk_allowcashcalling changed now \"2.000000\"\n"), 1) << log;
    EXPECT_EQ(CountOf(log, "tk_allowcashcalling changed now"), 5) << log;
    EXPECT_FALSE(ConsoleHas("tk_allowcashcalling changed now")) << "logged without echo";

    Console("tk_active 0");
    server->RunSeconds(0.5);
    Forget(alice);
    Console("tk_allowcashcalling 2");
    EXPECT_TRUE(ChatOf(alice).empty()) << "an inactive plug-in says nothing";
}

TEST_F(CashCallingFeature, SettingsShowInTheStatusWithTheStartMoney) {
    Start(false);
    Console("tk_startmoney 20000");
    EXPECT_EQ(Var("tk_startmoney"), "16000.000000");
    Console("tk_startmoney 800");
    sim::Client& alice = Join("alice", TEAM_TERRORIST);
    ClientLine(alice, "tk_status");
    EXPECT_NE(ClientConsole(alice).find(" tk_startmoney: 800 / tk_allowcashcalling: 1 / "),
              std::string::npos)
        << ClientConsole(alice);
}

}  // namespace

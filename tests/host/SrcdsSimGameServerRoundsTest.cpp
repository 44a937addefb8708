// Rounds as the wired game plays them: player_team before the change, the
// "Game Commencing" restart, mp_restartgame seen at the next frame, team
// scores on the team entities, and settings the rules read when they use
// them whoever holds the variables' change callbacks.
#include <dt_send.h>
#include <igameevents.h>
#include <iserverunknown.h>
#include <server_class.h>

#include <cstring>
#include <map>

#include "GameServerTest.h"

namespace {

void IgnoreChange(IConVar*, const char*, float) {}

// Depth first into nested tables, as a plug-in finds a field.
int FindSendProp(SendTable* table, const char* name) {
    for (int i = 0; table && i < table->GetNumProps(); ++i) {
        SendProp* prop = table->GetProp(i);
        if (std::strcmp(prop->GetName(), name) == 0)
            return prop->GetOffset();
        if (prop->GetDataTable())
            if (const int offset = FindSendProp(prop->GetDataTable(), name))
                return offset;
    }
    return 0;
}

// Reads the team a player_team event's player is on while it is fired.
class TeamWatcher final : public IGameEventListener2 {
public:
    explicit TeamWatcher(sim::Server& server) : m_server(server) {}
    void FireGameEvent(IGameEvent* event) override {
        const sim::Client* client = m_server.Clients().FindByUserId(event->GetInt("userid"));
        seen.push_back(client ? m_server.Game().Sim()->GetTeam(client->EntityIndex()) : -2);
    }
    std::vector<int> seen;

private:
    sim::Server& m_server;
};

class SrcdsSimGameServerRounds : public GameServerTest {
protected:
    // The scores as a plug-in reads them: the "cs_team_manager" entities'
    // m_iScore and m_iTeamNum, found through their send table.
    std::map<int, int> ScoresOnTeamEntities() {
        std::map<int, int> scores;
        for (int i = 1; i < MAX_EDICTS; ++i) {
            edict_t* edict = server->Edicts().Get(i);
            if (!edict || edict->IsFree() || !edict->GetClassName() ||
                std::strcmp(edict->GetClassName(), "cs_team_manager") != 0)
                continue;
            SendTable* table = edict->GetNetworkable()->GetServerClass()->m_pTable;
            const auto* entity =
                reinterpret_cast<const char*>(edict->GetUnknown()->GetBaseEntity());
            int team = 0;
            int score = 0;
            std::memcpy(&team, entity + FindSendProp(table, "m_iTeamNum"), sizeof team);
            std::memcpy(&score, entity + FindSendProp(table, "m_iScore"), sizeof score);
            scores[team] = score;
        }
        return scores;
    }
};

TEST_F(SrcdsSimGameServerRounds, PlayerTeamIsFiredBeforeTheChangeWithAllItsFields) {
    StartGame();
    TeamWatcher watcher(*server);
    ASSERT_TRUE(server->Events().AddListener(&watcher, "player_team", true));
    sim::Client& alice = Connect("alice");
    server->Clients().ExecuteClientLine(alice, "jointeam 3");
    server->Clients().ExecuteClientLine(alice, "jointeam 0");
    EXPECT_EQ(watcher.seen, (std::vector<int>{0, 3})) << "still on the old team";
    const auto events = Events("player_team");
    ASSERT_EQ(events.size(), 2u);
    const auto& first = events[0].values;
    EXPECT_EQ(first.at("team"), "3");
    EXPECT_EQ(first.at("oldteam"), "0");
    EXPECT_EQ(first.at("disconnect"), "0");
    EXPECT_EQ(first.at("autoteam"), "0");
    EXPECT_EQ(first.at("silent"), "0");
    EXPECT_EQ(first.at("name"), "alice");
    EXPECT_EQ(events[1].values.at("autoteam"), "1") << "jointeam 0: the game picked";
    EXPECT_EQ(events[1].values.at("team"), "2");
    server->Events().RemoveListener(&watcher);
}

TEST_F(SrcdsSimGameServerRounds, BothSidesFilledCommenceTheGameWithARestart) {
    StartGame("-insecure +mp_freezetime 2 +map de_dust2");
    sim::Client& alice = Player("alice", 2);
    server->RunSeconds(5.0);
    EXPECT_TRUE(Events("round_end").empty()) << "one side alone plays on";
    Player("carol", 3);
    server->RunTicks(1);
    const auto ends = Events("round_end");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].values.at("winner"), "1");
    EXPECT_EQ(ends[0].values.at("reason"), "16");
    EXPECT_EQ(ends[0].values.at("message"), "#Game_Commencing");
    const size_t starts = Events("round_start").size();
    server->RunSeconds(2.9);
    EXPECT_EQ(Events("round_start").size(), starts);
    server->RunSeconds(0.2);
    EXPECT_EQ(Events("round_start").size(), starts + 1);
    EXPECT_EQ(State(alice).maxSpeed, 1.0f) << "a new round's freeze time";
}

TEST_F(SrcdsSimGameServerRounds, SettingsReachTheRulesWhileAPlugInHoldsTheirCallbacks) {
    StartGame("-insecure +map de_dust2");
    for (const char* name : {"mp_freezetime", "mp_startmoney", "mp_restartgame", "mp_c4timer"})
        server->FindVar(name)->InstallChangeCallback(&IgnoreChange);
    Console("mp_freezetime 3; mp_startmoney 5000; mp_c4timer 20");
    sim::Client& alice = Player("alice", 2);
    Player("carol", 3);
    Commence();
    EXPECT_EQ(State(alice).money, 5000);
    server->RunSeconds(2.8);
    EXPECT_EQ(State(alice).maxSpeed, 1.0f);
    server->RunSeconds(0.3);
    EXPECT_EQ(State(alice).maxSpeed, 250.0f);
    ASSERT_TRUE(Game().PlantBomb(alice.EntityIndex()));
    server->RunSeconds(19.9);
    EXPECT_TRUE(Events("bomb_exploded").empty());
    server->RunSeconds(0.2);
    EXPECT_EQ(Events("bomb_exploded").size(), 1u);
}

TEST_F(SrcdsSimGameServerRounds, RestartGameIsSeenAtTheNextFrameAndResetsScoresMoneyAndLives) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& carol = Player("carol", 3);
    Commence();
    EXPECT_EQ(ScoresOnTeamEntities(), (std::map<int, int>{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    server->Clients().ExecuteClientLine(carol, "kill");
    server->RunTicks(1);
    EXPECT_EQ(Game().GetTeamScore(2), 1);
    EXPECT_EQ(ScoresOnTeamEntities()[2], 1);
    EXPECT_EQ(State(alice).money, 800 + 3250);

    server->FindVar("mp_restartgame")->InstallChangeCallback(&IgnoreChange);
    Console("mp_restartgame 2");
    EXPECT_STREQ(Var("mp_restartgame"), "2") << "nothing happens at once";
    EXPECT_TRUE(alice.GetInbox().OfKind(sim::InboxKind::Center).empty());
    server->RunTicks(1);
    EXPECT_STREQ(Var("mp_restartgame"), "0");
    const auto centre = alice.GetInbox().OfKind(sim::InboxKind::Center);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0]->text, "Game will restart in 2 seconds");
    EXPECT_TRUE(alice.GetInbox().Console().Contains("Game will restart in 2 seconds"));
    const size_t starts = Events("round_start").size();
    server->RunSeconds(2.1);
    EXPECT_EQ(Events("round_start").size(), starts + 1);
    EXPECT_EQ(Game().GetTeamScore(2), 0);
    EXPECT_EQ(ScoresOnTeamEntities()[2], 0);
    EXPECT_EQ(State(alice).money, 800);
    EXPECT_TRUE(State(carol).alive);

    Console("mp_restartgame 500");
    server->RunTicks(1);
    EXPECT_EQ(alice.GetInbox().OfKind(sim::InboxKind::Center).back()->text,
              "Game will restart in 60 seconds");
}

}  // namespace

namespace {

class SrcdsSimGameServerObservers : public GameServerTest {
protected:
    void Command(sim::Client& client, const std::string& line) {
        server->Clients().ExecuteClientLine(client, line);
    }
    int Mode(const sim::Client& client) { return State(client).observerMode; }
    int Target(const sim::Client& client) { return State(client).observerTarget; }
};

TEST_F(SrcdsSimGameServerObservers, SpecCommandsChangeTheModeAndCycleThroughThoseOneMayWatch) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& bob = Player("bob", 2);
    sim::Client& carol = Player("carol", 3);
    sim::Client& watcher = Player("watcher", 1);
    Commence();
    ASSERT_EQ(Mode(watcher), 6) << "a spectator roams";
    EXPECT_EQ(Target(watcher), 0);

    Command(watcher, "spec_mode");  // after roaming comes first person
    EXPECT_EQ(Mode(watcher), 4);
    EXPECT_EQ(Target(watcher), alice.EntityIndex()) << "the first after himself, wrapping";
    Command(watcher, "spec_next");
    EXPECT_EQ(Target(watcher), bob.EntityIndex());
    Command(watcher, "spec_next");
    EXPECT_EQ(Target(watcher), carol.EntityIndex()) << "a spectator watches both sides";
    Command(watcher, "spec_next");
    EXPECT_EQ(Target(watcher), alice.EntityIndex());
    Command(watcher, "spec_prev");
    EXPECT_EQ(Target(watcher), carol.EntityIndex());
    Command(watcher, "spec_mode");
    EXPECT_EQ(Mode(watcher), 5);
    Command(watcher, "spec_mode 9");
    EXPECT_EQ(Mode(watcher), 4) << "out of range: first person";
    Command(watcher, "spec_mode 6");
    EXPECT_EQ(Mode(watcher), 6);

    Command(carol, "spec_mode");
    Command(carol, "spec_next");
    EXPECT_EQ(Mode(carol), 0) << "the living do not observe";

    // mp_forcecamera 1: a dead terrorist watches only terrorists.
    Command(bob, "kill");
    Command(bob, "spec_mode 4");
    EXPECT_EQ(Target(bob), alice.EntityIndex());
    Command(bob, "spec_next");
    EXPECT_EQ(Target(bob), alice.EntityIndex());

    // The watched player dies: the next think finds another, or none.
    Command(watcher, "spec_mode 4");
    Command(watcher, "spec_next");
    ASSERT_EQ(Target(watcher), alice.EntityIndex());
    Command(alice, "kill");
    server->RunTicks(1);
    EXPECT_EQ(Target(watcher), carol.EntityIndex());
    EXPECT_EQ(Mode(bob), 3) << "no terrorist left to watch: a fixed view";
    EXPECT_EQ(Target(bob), 0);
}

}  // namespace

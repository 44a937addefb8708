// The defuse fix as the players see it on srcds-sim: whether holding the use
// key on the planted bomb starts a defuse, and the centred refusal.
#include <in_buttons.h>
#include <shareddefs.h>

#include <string>

#include <iserverunknown.h>

#include "TravikServerTest.h"
#include "cstrike/BaseEntity.h"
#include "sim/ISimGame.h"

namespace {

const char* const kRefusal = "You must be able to see the bomb to defuse!";
const char* const kOnChat = "\x03Travik:\x04 Illegal Defuse Fix Enabled\n";
const char* const kOffChat = "\x03Travik:\x04 Illegal Defuse Fix Disabled\n";

// dust2's site A: the bomb spot west of the wall at x 560 to 576; behind the
// wall the eyes are within reach but the wall is in the way.
const float kBombSpot[3] = {540, 600, 0};
const float kBehindWall[3] = {600, 600, 0};
const float kInView[3] = {480, 600, 0};

class DefuseFixFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    // Alice plants for the terrorists; carol and dan are counter-terrorists.
    void Start(const std::string& map = "de_dust2", bool fixOn = true) {
        StartServer("-insecure +mp_freezetime 0 +map " + map);
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        if (fixOn) {
            Console("tk_beta_illegaldefusefix 1");
        }
        alice = &Join("alice", TEAM_TERRORIST);
        carol = &Join("carol", TEAM_CT);
        dan = &Join("dan", TEAM_CT);
        // Past the "Game Commencing" round and its restart.
        server->RunSeconds(3.1);
        for (const sim::Client* client : {alice, carol, dan}) {
            ASSERT_TRUE(Game().IsAlive(client->EntityIndex())) << client->Name();
        }
    }

    ISimGame& Game() { return *server->Game().Sim(); }
    // A hook gives the entity a virtual table of its own; an alive player
    // never hooked (alice, a terrorist) has the class's.
    bool Hooked(const sim::Client& client) {
        CBaseEntity* entity = EntityOf(client);
        CBaseEntity* plain = EntityOf(*alice);
        return entity && plain &&
               *reinterpret_cast<void**>(entity) != *reinterpret_cast<void**>(plain);
    }

    void Teleport(const sim::Client& client, const float where[3]) {
        ASSERT_TRUE(Game().Teleport(client.EntityIndex(), where));
    }
    void Plant(const float where[3]) { PlantBy(*alice, where); }
    void PlantBy(const sim::Client& terrorist, const float where[3]) {
        Teleport(terrorist, where);
        ASSERT_TRUE(Game().PlantBomb(terrorist.EntityIndex()));
    }
    // Steps there and holds the use key for a tick.
    void UseFrom(const sim::Client& client, const float where[3]) {
        Teleport(client, where);
        Use(client, true);
        server->RunFrame();
    }
    void Use(const sim::Client& client, bool on) {
        SimUsercmd input;
        input.buttons = on ? IN_USE : 0;
        Game().SetUsercmdInput(client.EntityIndex(), input);
    }
    bool Defusing(const sim::Client& client) {
        SimPlayerState state;
        return Game().GetPlayerState(client.EntityIndex(), &state) && state.defusing;
    }
    int Refusals(const sim::Client& client) const {
        int count = 0;
        for (const sim::InboxEntry* entry : client.GetInbox().OfKind(sim::InboxKind::Center)) {
            count += entry->text == kRefusal ? 1 : 0;
        }
        return count;
    }

    sim::Client* alice = nullptr;
    sim::Client* carol = nullptr;
    sim::Client* dan = nullptr;
};

TEST_F(DefuseFixFeature, BehindTheWallTheDefuseIsRefusedOncePerCheckAndAllowedInView) {
    Start();
    Plant(kBombSpot);
    UseFrom(*carol, kBehindWall);
    EXPECT_FALSE(Defusing(*carol));
    EXPECT_EQ(Refusals(*carol), 1);
    EXPECT_EQ(Refusals(*dan), 0) << "the message is his alone";
    // Held for a second: refused throughout, told about ten times, not every
    // tick; the checks in between reuse the verdict silently.
    server->RunSeconds(1.0);
    EXPECT_FALSE(Defusing(*carol));
    EXPECT_GE(Refusals(*carol), 9);
    EXPECT_LE(Refusals(*carol), 12);
    // In view, the next fresh check lets the game's own search through.
    const int told = Refusals(*carol);
    Teleport(*carol, kInView);
    server->RunSeconds(0.12);
    EXPECT_TRUE(Defusing(*carol));
    EXPECT_EQ(Refusals(*carol), told);
    server->RunSeconds(10.0);
    bool defused = false;
    for (const auto& fired : server->Events().History()) {
        defused = defused || fired.name == "bomb_defused";
    }
    EXPECT_TRUE(defused);
}

TEST_F(DefuseFixFeature, WithinACheckOfARefusalTheVerdictStandsEvenInView) {
    Start();
    Plant(kBombSpot);
    UseFrom(*carol, kBehindWall);
    ASSERT_EQ(Refusals(*carol), 1);
    Teleport(*carol, kInView);
    server->RunFrame();
    EXPECT_FALSE(Defusing(*carol)) << "a tick later the last verdict still holds";
    EXPECT_EQ(Refusals(*carol), 1) << "and says nothing";
}

// The terrorists' side empties after the plant and fills again: the game
// ends the round ("Game Commencing") with the bomb still ticking, and until
// the next round starts nobody's defuse is judged.
TEST_F(DefuseFixFeature, AfterTheRoundHasEndedNothingIsCheckedUntilTheNextRound) {
    Start();
    Plant(kBombSpot);
    Teleport(*carol, kBehindWall);
    server->Clients().Disconnect(*alice, "Disconnect by user.", false);
    server->RunFrame();
    sim::Client& bob = Join("bob", TEAM_TERRORIST);
    server->RunFrame();
    ASSERT_EQ(server->Events().History().back().name, "round_end");
    Use(*carol, true);
    server->RunFrame();
    EXPECT_TRUE(Defusing(*carol));
    EXPECT_EQ(Refusals(*carol), 0);
    Use(*carol, false);

    server->RunSeconds(3.2);
    ASSERT_TRUE(Game().IsAlive(bob.EntityIndex()));
    PlantBy(bob, kBombSpot);
    UseFrom(*carol, kBehindWall);
    EXPECT_FALSE(Defusing(*carol)) << "a new round is judged again";
    EXPECT_EQ(Refusals(*carol), 1);
}

TEST_F(DefuseFixFeature, TerroristsBotsAndTheDeadAreNeverHookedAndABotDefusesThroughWalls) {
    Start();
    sim::Client& bot = AddBot("bot", TEAM_CT);
    server->RunFrame();
    Console("mp_restartgame 1");
    server->RunSeconds(1.2);
    ASSERT_TRUE(Game().IsAlive(bot.EntityIndex()));
    EXPECT_TRUE(Hooked(*carol));
    EXPECT_TRUE(Hooked(*dan));
    EXPECT_FALSE(Hooked(bot)) << "a bot";
    Game().Kill(dan->EntityIndex());
    EXPECT_FALSE(Hooked(*dan)) << "the dead";

    Plant(kBombSpot);
    UseFrom(bot, kBehindWall);
    EXPECT_TRUE(Defusing(bot)) << "the game's own search, unjudged";
}

TEST_F(DefuseFixFeature, TheSwitchHooksAndUnhooksEveryLivingCounterTerroristAtOnce) {
    Start("de_dust2", false);
    EXPECT_FALSE(Hooked(*carol));
    Plant(kBombSpot);
    UseFrom(*carol, kBehindWall);
    EXPECT_TRUE(Defusing(*carol)) << "off: through the wall, as the game allows";
    Use(*carol, false);
    server->RunSeconds(0.6);
    ASSERT_FALSE(Defusing(*carol));

    Console("tk_beta_illegaldefusefix 1");
    EXPECT_TRUE(Hooked(*carol));
    EXPECT_TRUE(Hooked(*dan));
    EXPECT_FALSE(Hooked(*alice));
    EXPECT_EQ(CountOf(ConsoleText(), "Illegal Defuse Fix"), 0) << "no console line";
    ASSERT_FALSE(ChatOf(*dan).empty());
    EXPECT_EQ(ChatOf(*dan).back(), kOnChat);
    Use(*carol, true);
    server->RunFrame();
    EXPECT_FALSE(Defusing(*carol));
    EXPECT_EQ(Refusals(*carol), 1);

    // The same value again says nothing; off unhooks everybody.
    const size_t chats = ChatOf(*dan).size();
    Console("tk_beta_illegaldefusefix 1");
    EXPECT_EQ(ChatOf(*dan).size(), chats);
    Console("tk_beta_illegaldefusefix 0");
    EXPECT_EQ(ChatOf(*dan).back(), kOffChat);
    EXPECT_FALSE(Hooked(*carol));
    EXPECT_FALSE(Hooked(*dan));
    server->RunFrame();
    EXPECT_TRUE(Defusing(*carol));
}

TEST_F(DefuseFixFeature, WhileThePlugInIsInactiveTheSwitchHooksNobody) {
    Start("de_dust2", false);
    Console("tk_active 0");
    Console("tk_beta_illegaldefusefix 1");
    EXPECT_FALSE(Hooked(*carol)) << "hooks follow the active plug-in";
}

// de_train: the car at site A is no wall to the sight trace, so only the
// area rule stops a defuse from the yard's ground beside it.
TEST_F(DefuseFixFeature, OnDeTrainTheCarsAreJudgedByWhereTheEyesAre) {
    Start("de_train");
    const float onDeck[3] = {1300, -161, -152};
    const float besideCar[3] = {1300, -250, -216};
    const float alsoOnDeck[3] = {1340, -161, -152};
    Plant(onDeck);
    UseFrom(*carol, besideCar);
    EXPECT_FALSE(Defusing(*carol));
    EXPECT_EQ(Refusals(*carol), 1);
    Use(*carol, false);

    UseFrom(*dan, alsoOnDeck);
    EXPECT_TRUE(Defusing(*dan)) << "on the deck, above its height";
    EXPECT_EQ(Refusals(*dan), 0);
}

TEST_F(DefuseFixFeature, TheSameGroundElsewhereIsLeftToTheTrace) {
    // On another map the same points are no car: the trace alone decides.
    folder.WriteFile("maps/de_aztec.world", "box 0 -640 -280  1920 320 -216\n");
    Start("de_aztec");
    const float onDeck[3] = {1300, -161, -152};
    const float besideCar[3] = {1300, -250, -216};
    Plant(onDeck);
    UseFrom(*carol, besideCar);
    EXPECT_TRUE(Defusing(*carol));
}

// A level change frees every entity: the hooks go with the old level, and
// the new entities are hooked when they spawn; switching the fix off then
// touches only live objects (the sanitizer build watches for the rest).
TEST_F(DefuseFixFeature, ALevelChangeDropsTheHooksAndTheNewLevelHooksAfresh) {
    Start();
    ASSERT_TRUE(Hooked(*carol));
    Console("changelevel de_dust2");
    server->RunFrame();
    ASSERT_EQ(server->MapName(), "de_dust2");
    Console("tk_beta_illegaldefusefix 0");
    Console("tk_beta_illegaldefusefix 1");
    // A new level starts everybody without a team.
    Game().SetTeam(alice->EntityIndex(), TEAM_TERRORIST);
    Game().SetTeam(carol->EntityIndex(), TEAM_CT);
    server->RunSeconds(3.2);
    ASSERT_TRUE(Game().IsAlive(carol->EntityIndex()));
    EXPECT_TRUE(Hooked(*carol));
    Plant(kBombSpot);
    UseFrom(*carol, kBehindWall);
    EXPECT_FALSE(Defusing(*carol));
    EXPECT_EQ(Refusals(*carol), 1);
}

// Carol leaves while hooked and refused; erin takes her slot, quite
// possibly her entity's very address, and owes her nothing.
TEST_F(DefuseFixFeature, ANewPlayerInALeaversSlotStartsClean) {
    Start();
    Plant(kBombSpot);
    UseFrom(*carol, kBehindWall);
    ASSERT_EQ(Refusals(*carol), 1);
    const int slot = carol->EntityIndex();
    server->Clients().Disconnect(*carol, "Disconnect by user.", false);
    sim::Client& erin = Connect("erin");
    ASSERT_EQ(erin.EntityIndex(), slot);
    EXPECT_FALSE(Hooked(erin)) << "not on a team yet";
    Game().SetTeam(erin.EntityIndex(), TEAM_CT);
    Console("mp_restartgame 1");
    server->RunSeconds(1.2);
    ASSERT_TRUE(Game().IsAlive(erin.EntityIndex()));
    EXPECT_TRUE(Hooked(erin));
    Plant(kBombSpot);
    UseFrom(erin, kInView);
    EXPECT_TRUE(Defusing(erin)) << "no verdict carried over from carol";
    EXPECT_EQ(Refusals(erin), 0);
    Console("tk_beta_illegaldefusefix 0");
    EXPECT_FALSE(Hooked(erin));
}

// The top slot of a full server is a table's last entry, not past it.
TEST_F(DefuseFixFeature, TheLastPlayerSlotOfAFullServerIsJudged) {
    StartServer("-insecure +maxplayers 64 +mp_freezetime 0 +map de_dust2");
    Console("tk_beta_illegaldefusefix 1");
    alice = &Join("alice", TEAM_TERRORIST);
    for (int i = 0; i < 62; ++i) {
        AddBot("bot" + std::to_string(i));
    }
    sim::Client& last = Join("last", TEAM_CT);
    ASSERT_EQ(last.EntityIndex(), 64);
    server->RunSeconds(3.1);
    ASSERT_TRUE(Game().IsAlive(last.EntityIndex()));
    EXPECT_TRUE(Hooked(last));
    Plant(kBombSpot);
    UseFrom(last, kBehindWall);
    EXPECT_FALSE(Defusing(last));
    EXPECT_EQ(Refusals(last), 1);
}

}  // namespace

// The game machinery wired into the game library and the engine: usercmds
// run through the game's movement, snapshots through its entity services,
// the voice rule into the engine's table, the map's entity text and world,
// traces through the engine factory's interface, and the UDP socket read
// through the g_pVCR table.
#include <in_buttons.h>
#include <tier0/vcr.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "../cstrike/LoopbackPeer.h"
#include "GameServerTest.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

bool IsFinite(const float v[3]) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// ---- usercmds and movement -------------------------------------------------

class SrcdsSimGameServerUsercmds : public GameServerTest {};

TEST_F(SrcdsSimGameServerUsercmds, ASpeedHackerRunsMoreUsercmdsThanTicksAndGetsFurther) {
    StartGame();
    sim::Client& honest = Player("honest", 2);
    sim::Client& hacker = Player("hacker", 2);
    Game().SetUsercmdRate(hacker.EntityIndex(), 200.0f);  // three per 0.015 s tick
    Input(honest, 0.0f, 450.0f);
    Input(hacker, 0.0f, 450.0f);
    const Vector honestStart = Origin(honest);
    const Vector hackerStart = Origin(hacker);
    server->RunSeconds(1.0);  // 67 ticks
    EXPECT_EQ(State(honest).usercmds, 67);
    EXPECT_NEAR(State(hacker).usercmds, 201, 1);
    const float honestWay = (Origin(honest) - honestStart).Length();
    EXPECT_GT(honestWay, 150.0f);
    EXPECT_GT((Origin(hacker) - hackerStart).Length(), 2.5f * honestWay);
    // Both at walking speed: the hack is in the number of commands.
    EXPECT_LE(State(hacker).velocity[0], 250.5f);
}

// An honest client behind a stalled connection: nothing for a while, then the
// backlog in one tick. Over the whole time still one command per tick, but a
// window that ends just after the stall holds more than its ticks.
TEST_F(SrcdsSimGameServerUsercmds, ALaggingClientsBacklogRunsInOneTick) {
    StartGame();
    sim::Client& honest = Player("honest", 2);
    sim::Client& lagging = Player("lagging", 2);
    Input(lagging, 0.0f, 450.0f);
    server->RunTicks(10);
    ASSERT_EQ(State(lagging).usercmds, 10);
    const Vector before = Origin(lagging);
    Game().StallUsercmds(lagging.EntityIndex(), 0.2f);  // 14 ticks
    server->RunTicks(14);
    EXPECT_EQ(State(lagging).usercmds, 10) << "nothing arrives while the packets stall";
    EXPECT_FLOAT_EQ((Origin(lagging) - before).Length(), 0.0f);
    server->RunTicks(1);
    EXPECT_EQ(State(lagging).usercmds, 25) << "the backlog and this tick's command at once";
    EXPECT_GT((Origin(lagging) - before).Length(), 30.0f) << "and the player moved for them";
    server->RunTicks(5);
    EXPECT_EQ(State(lagging).usercmds, State(honest).usercmds);

    // A speed hacker's backlog is his rate's, not a tick's worth.
    Game().SetUsercmdRate(lagging.EntityIndex(), 200.0f);
    const int start = State(lagging).usercmds;
    Game().StallUsercmds(lagging.EntityIndex(), 1.0f);
    server->RunTicks(67);
    EXPECT_EQ(State(lagging).usercmds, start);
    server->RunTicks(1);
    EXPECT_NEAR(State(lagging).usercmds - start, 3 * 68, 1);
}

TEST_F(SrcdsSimGameServerUsercmds, HostileNumbersNeitherMoveAPlayerOffTheMapNorStopTheServer) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    const Vector start = Origin(alice);
    const SimUsercmd hostile[] = {
        {{kNaN, kNaN, kNaN}, kNaN, kNaN, kNaN, IN_JUMP},
        {{0.0f, 45.0f, 0.0f}, kInfinity, -kInfinity, kInfinity, 0},
        {{1e30f, -1e30f, 0.0f}, 1e30f, 1e30f, 0.0f, IN_DUCK},
    };
    for (const SimUsercmd& input : hostile) {
        Game().SetUsercmdInput(alice.EntityIndex(), input);
        server->RunSeconds(0.5);
        const SimPlayerState state = State(alice);
        ASSERT_TRUE(IsFinite(state.origin) && IsFinite(state.velocity));
        EXPECT_LE(std::hypot(state.velocity[0], state.velocity[1]), 250.5f);
    }
    EXPECT_LT((Origin(alice) - start).Length(), 400.0f);
    Game().SetMoveType(alice.EntityIndex(), MOVETYPE_NOCLIP);
    Game().SetUsercmdInput(alice.EntityIndex(), hostile[0]);
    server->RunTicks(10);
    EXPECT_TRUE(IsFinite(State(alice).origin));
    EXPECT_EQ(State(alice).usercmds, server->Clock().TickCount())
        << "one a tick, whatever it holds";
}

TEST_F(SrcdsSimGameServerUsercmds, NoclipFliesLadderClimbsAndWalkingFallsBackToTheFloor) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    const float floor = Origin(alice).z;
    ASSERT_TRUE(Game().SetMoveType(alice.EntityIndex(), MOVETYPE_NOCLIP));
    SimUsercmd up;
    up.viewangles[0] = -90.0f;  // looking straight up
    up.forwardmove = 450.0f;
    Game().SetUsercmdInput(alice.EntityIndex(), up);
    server->RunSeconds(1.0);
    EXPECT_NEAR(Origin(alice).z - floor, 250.0f, 5.0f);  // noclip speed is the maximum speed

    ASSERT_TRUE(Game().SetMoveType(alice.EntityIndex(), MOVETYPE_LADDER));
    SimUsercmd climb;
    climb.upmove = 400.0f;
    Game().SetUsercmdInput(alice.EntityIndex(), climb);
    const float before = Origin(alice).z;
    server->RunSeconds(1.0);
    EXPECT_NEAR(Origin(alice).z - before, 200.0f, 4.0f);  // ladders are slower

    ASSERT_TRUE(Game().SetMoveType(alice.EntityIndex(), MOVETYPE_WALK));
    Game().SetUsercmdInput(alice.EntityIndex(), SimUsercmd());
    server->RunSeconds(2.0);
    EXPECT_EQ(Origin(alice).z, floor);
    EXPECT_TRUE(State(alice).flags & FL_ONGROUND);

    Game().Kill(alice.EntityIndex());
    EXPECT_FALSE(Game().SetMoveType(alice.EntityIndex(), MOVETYPE_NOCLIP)) << "dead players";
    EXPECT_FALSE(Game().SetMoveType(alice.EntityIndex(), MOVETYPE_PUSH)) << "not a player's";
}

TEST_F(SrcdsSimGameServerUsercmds, ARateBelongsToTheClientAcrossLevelsUntilItLeaves) {
    StartGame();
    sim::Client& hacker = Player("hacker", 2);
    Game().SetUsercmdRate(hacker.EntityIndex(), 200.0f);
    Console("changelevel de_inferno");
    server->RunTicks(1);  // the level changes: a new player entity
    ASSERT_EQ(server->MapName(), "de_inferno");
    server->RunSeconds(1.0);
    EXPECT_NEAR(State(hacker).usercmds, 3 * server->Clock().TickCount(), 1);

    const int slot = hacker.EntityIndex();
    server->Clients().Disconnect(hacker, "Disconnect by user.", false);
    sim::Client& next = Connect("next");
    ASSERT_EQ(next.EntityIndex(), slot);
    server->RunSeconds(1.0);
    EXPECT_EQ(State(next).usercmds, 67) << "the slot's next client is honest";
}

// ---- buying ---------------------------------------------------------------------

class SrcdsSimGameServerBuy : public GameServerTest {};

TEST_F(SrcdsSimGameServerBuy, TheBuyCommandSpendsMoneyAndTheKitGoesWithItsOwnersLife) {
    StartGame("-insecure +mp_startmoney 3000 +mp_freezetime 0 +map de_dust2");
    sim::Client& alice = Player("alice", 2);
    sim::Client& carol = Player("carol", 3);
    auto buy = [&](sim::Client& client, const std::string& item) {
        server->Clients().ExecuteClientLine(client, "buy " + item);
    };
    buy(alice, "ak47");
    EXPECT_EQ(State(alice).money, 500);
    buy(alice, "m4a1");
    buy(alice, "defuser");
    buy(alice, "nothing");
    EXPECT_EQ(State(alice).money, 500) << "too dear, not for terrorists, unknown";
    EXPECT_FALSE(State(alice).hasDefuser);
    buy(carol, "defuser");
    buy(carol, "defuser");
    EXPECT_EQ(State(carol).money, 2800) << "one kit";
    EXPECT_TRUE(State(carol).hasDefuser);
    EXPECT_TRUE(carol.GetInbox().Console().Text().empty()) << "buy is a command the game knows";
    Game().Kill(carol.EntityIndex());
    EXPECT_FALSE(State(carol).hasDefuser);
}

// ---- snapshots -----------------------------------------------------------------

class SrcdsSimGameServerSnapshots : public GameServerTest {
protected:
    // The indexes the engine would offer: every edict in use with an entity.
    std::vector<int> EntitiesInGame() {
        std::vector<int> indexes;
        for (int i = 0; i < MAX_EDICTS; ++i)
            if (const edict_t* edict = server->Edicts().Get(i);
                edict && !edict->IsFree() && edict->GetNetworkable())
                indexes.push_back(i);
        return indexes;
    }
    std::vector<int> SentTo(const sim::Client& client) {
        std::vector<int> indexes;
        const TransmitBitVec* sent = server->Snapshots()->LastSent(client.EntityIndex());
        for (int i = 0; sent && i < MAX_EDICTS; ++i)
            if (sent->IsBitSet(i))
                indexes.push_back(i);
        return indexes;
    }
};

TEST_F(SrcdsSimGameServerSnapshots, HumansAndSourceTVAreSentEveryEntityBotsNothing) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& carol = Player("carol", 3);
    sim::Client& bot = server->Clients().AddFakeClient("Bot", sim::ClientKind::Bot);
    sim::Client& tv = server->Clients().AddFakeClient("SourceTV", sim::ClientKind::SourceTV);
    const int before = server->Snapshots()->Snapshots();
    server->RunTicks(3);
    EXPECT_EQ(server->Snapshots()->Snapshots(), before + 3) << "one snapshot a tick";
    const std::vector<int> all = EntitiesInGame();
    EXPECT_GT(all.size(), 30u) << "players, their weapons and the map's entities";
    EXPECT_EQ(SentTo(alice), all);
    EXPECT_EQ(SentTo(carol), all);
    EXPECT_EQ(SentTo(tv), all);
    EXPECT_EQ(server->Snapshots()->LastSent(bot.EntityIndex()), nullptr);
}

TEST_F(SrcdsSimGameServerSnapshots, WhatTheEdictSaysNeverToSendAndWhatIsGoneAreHeldBack) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    std::vector<int> props;
    for (int i : EntitiesInGame())
        if (std::string(server->Edicts().Get(i)->GetClassName()) == "prop_dynamic")
            props.push_back(i);
    ASSERT_EQ(props.size(), 3u);
    server->Edicts().Get(props[0])->m_fStateFlags |= FL_EDICT_DONTSEND;
    Console("ent_fire prop_dynamic kill");
    server->RunTicks(1);
    for (int prop : props)
        EXPECT_FALSE(server->Snapshots()->WasSent(alice.EntityIndex(), prop)) << prop;
    EXPECT_TRUE(server->Snapshots()->WasSent(alice.EntityIndex(), alice.EntityIndex()));
}

// ---- voice ----------------------------------------------------------------------

class SrcdsSimGameServerVoice : public GameServerTest {
protected:
    bool Hears(const sim::Client& receiver, const sim::Client& sender) {
        return server->Voice().GetClientListening(receiver.EntityIndex(), sender.EntityIndex());
    }
    // Two updates of the voice manager: a new client's answer to its
    // RequestState arrives with its next packet and counts at the next one.
    void Update() { server->RunSeconds(0.6); }
    int RequestStates(const sim::Client& client) {
        int count = 0;
        for (const sim::InboxEntry& entry : client.GetInbox().Entries())
            count += entry.messageType == 18;
        return count;
    }
};

TEST_F(SrcdsSimGameServerVoice, TheCounterStrikeRuleDecidesForClientsThatEnabledVoice) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& bob = Player("bob", 2);
    sim::Client& carol = Player("carol", 3);
    sim::Client& dave = Player("dave", 3);
    sim::Client& mute = Connect("mute", [](sim::ClientSpec& spec) { spec.voiceEnabled = false; });
    server->Clients().ExecuteClientLine(mute, "jointeam 2");
    Update();
    EXPECT_EQ(RequestStates(alice), 1) << "asked once, answered";
    EXPECT_EQ(RequestStates(mute), 1) << "\"VModEnable 0\" is an answer too";
    EXPECT_TRUE(Hears(alice, bob));
    EXPECT_TRUE(Hears(carol, dave));
    EXPECT_FALSE(Hears(alice, carol));
    EXPECT_FALSE(Hears(mute, alice)) << "voice off: he hears nobody";
    EXPECT_TRUE(Hears(alice, mute));

    server->Clients().ExecuteClientLine(bob, "kill");
    server->Clients().ExecuteClientLine(carol, "kill");
    Update();
    EXPECT_TRUE(Hears(bob, alice)) << "the dead hear their living team-mates";
    EXPECT_FALSE(Hears(alice, bob)) << "but are heard by the dead of their side only";
    EXPECT_FALSE(Hears(bob, carol));
    server->Clients().ExecuteClientLine(alice, "kill");
    Update();
    EXPECT_TRUE(Hears(alice, bob));

    Console("sv_alltalk 1");
    Update();
    EXPECT_TRUE(Hears(dave, bob));
    EXPECT_TRUE(Hears(bob, carol));
    EXPECT_FALSE(Hears(mute, alice));
}

TEST_F(SrcdsSimGameServerVoice, VbanMutesTheNamedSendersUntilTheReceiverLeaves) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& bob = Player("bob", 2);
    sim::Client& eve = Player("eve", 2);
    ASSERT_EQ(bob.EntityIndex(), 2);
    ASSERT_EQ(eve.EntityIndex(), 3);
    server->Clients().ExecuteClientLine(alice, "vban 6");  // bits 1 and 2: players 2 and 3
    Update();
    EXPECT_FALSE(Hears(alice, bob));
    EXPECT_FALSE(Hears(alice, eve));
    EXPECT_TRUE(Hears(bob, alice)) << "muting is one way";
    server->Clients().ExecuteClientLine(alice, "vban 4");
    Update();
    EXPECT_TRUE(Hears(alice, bob));
    EXPECT_FALSE(Hears(alice, eve));
    server->Clients().ExecuteClientLine(alice, "vban zz");
    Update();
    EXPECT_TRUE(Hears(alice, eve)) << "a mask that is not a number mutes nobody";

    server->Clients().ExecuteClientLine(alice, "vban ffffffff ffffffff");
    server->Clients().Disconnect(alice, "Disconnect by user.", false);
    sim::Client& next = Connect("next");  // dead until the next round
    ASSERT_EQ(next.EntityIndex(), 1);
    server->Clients().ExecuteClientLine(next, "jointeam 2");
    Update();
    EXPECT_TRUE(Hears(next, eve)) << "the slot's next client has no mutes";
}

TEST_F(SrcdsSimGameServerVoice, TheRuleGoesOnUpdatingOnANewLevel) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& carol = Player("carol", 3);
    server->RunSeconds(60.0);
    EXPECT_FALSE(Hears(alice, carol));
    Console("changelevel de_dust2");
    server->RunTicks(1);  // game time starts again from zero; both watch, dead
    Update();
    EXPECT_TRUE(Hears(alice, carol));
}

// ---- the map's entities --------------------------------------------------------

class SrcdsSimGameServerMap : public GameServerTest {};

TEST_F(SrcdsSimGameServerMap, Dust2SpawnsItsEntitiesAndPlayersStartOnItsSpawnPoints) {
    StartGame();
    EXPECT_EQ(Game().CountEntities("worldspawn"), 1);
    EXPECT_EQ(Game().CountEntities("info_player_terrorist"), 5);
    EXPECT_EQ(Game().CountEntities("prop_dynamic"), 3);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props_c17/oildrum001.mdl"), 2);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props/de_dust/du_antenna_a.mdl"), 2);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props_vehicles/carparts_axel01a.mdl"), 1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props_vehicles/carparts_tire01a.mdl"), 1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props/de_dust/grainbasket01c.mdl"), 1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props_junk/wood_crate001a.mdl"), 1);
    EXPECT_EQ(std::string(server->Edicts().Get(0)->GetClassName()), "worldspawn");
    sim::Client& alice = Player("alice", 2);
    sim::Client& carol = Player("carol", 3);
    EXPECT_EQ(Origin(alice), Vector(-1024, -896, 0));
    EXPECT_EQ(Origin(carol), Vector(896, 896, 0));
}

TEST_F(SrcdsSimGameServerMap, AFaultInTheEntityTextKeepsTheBlocksBeforeItAndWarns) {
    folder.WriteFile("maps/de_aztec.ent",
                     "{ \"classname\" \"prop_physics\" \"model\" \"models/a.mdl\" }\n"
                     "{ classname prop_physics model models/a.mdl }\n"
                     "{ \"classname\" \"prop_physics\" \"model\n");
    StartGame("+map de_aztec");
    EXPECT_EQ(Game().CountEntitiesByModel("models/a.mdl"), 2);
    EXPECT_TRUE(ConsoleHas("The map's entity text stops at line 3")) << server->Console().Text();
}

TEST_F(SrcdsSimGameServerMap, ALevelChangeReplacesTheEntitiesWithoutLeakingEdicts) {
    StartGame();
    Connect("alice");
    const int inUse = server->Edicts().InUseCount();
    Console("changelevel de_inferno");
    server->RunTicks(1);
    EXPECT_EQ(Game().CountEntities("prop_dynamic"), 0) << "de_inferno's props are physics props";
    EXPECT_EQ(Game().CountEntities("prop_physics_multiplayer"), 8);
    Console("changelevel de_dust2");
    server->RunTicks(1);
    EXPECT_EQ(Game().CountEntities("prop_dynamic"), 3);
    EXPECT_EQ(server->Edicts().InUseCount(), inUse);
}

TEST_F(SrcdsSimGameServerMap, InfernoAndTrainSpawnTheirProps) {
    StartGame("+map de_train");
    EXPECT_EQ(Game().CountEntities("worldspawn"), 1);
    // Its own spelling: de_nuke's barrel is "barrel.mdl".
    EXPECT_EQ(Game().CountEntitiesByModel("models/props/de_train/Barrel.mdl"), 1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props/de_train/barrel.mdl"), 0);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props_c17/oildrum001.mdl"), 1);
    EXPECT_EQ(Game().CountEntities("prop_physics"), 1);
    EXPECT_EQ(Game().CountEntities("info_player_terrorist"), 5);
    Console("changelevel de_inferno");
    server->RunTicks(1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props/de_inferno/claypot01.mdl"), 1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props_c17/Furniturechair001a.mdl"), 1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/props/de_train/Barrel.mdl"), 0);
    EXPECT_EQ(Game().CountEntities("info_player_terrorist"), 0);
}

// ---- the world and traces ---------------------------------------------------------

class SrcdsSimGameServerTrace : public GameServerTest {};

TEST_F(SrcdsSimGameServerTrace, TheFactorysTraceStopsAtTheWorldsBoxes) {
    StartGame();
    ASSERT_NE(FactoryTrace(), nullptr);
    EXPECT_EQ(FactoryTrace(), server->Trace());
    // Site A's wall stands at x 560 to 576.
    const trace_t wall = Trace(Vector(600, 600, 64), Vector(540, 600, 8), MASK_OPAQUE);
    EXPECT_NEAR(wall.fraction, 24.0f / 60.0f, 1e-4f);
    EXPECT_EQ(wall.plane.normal, Vector(1, 0, 0));
    EXPECT_EQ(Trace(Vector(600, 600, 200), Vector(540, 600, 200), MASK_OPAQUE).fraction, 1.0f);
    // Its window is seen through but not walked through.
    EXPECT_EQ(Trace(Vector(600, 608, 128), Vector(540, 608, 128), MASK_OPAQUE).fraction, 1.0f);
    EXPECT_LT(Trace(Vector(600, 608, 128), Vector(540, 608, 128), MASK_SOLID).fraction, 1.0f);
    EXPECT_TRUE(Trace(Vector(0, 0, -8), Vector(0, 0, 8), MASK_OPAQUE).startsolid) << "the ground";
}

// The cars standing on de_train's bomb sites are brush entities: the world's
// trace passes through them, so a player beside one sees its deck through
// the car, while the yard's ground and walls stop a trace.
TEST_F(SrcdsSimGameServerTrace, DeTrainsCarsAreNotPartOfItsWorld) {
    StartGame("-insecure +mp_freezetime 0 +map de_train");
    EXPECT_EQ(Game().CountEntities("info_player_counterterrorist"), 5);
    sim::Client& alice = Player("alice", 2);
    sim::Client& carol = Player("carol", 3);
    EXPECT_EQ(Origin(alice), Vector(-576, -1408, -352)) << "the lower tracks";
    EXPECT_EQ(Origin(carol), Vector(1856, -256, -216)) << "the yard";
    // Site A: from the yard's ground beside the car to its deck, and across it.
    EXPECT_EQ(Trace(Vector(1300, -260, -153), Vector(1300, -161, -144), MASK_OPAQUE).fraction,
              1.0f);
    EXPECT_EQ(Trace(Vector(1300, -300, -180), Vector(1300, 0, -180), MASK_SOLID).fraction, 1.0f);
    EXPECT_TRUE(Trace(Vector(1300, -260, -220), Vector(1300, -260, -100), MASK_OPAQUE).startsolid)
        << "the yard's ground";
    EXPECT_LT(Trace(Vector(1300, 300, -100), Vector(1300, 360, -100), MASK_OPAQUE).fraction, 1.0f)
        << "the yard's north wall";
    EXPECT_EQ(Trace(Vector(1300, 300, 0), Vector(1300, 360, 0), MASK_OPAQUE).fraction, 1.0f)
        << "its window";
    // Site B: the lower tracks' car, and the tunnel wall east of them.
    EXPECT_EQ(Trace(Vector(33, -1380, -289), Vector(33, -1279, -280), MASK_OPAQUE).fraction, 1.0f);
    EXPECT_LT(Trace(Vector(690, -1279, -300), Vector(740, -1279, -300), MASK_OPAQUE).fraction,
              1.0f);
}

TEST_F(SrcdsSimGameServerTrace, LivingPlayersStopShotsButNotSight) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    const Vector at = Origin(alice);
    const Vector from = at + Vector(-100, 0, 36);
    const Vector to = at + Vector(100, 0, 36);
    const trace_t shot = Trace(from, to, MASK_SHOT);
    EXPECT_NEAR(shot.fraction, 84.0f / 200.0f, 1e-4f);
    EXPECT_EQ(shot.m_pEnt,
              server->Edicts().Get(alice.EntityIndex())->GetUnknown()->GetBaseEntity());
    EXPECT_EQ(Trace(from, to, MASK_OPAQUE).fraction, 1.0f);
    Game().Kill(alice.EntityIndex());
    EXPECT_EQ(Trace(from, to, MASK_SHOT).fraction, 1.0f) << "the dead are not solid";
}

TEST_F(SrcdsSimGameServerTrace, AFaultyWorldFileKeepsTheBoxesBeforeItsFault) {
    folder.WriteFile("maps/de_aztec.world",
                     "box -8 -8 0  8 8 64\nbox 100 0 0 lava\nbox 200 -8 0  216 8 64\n");
    StartGame("+map de_aztec");
    EXPECT_EQ(server->World().Boxes().size(), 1u);
    EXPECT_TRUE(ConsoleHas("maps/de_aztec.world: line 2: a box needs six numbers"))
        << server->Console().Text();
    EXPECT_LT(Trace(Vector(-50, 0, 32), Vector(50, 0, 32), MASK_OPAQUE).fraction, 1.0f);
    EXPECT_EQ(Trace(Vector(150, 0, 32), Vector(250, 0, 32), MASK_OPAQUE).fraction, 1.0f);
    Console("changelevel de_dust2");
    server->RunTicks(1);
    EXPECT_GT(server->World().Boxes().size(), 10u) << "each level has its own world";
}

// ---- the UDP socket --------------------------------------------------------------

// The server info's environment byte: the server's operating system.
#ifdef _WIN32
const char kServerOs = 'w';
#else
const char kServerOs = 'l';
#endif

// The receive entry as a plug-in swaps it: counts every read, and may drop
// empty datagrams by reading on.
struct ReceiveEntry {
    static inline int (*saved)(int, char*, int, int, sockaddr*, int*) = nullptr;
    static inline int reads = 0;
    static inline bool dropEmpty = false;

    static int Hook(int s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) {
        for (;;) {
            ++reads;
            const int size = saved(s, buffer, length, flags, from, fromLength);
            if (size != 0 || !dropEmpty)
                return size;
        }
    }
};

class SrcdsSimGameServerSocket : public GameServerTest {
protected:
    void SetUp() override { ASSERT_TRUE(sender.Ok()) << sender.Error(); }
    void TearDown() override {
        if (ReceiveEntry::saved)
            g_pVCR->Hook_recvfrom = ReceiveEntry::saved;
        ReceiveEntry::saved = nullptr;
    }
    void SwapReceiveEntry(bool dropEmpty) {
        ReceiveEntry::saved = g_pVCR->Hook_recvfrom;
        ReceiveEntry::reads = 0;
        ReceiveEntry::dropEmpty = dropEmpty;
        g_pVCR->Hook_recvfrom = &ReceiveEntry::Hook;
    }
    void Send(const std::string& bytes) {
        ASSERT_TRUE(sender.SendTo(server->Net().Port(), bytes));
        ASSERT_TRUE(server->Net().WaitReadable(1000));
    }
    static std::string Connectionless(char type, const std::string& body = "") {
        return std::string("\xFF\xFF\xFF\xFF", 4) + type + body;
    }
    std::string Reply() { return sender.Receive(1000); }

    LoopbackPeer sender;
};

TEST_F(SrcdsSimGameServerSocket, DatagramsReachTheEngineThroughTheReceiveEntry) {
    StartGame();
    ASSERT_TRUE(server->Net().IsOpen());
    SwapReceiveEntry(false);
    Send(Connectionless('l', "hello from 127.0.0.1\n"));
    Send(Connectionless('T', "Source Engine Query"));
    Send("\x01\x02\x03 a game packet");
    server->RunFrame();
    EXPECT_EQ(ReceiveEntry::reads, 4) << "three datagrams and the read that found none";
    EXPECT_EQ(server->Net().CountOfType('l'), 1);
    EXPECT_EQ(server->Net().CountOfType('T'), 1);
    EXPECT_EQ(server->Net().Count(sim::PacketKind::Game), 1);
    EXPECT_TRUE(server->Console().HasLine("hello from 127.0.0.1"));
    Send(Connectionless('l', "%s%n%s\n"));
    server->RunFrame();
    EXPECT_TRUE(server->Console().HasLine("%s%n%s")) << "printed as data";
    server->RunFrame();
    EXPECT_EQ(ReceiveEntry::reads, 7) << "every frame reads";
}

TEST_F(SrcdsSimGameServerSocket, AFloodOfEmptyDatagramsDelaysARealOneAFrameEach) {
    StartGame();
    for (int i = 0; i < 30; ++i)
        Send("");
    Send(Connectionless('l', "late\n"));
    server->RunTicks(30);
    EXPECT_FALSE(ConsoleHas("late"));
    EXPECT_EQ(server->Net().Count(sim::PacketKind::Empty), 30);
    server->RunFrame();
    EXPECT_TRUE(ConsoleHas("late"));

    // A receive entry that drops them lets the real packet through at once.
    SwapReceiveEntry(true);
    for (int i = 0; i < 30; ++i)
        Send("");
    Send(Connectionless('l', "on time\n"));
    server->RunFrame();
    EXPECT_TRUE(ConsoleHas("on time"));
}

TEST_F(SrcdsSimGameServerSocket, APlayerListQueryIsAnsweredWithTheClientsAndTheirScores) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& bot = server->Clients().AddFakeClient("Carl", sim::ClientKind::Bot);
    server->Clients().ExecuteClientLine(bot, "jointeam 3");
    Game().Hurt(bot.EntityIndex(), alice.EntityIndex(), 500, "weapon_glock");
    server->RunSeconds(2.0);
    Send(Connectionless('U', std::string("\xFF\xFF\xFF\xFF", 4)));
    server->RunFrame();
    const std::string challenge = Reply();
    ASSERT_EQ(challenge.substr(0, 5), Connectionless('A'));
    Send(Connectionless('U', challenge.substr(5)));
    server->RunFrame();
    const std::string reply = Reply();
    ASSERT_GE(reply.size(), 6u);
    EXPECT_EQ(reply.substr(0, 5), Connectionless('D'));
    EXPECT_EQ(reply[5], 2);
    const std::string first = reply.substr(6, 1 + 6 + 4);
    EXPECT_EQ(first, std::string("\0alice\0\x01\0\0\0", 11)) << "alice has one frag";
    float seconds = 0.0f;
    std::memcpy(&seconds, reply.data() + 6 + 11, sizeof seconds);
    EXPECT_NEAR(seconds, 2.0f, 0.05f);
    EXPECT_NE(reply.find(std::string("Carl\0", 5)), std::string::npos);
}

TEST_F(SrcdsSimGameServerSocket, TheCommandLinesPortIsTakenOrTheServerRunsWithoutOne) {
    LoopbackPeer probe;
    ASSERT_TRUE(probe.Ok()) << probe.Error();
    const int port = probe.Port();
    ASSERT_GT(port, 0);

    StartGame("-port " + std::to_string(port) + " +map de_dust2");
    EXPECT_FALSE(server->Net().IsOpen()) << "the port is taken";
    EXPECT_TRUE(ConsoleHas("Unable to open the UDP socket on 127.0.0.1:" + std::to_string(port)));
    server->RunTicks(2);
    EXPECT_TRUE(server->IsLevelRunning());
    server.reset();

    probe.Close();
    StartGame("-port " + std::to_string(port) + " +map de_dust2");
    EXPECT_EQ(server->Net().Port(), port);
    EXPECT_TRUE(ConsoleHas("ports " + std::to_string(port) + " SV"));
    Console("status");
    EXPECT_TRUE(ConsoleHas("udp/ip  :  127.0.0.1:" + std::to_string(port)));
    const auto spawns = Events("server_spawn");
    ASSERT_EQ(spawns.size(), 1u);
    EXPECT_EQ(spawns[0].values.at("address"), "127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(spawns[0].values.at("port"), std::to_string(port));
}

TEST_F(SrcdsSimGameServerSocket, ServerInfoTellsTheRunningServer) {
    StartGame("+maxplayers 12 +map de_dust2");
    Console("hostname \"Info Test\"");
    Console("sv_tags \"alpha,beta\"");
    Player("alice", 2);
    server->Clients().AddFakeClient("Carl", sim::ClientKind::Bot);
    const std::string query = Connectionless('T', std::string("Source Engine Query\0", 20));
    Send(query + std::string("\xFF\xFF\xFF\xFF", 4));
    server->RunFrame();
    const std::string challenge = Reply();
    ASSERT_EQ(challenge.substr(0, 5), Connectionless('A'));
    Send(query + challenge.substr(5));
    server->RunFrame();
    const std::string reply = Reply();
    const std::string start = Connectionless('I', "\x11Info Test") + std::string(1, '\0') +
                              "de_dust2" + std::string(1, '\0') + "cstrike" + std::string(1, '\0') +
                              "Counter-Strike: Source" + std::string("\0\xF0\0\x02\x0C\x01", 6) +
                              "d" + kServerOs;
    EXPECT_EQ(reply.substr(0, start.size()), start) << "2 players of 12, 1 of them a bot";
    EXPECT_NE(reply.find(std::string("alpha,beta\0", 11)), std::string::npos);
}

}  // namespace

// The game calls its interfaces and entities virtually, so hooks placed on
// single objects (as the plug-in places them) see every call, and a hook
// that lets the call through changes nothing.
#include <gtest/gtest.h>

#include <in_buttons.h>

#include "GameFixture.h"
#include "GameMovement.h"
#include "PluginAccess.h"
#include "ServerGameEnts.h"
#include "UsercmdDriver.h"
#include "engine/SnapshotDriver.h"
#include "hook/Hook.h"

namespace hook = travik::hook;

namespace {

using ProcessMovementCall = hook::CallFor<&IGameMovement::ProcessMovement>;
using FindUseEntity =
    hook::Manual<CBaseEntity, CBaseEntity*(), plugin_access::GameSlots::kFindUseEntity>;

int g_movementCalls = 0;

void CountMovement(ProcessMovementCall&, CBasePlayer*, CMoveData*) {
    ++g_movementCalls;
}

void SlowDown(ProcessMovementCall& call, CBasePlayer*, CMoveData* move) {
    move->m_vecVelocity *= 0.5f;
    call.handled();
}

void StopMovement(ProcessMovementCall& call, CBasePlayer*, CMoveData*) {
    call.supersede();
}

void DenyUse(hook::CallOf<FindUseEntity>& call) {
    call.supersede(nullptr);
}

void HideFirstClient(hook::CallFor<&IServerGameEnts::CheckTransmit>&, CCheckTransmitInfo* info,
                     const unsigned short*, int) {
    info->m_pTransmitEdict->Clear(1);
}

// A round under way: a terrorist, two counter-terrorists (one of them a
// speed hacker), everybody walking.
struct Match {
    Match() {
        globals.interval_per_tick = 0.015f;
        rules.Settings().freezeTime = 0.0f;
        rules.LevelInit();
        t = Join(1, TEAM_TERRORIST);
        ct = Join(2, TEAM_CT);
        other = Join(3, TEAM_CT);
        // Past the "Game Commencing" restart, into the round.
        Run(static_cast<int>(cstrike::CSGameRules::kCommencingDelay / 0.015f) + 2);
        driver.SetClient(t);
        driver.SetClient(ct, 100.0f);
        driver.SetClient(other);
        CUserCmd input;
        input.viewangles = QAngle(0.0f, 30.0f, 0.0f);
        input.forwardmove = 400.0f;
        input.sidemove = 100.0f;
        driver.SetInput(t, input);
        driver.SetInput(ct, input);
    }

    CCSPlayer* Join(int index, int team) {
        CCSPlayer* player =
            rules.ClientPutInServer(engine.ConnectClient(index), index, "player", "BOT");
        rules.JoinTeam(player, team);
        return player;
    }

    void Run(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            ++globals.tickcount;
            globals.curtime = static_cast<float>(globals.tickcount) * globals.interval_per_tick;
            driver.RunTick();
            rules.Think();
        }
    }

    IGameMovement* Movement() { return &movement; }

    FakeEngine engine;
    CGlobalVars globals;
    cstrike::EntityList entities{engine};
    EventRecorder recorder;
    cstrike::CSGameRules rules{entities, globals, recorder, recorder};
    cstrike::CGameMovement movement{globals};
    cstrike::UsercmdDriver driver{entities, &movement, globals};
    CCSPlayer* t = nullptr;
    CCSPlayer* ct = nullptr;
    CCSPlayer* other = nullptr;
};

TEST(SrcdsSimGameHooked, APassThroughMovementHookChangesNothing) {
    g_movementCalls = 0;
    Match plain;
    plain.Run(150);
    ASSERT_GT(plain.t->GetAbsOrigin().Length(), 100.0f);

    Match hooked;
    ASSERT_TRUE(
        hook::add<&IGameMovement::ProcessMovement>(hooked.Movement(), hook::Pre, &CountMovement));
    hooked.Run(150);
    EXPECT_TRUE(hook::remove<&IGameMovement::ProcessMovement>(hooked.Movement(), hook::Pre,
                                                              &CountMovement));
    EXPECT_EQ(hooked.t->GetAbsOrigin(), plain.t->GetAbsOrigin());
    EXPECT_EQ(hooked.ct->GetAbsOrigin(), plain.ct->GetAbsOrigin());
    EXPECT_EQ(hooked.ct->GetAbsVelocity(), plain.ct->GetAbsVelocity());
    EXPECT_EQ(hooked.recorder.Names(), plain.recorder.Names());
    // Every command of every client went through the hook: 150 each for the
    // honest ones, 225 for the hacker.
    EXPECT_EQ(g_movementCalls, 150 + 225 + 150);
    EXPECT_EQ(hooked.driver.Find(hooked.ct)->commandsRun, 225);
}

TEST(SrcdsSimGameHooked, MovementHooksThatActAreFelt) {
    Match match;
    match.Run(100);
    ASSERT_TRUE(hook::add<&IGameMovement::ProcessMovement>(match.Movement(), hook::Pre, &SlowDown));
    match.Run(1);
    EXPECT_LT(match.t->GetAbsVelocity().Length(), 200.0f);
    EXPECT_TRUE(
        hook::remove<&IGameMovement::ProcessMovement>(match.Movement(), hook::Pre, &SlowDown));

    ASSERT_TRUE(
        hook::add<&IGameMovement::ProcessMovement>(match.Movement(), hook::Pre, &StopMovement));
    const Vector before = match.t->GetAbsOrigin();
    const Vector velocity = match.t->GetAbsVelocity();
    match.Run(10);
    // Not moved by the game: the velocity it had is applied unchanged.
    EXPECT_EQ(match.t->GetAbsOrigin(), before);
    EXPECT_EQ(match.t->GetAbsVelocity(), velocity);
    EXPECT_TRUE(
        hook::remove<&IGameMovement::ProcessMovement>(match.Movement(), hook::Pre, &StopMovement));
    match.Run(1);
    EXPECT_NE(match.t->GetAbsOrigin(), before);
}

TEST(SrcdsSimGameHooked, AHookOnOnePlayersFindUseEntityDeniesOnlyHim) {
    Match match;
    match.t->SetAbsOrigin(Vector(0, 0, 0));
    ASSERT_NE(match.rules.PlantBomb(match.t), nullptr);
    CUserCmd use;
    use.buttons = IN_USE;
    match.driver.SetInput(match.t, CUserCmd());
    match.ct->SetAbsOrigin(Vector(30, 0, 0));
    match.other->SetAbsOrigin(Vector(-30, 0, 0));

    CBaseEntity* hooked = match.ct;
    ASSERT_TRUE(hook::add<FindUseEntity>(hooked, hook::Post, &DenyUse));
    match.driver.SetInput(match.ct, use);
    match.Run(2);
    EXPECT_FALSE(match.ct->IsDefusing());
    EXPECT_EQ(match.recorder.Count("bomb_begindefuse"), 0);

    match.driver.SetInput(match.other, use);
    match.Run(1);
    EXPECT_TRUE(match.other->IsDefusing());
    EXPECT_TRUE(hook::remove<FindUseEntity>(hooked, hook::Post, &DenyUse));
}

TEST(SrcdsSimGameHooked, ATransmitHookAfterTheGameDecidesWhatIsSent) {
    Match match;
    cstrike::CServerGameEnts gameEnts(match.entities);
    sim::SnapshotDriver snapshots(match.engine, &gameEnts);
    const std::vector<edict_t*> clients{match.t->edict(), match.ct->edict()};
    IServerGameEnts* ents = &gameEnts;
    ASSERT_TRUE(hook::add<&IServerGameEnts::CheckTransmit>(ents, hook::Post, &HideFirstClient));
    snapshots.TakeSnapshot(clients);
    EXPECT_FALSE(snapshots.WasSent(2, 1));
    EXPECT_TRUE(snapshots.WasSent(2, 2));
    EXPECT_TRUE(hook::remove<&IServerGameEnts::CheckTransmit>(ents, hook::Post, &HideFirstClient));
    snapshots.TakeSnapshot(clients);
    EXPECT_TRUE(snapshots.WasSent(2, 1));
}

}  // namespace

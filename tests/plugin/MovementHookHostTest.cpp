// The movement hook's arithmetic on srcds-sim's players: usercmds sent at
// chosen moments of game time through the host's IGameMovement, whose game
// side is a recorder of what the hook let through (and, for jumps, the
// game's own movement behind it). The windows, the slow-down, the kick
// thresholds at 66 and 100 ticks, the refusals and the tagging are judged
// by the velocity the game received and the kick queue.
#include <edict.h>
#include <eiface.h>
#include <gtest/gtest.h>
#include <igamemovement.h>
#include <in_buttons.h>
#include <iplayerinfo.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "SimRoom.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/travik_services.h"
#include "enforcement/KickBanQueue.h"
#include "fixes/MovementHook.h"
#include "sim/ISimGame.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kRunSpeed = 250.0f;
constexpr float kStart = 100.0f;
// Batches of usercmds lie further apart than a window, so each batch's first
// command closes the window of the batch before.
constexpr float kBatchSpacing = 1.25f;

// The game side behind the hook: counts the commands it is given and keeps
// the velocity of the last; with `forward` the game's own movement runs too.
class RecordingMovement final : public IGameMovement {
public:
    void ProcessMovement(CBasePlayer* player, CMoveData* move) override {
        ++runs;
        velocity = move->m_vecVelocity;
        if (forward) {
            forward->ProcessMovement(player, move);
        }
    }
    const Vector& GetPlayerMins(bool) const override { return zero; }
    const Vector& GetPlayerMaxs(bool) const override { return zero; }
    const Vector& GetPlayerViewOffset(bool) const override { return zero; }

    IGameMovement* forward = nullptr;
    int runs = 0;
    Vector velocity;
    Vector zero;
};

// The host's engine with every player's entity index moved past the tables,
// as on a host with more client slots than the plug-in keeps records for.
class WideEngine final : public IVEngineServer {
public:
    WideEngine(IVEngineServer& engine, int shift) : real(engine), shift(shift) {}

    int IndexOfEdict(const edict_t* edict) override {
        const int index = real.IndexOfEdict(edict);
        return index >= 1 && index <= 64 ? index + shift : index;
    }
    // clang-format off
    void ChangeLevel(const char* a, const char* b) override { real.ChangeLevel(a, b); }
    int IsMapValid(const char* file) override { return real.IsMapValid(file); }
    bool IsDedicatedServer() override { return true; }
    void ServerCommand(const char* text) override { real.ServerCommand(text); }
    void ServerExecute() override { real.ServerExecute(); }
    void ClientPrintf(edict_t* edict, const char* text) override { real.ClientPrintf(edict, text); }
    bf_write* UserMessageBegin(IRecipientFilter* filter, int type) override { return real.UserMessageBegin(filter, type); }
    void MessageEnd() override { real.MessageEnd(); }
    edict_t* PEntityOfEntIndex(int index) override { return real.PEntityOfEntIndex(index); }
    int GetPlayerUserId(const edict_t* edict) override { return real.GetPlayerUserId(edict); }
    const char* GetPlayerNetworkIDString(const edict_t* edict) override { return real.GetPlayerNetworkIDString(edict); }
    const char* GetClientConVarValue(int index, const char* name) override { return real.GetClientConVarValue(index, name); }
    INetChannelInfo* GetPlayerNetInfo(int index) override { return real.GetPlayerNetInfo(index); }
    int GetEntityCount() override { return real.GetEntityCount(); }
    edict_t* CreateEdict(int index) override { return real.CreateEdict(index); }
    void RemoveEdict(edict_t* edict) override { real.RemoveEdict(edict); }
    void GetGameDir(char* dir, int length) override { real.GetGameDir(dir, length); }
    const char* GetMapEntitiesString() override { return real.GetMapEntitiesString(); }
    void ForceExactFile(const char* file) override { real.ForceExactFile(file); }
    void LogPrint(const char* text) override { real.LogPrint(text); }
    // clang-format on

private:
    IVEngineServer& real;
    int shift;
};

class MovementHookService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(room.started);
        g_host.gameMovement = &game;
        ASSERT_TRUE(travik::getInternalVarAccessor()->Init());
        Switches(1, 0, 0);
        ASSERT_TRUE(hook->IsHooked());
        hook->SetTickRate(66.0f);
        At(kStart);
        hook->InitialiseMovementStateAllClients();
    }

    void TearDown() override {
        Switches(1, 1, 0);
        hook->Unload();
        hook->SetTickRate(66.0f);
        travik::getKickBanQueue()->Reset();
    }

    static void Switches(int speed, int angles, int tagging) {
        tk_antispeedhack.SetValue(speed);
        tk_checkviewangles.SetValue(angles);
        tk_beta_tagging.SetValue(tagging);
    }

    void At(float seconds) { g_host.globals->curtime = seconds; }

    edict_t* EdictOf(const sim::Client* client) const { return room.EdictOf(client); }
    CBasePlayer* PlayerOf(const sim::Client* client) const {
        return reinterpret_cast<CBasePlayer*>(g_host.gameEnts->EdictToBaseEntity(EdictOf(client)));
    }

    // One usercmd of a player running at full speed along x; true when the
    // game ran it.
    bool Send(const sim::Client* client, CMoveData move = {}) {
        move.m_vecVelocity = Vector(kRunSpeed, 0.0f, 0.0f);
        const int before = game.runs;
        g_host.gameMovement->ProcessMovement(PlayerOf(client), &move);
        return game.runs > before;
    }

    static CMoveData Angles(float pitch, float yaw, float roll) {
        CMoveData move;
        move.m_vecViewAngles = QAngle(pitch, yaw, roll);
        return move;
    }

    // Sends each count of usercmds as one batch, a window apart, from the
    // next batch time on; how many of each batch reached the game slowed.
    std::vector<int> Windows(const sim::Client* client, std::initializer_list<int> counts) {
        std::vector<int> slowed;
        for (int count : counts) {
            At(nextBatch);
            int batch = 0;
            for (int i = 0; i < count; ++i) {
                Send(client);
                batch += game.velocity.x < kRunSpeed ? 1 : 0;
            }
            slowed.push_back(batch);
            nextBatch += kBatchSpacing;
        }
        return slowed;
    }

    // Every record starts again half a window before the next batch.
    void Restart() {
        At(nextBatch - 0.5f);
        hook->InitialiseMovementStateAllClients();
    }

    bool Queued(const sim::Client* client) const {
        return travik::getKickBanQueue()->IsOnKickBanQueue(EdictOf(client));
    }

    int ConsoleCount(const std::string& text) const {
        const std::string& console = room.server->Console().Text();
        int count = 0;
        for (size_t at = console.find(text); at != std::string::npos;
             at = console.find(text, at + 1)) {
            ++count;
        }
        return count;
    }

    SimRoom room;
    RecordingMovement game;
    MovementHook* hook = travik::getMovementHook();
    float nextBatch = kStart + 0.5f;
};

using Slowed = std::vector<int>;

TEST_F(MovementHookService, At66TicksSeventyTwoIsOverTheLimitFromTheSecondWindow) {
    EXPECT_EQ(Windows(room.alice, {71, 71, 71, 71}), (Slowed{0, 0, 0, 0}));
    Restart();
    EXPECT_EQ(Windows(room.bob, {72, 72, 72, 66, 66}), (Slowed{0, 0, 72, 66, 0}));
    // The velocity the game gets is scaled by the tick rate over the last count.
    EXPECT_FLOAT_EQ(game.velocity.x, kRunSpeed);
    Windows(room.carol, {72, 72, 1});
    EXPECT_EQ(game.velocity.x, kRunSpeed * (66.0f / 72.0f));
}

TEST_F(MovementHookService, At100TicksOneHundredAndNineIsOverTheLimit) {
    hook->SetTickRate(100.0f);
    EXPECT_EQ(Windows(room.alice, {108, 108, 108}), (Slowed{0, 0, 0}));
    EXPECT_EQ(Windows(room.bob, {109, 109, 109}), (Slowed{0, 0, 109}));
}

TEST_F(MovementHookService, AWindowUnderTheLimitResetsTheCount) {
    EXPECT_EQ(Windows(room.alice, {80, 80, 60, 80, 80}), (Slowed{0, 0, 60, 0, 0}));
}

// A tick interval the server cannot have gives no rate: the last one stays.
TEST_F(MovementHookService, ATickRateThatIsNotAPositiveNumberIsRefused) {
    for (float rate : {0.0f, -66.0f, kNaN, std::numeric_limits<float>::infinity()}) {
        hook->SetTickRate(rate);
        EXPECT_EQ(hook->GetTickRate(), 66.0f) << rate;
    }
    EXPECT_EQ(Windows(room.alice, {66, 66, 66}), (Slowed{0, 0, 0}));
}

TEST_F(MovementHookService, KickModeKicksAtTheCloseOfTheFifthWindowOverTheThreshold) {
    Switches(2, 0, 0);
    Windows(room.alice, {93, 93, 93, 93, 93});
    EXPECT_FALSE(Queued(room.alice)) << "the fifth window is still open";
    Windows(room.alice, {1});
    EXPECT_TRUE(Queued(room.alice));
    Restart();
    Windows(room.bob, {92, 92, 92, 92, 92, 92, 92, 1});
    EXPECT_FALSE(Queued(room.bob)) << "92 is under 1.4 times 66";
    EXPECT_EQ(ConsoleCount("[TKDEBUG] AntiSpeedhack - Kicked Player: alice (93/66)\n"), 1);
    // A queued player is slowed on but neither queued nor logged again.
    Windows(room.alice, {93, 93, 93, 93, 93, 93, 93});
    EXPECT_EQ(ConsoleCount("AntiSpeedhack - Kicked Player"), 1);
}

TEST_F(MovementHookService, KickThresholdAt100TicksIsOneHundredAndForty) {
    Switches(2, 0, 0);
    hook->SetTickRate(100.0f);
    Windows(room.alice, {140, 140, 140, 140, 140, 1});
    Restart();
    Windows(room.bob, {139, 139, 139, 139, 139, 139, 1});
    EXPECT_TRUE(Queued(room.alice));
    EXPECT_FALSE(Queued(room.bob));
}

TEST_F(MovementHookService, PreventModeNeverKicks) {
    EXPECT_EQ(Windows(room.alice, {150, 150, 150, 150, 150, 150, 150}).back(), 150);
    EXPECT_FALSE(Queued(room.alice));
}

TEST_F(MovementHookService, NotANumberIsRefusedAndItsSenderKickedOnce) {
    CMoveData nanPitch = Angles(kNaN, 0.0f, 0.0f);
    EXPECT_FALSE(Send(room.alice, nanPitch));
    EXPECT_TRUE(Queued(room.alice));
    // Still refused once queued.
    EXPECT_FALSE(Send(room.alice, nanPitch));

    CMoveData yaw = Angles(0.0f, kNaN, 0.0f);
    CMoveData forward;
    forward.m_flForwardMove = kNaN;
    CMoveData side;
    side.m_flSideMove = kNaN;
    CMoveData up;
    up.m_flUpMove = kNaN;
    for (const CMoveData& move : {yaw, forward, side, up}) {
        EXPECT_FALSE(Send(room.bob, move));
    }
    EXPECT_TRUE(Queued(room.bob));
    // Roll is not a movement value the game uses.
    EXPECT_TRUE(Send(room.carol, Angles(0.0f, 0.0f, kNaN)));
    EXPECT_FALSE(Queued(room.carol));
}

// The sine of an infinite yaw is not a number, and an infinite move times the
// game's zero factors is none either: infinities end where NaN does.
TEST_F(MovementHookService, InfinityIsRefusedAsNotANumberIs) {
    const float infinity = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(Send(room.alice, Angles(0.0f, infinity, 0.0f)));
    EXPECT_TRUE(Queued(room.alice));
    CMoveData backward;
    backward.m_flForwardMove = -infinity;
    EXPECT_FALSE(Send(room.bob, backward));
    EXPECT_TRUE(Queued(room.bob));
    // A huge finite move is the game's to clamp.
    CMoveData huge;
    huge.m_flSideMove = 3.0e38f;
    EXPECT_TRUE(Send(room.carol, huge));
    EXPECT_FALSE(Queued(room.carol));
}

TEST_F(MovementHookService, BotsObserversAndLaddersPassUnchecked) {
    Switches(2, 1, 0);
    CMoveData wild = Angles(kNaN, kNaN, 200.0f);
    At(kStart + 5.0f);
    EXPECT_TRUE(Send(room.bot, wild));
    Restart();
    EXPECT_FALSE(Queued(room.bot));
    EXPECT_EQ(Windows(room.bot, {200, 200, 200, 200, 200, 200, 1}).back(), 0);
    EXPECT_FALSE(Queued(room.bot));

    // A spectator is an observer.
    EXPECT_TRUE(Send(room.dave, wild));
    EXPECT_FALSE(Queued(room.dave));

    // On a ladder nothing is checked and nothing counted.
    ISimGame* sim = room.server->Game().Sim();
    for (int moveType : {MOVETYPE_LADDER, MOVETYPE_NOCLIP}) {
        Restart();
        ASSERT_TRUE(sim->SetMoveType(room.alice->EntityIndex(), moveType));
        EXPECT_TRUE(Send(room.alice, wild));
        Windows(room.alice, {200, 200, 200});
        ASSERT_TRUE(sim->SetMoveType(room.alice->EntityIndex(), MOVETYPE_WALK));
        EXPECT_EQ(Windows(room.alice, {66, 66}), (Slowed{0, 0}))
            << "commands of move type " << moveType << " counted in her windows";
    }
    EXPECT_FALSE(Queued(room.alice));
}

TEST_F(MovementHookService, PitchAndRollMustLieWithinARightAngleAtEachCheck) {
    Switches(0, 1, 0);
    const float check = kStart + 3.5f;
    At(check);
    EXPECT_TRUE(Send(room.alice, Angles(270.0f, 0.0f, 0.0f)));  // -90
    EXPECT_TRUE(Send(room.bob, Angles(269.0f, 0.0f, 0.0f)));    // -91
    EXPECT_TRUE(Send(room.carol, Angles(0.0f, 0.0f, 91.0f)));
    EXPECT_FALSE(Queued(room.alice));
    EXPECT_TRUE(Queued(room.bob));
    EXPECT_TRUE(Queued(room.carol));
    EXPECT_EQ(ConsoleCount("Kicked player with invalid eye-angles: bob (x=-91.00, z=0.00)\n"), 1);
    EXPECT_EQ(ConsoleCount("Kicked player with invalid eye-angles: carol (x=0.00, z=91.00)\n"), 1);

    // Between two checks bad angles pass; at the next they are caught.
    At(check + 1.0f);
    Send(room.alice, Angles(100.0f, 0.0f, 0.0f));
    At(check + 2.9f);
    Send(room.alice, Angles(0.0f, 0.0f, 0.0f));
    EXPECT_FALSE(Queued(room.alice));
    At(check + 3.1f);
    Send(room.alice, Angles(-100.0f, 0.0f, 0.0f));
    EXPECT_TRUE(Queued(room.alice));
    At(check + 9.0f);
    Send(room.bob, Angles(269.0f, 0.0f, 0.0f));
    EXPECT_EQ(ConsoleCount("invalid eye-angles: bob"), 1) << "a queued player is logged once";
}

TEST_F(MovementHookService, TaggingCutsAFastHurtPlayerForMomentsAfterHeLands) {
    Switches(0, 0, 1);
    At(kStart + 1.0f);
    hook->TagPlayer(EdictOf(room.alice));
    Send(room.alice);
    EXPECT_FLOAT_EQ(game.velocity.x, 51.2f);
    CMoveData slow;
    At(kStart + 1.3f);
    slow.m_vecVelocity = Vector(100.0f, 0.0f, 0.0f);
    g_host.gameMovement->ProcessMovement(PlayerOf(room.alice), &slow);
    EXPECT_FLOAT_EQ(game.velocity.x, 100.0f);
    At(kStart + 1.61f);
    Send(room.alice);
    EXPECT_FLOAT_EQ(game.velocity.x, kRunSpeed);
    // Nobody else was hurt.
    Send(room.bob);
    EXPECT_FLOAT_EQ(game.velocity.x, kRunSpeed);
}

TEST_F(MovementHookService, AHurtPlayerInTheAirIsCutOnlyFromHisLanding) {
    Switches(0, 0, 1);
    game.forward = static_cast<IGameMovement*>(
        room.server->Game().Factory()(INTERFACENAME_GAMEMOVEMENT, nullptr));
    ASSERT_NE(game.forward, nullptr);
    CMoveData move;
    move.m_flMaxSpeed = kRunSpeed;
    move.m_nButtons = IN_JUMP;
    move.m_vecVelocity = Vector(kRunSpeed, 0.0f, 0.0f);
    float time = kStart + 1.0f;
    At(time);
    g_host.gameMovement->ProcessMovement(PlayerOf(room.alice), &move);
    hook->TagPlayer(EdictOf(room.alice));
    move.m_nButtons = 0;
    int inAir = 0;
    float landedAt = 0.0f;
    for (int tick = 0; tick < 200 && landedAt == 0.0f; ++tick) {
        time += 0.015f;
        At(time);
        const float before = move.m_vecVelocity.x;
        g_host.gameMovement->ProcessMovement(PlayerOf(room.alice), &move);
        if (game.velocity.x < before) {
            landedAt = time;
        } else {
            ++inAir;
        }
    }
    EXPECT_GT(inAir, 20) << "cut before landing";
    ASSERT_GT(landedAt, 0.0f) << "never cut";
    EXPECT_NEAR(game.velocity.x, 12800.0f / kRunSpeed, 1.0f);
}

TEST_F(MovementHookService, AllSwitchesOffRemovesTheHookAndOneBackStartsTheRecordsAgain) {
    EXPECT_EQ(Windows(room.alice, {80, 80, 80}), (Slowed{0, 0, 80}));
    Switches(0, 0, 0);
    EXPECT_FALSE(hook->IsHooked());
    EXPECT_TRUE(Send(room.alice, Angles(kNaN, 0.0f, 0.0f))) << "no hook, no refusal";
    tk_antispeedhack.SetValue(1);
    ASSERT_TRUE(hook->IsHooked());
    // Her two windows over the limit are forgotten: the slow-down starts
    // again only from the second window over it.
    EXPECT_EQ(Windows(room.alice, {80, 80, 80}), (Slowed{0, 0, 80}));
}

TEST_F(MovementHookService, EntityIndexesPastTheTablesAreRefused) {
    Switches(2, 1, 1);
    WideEngine wide(*g_host.engine, 64);
    g_host.engine = &wide;
    hook->InitialiseMovementStatePlayer(EdictOf(room.alice));
    hook->TagPlayer(EdictOf(room.alice));
    EXPECT_EQ(Windows(room.alice, {200, 200, 200, 200, 200, 200, 1}).back(), 0);
    EXPECT_FALSE(Send(room.alice, Angles(kNaN, 0.0f, 0.0f))) << "refused without a record";
    hook->OnClientDisconnect(EdictOf(room.alice));
    g_host.engine = &room.server->Engine();
}

}  // namespace

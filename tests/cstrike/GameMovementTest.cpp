// Usercmds at each client's own rate, run through IGameMovement and applied
// to the player.
#include <gtest/gtest.h>

#include <in_buttons.h>

#include <cmath>
#include <limits>
#include <memory>

#include "CSPlayer.h"
#include "EntityList.h"
#include "FakeEngine.h"
#include "GameMovement.h"
#include "UsercmdDriver.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Stands between the driver and the game's movement, as a hook would: counts
// the calls and may slow the player down before the game moves him.
class MovementSpy : public IGameMovement {
public:
    explicit MovementSpy(IGameMovement& game) : m_Game(game) {}
    void ProcessMovement(CBasePlayer* player, CMoveData* move) override {
        ++calls;
        move->m_vecVelocity *= velocityScale;
        m_Game.ProcessMovement(player, move);
    }
    const Vector& GetPlayerMins(bool ducked) const override { return m_Game.GetPlayerMins(ducked); }
    const Vector& GetPlayerMaxs(bool ducked) const override { return m_Game.GetPlayerMaxs(ducked); }
    const Vector& GetPlayerViewOffset(bool ducked) const override {
        return m_Game.GetPlayerViewOffset(ducked);
    }

    int calls = 0;
    float velocityScale = 1.0f;

private:
    IGameMovement& m_Game;
};

class SrcdsSimGameMovement : public ::testing::Test {
protected:
    SrcdsSimGameMovement() { globals.interval_per_tick = 0.015f; }

    CCSPlayer* AddWalker(int index, float commandsPerSecond = 0.0f) {
        auto* player = static_cast<CCSPlayer*>(
            entities.AddOnEdict(std::make_unique<CCSPlayer>(), engine.ConnectClient(index)));
        player->SetMoveType(MOVETYPE_WALK);
        player->AddFlag(FL_ONGROUND);
        player->SetAbsOrigin(Vector(0.0f, 100.0f * static_cast<float>(index), 0.0f));
        driver.SetClient(player, commandsPerSecond);
        return player;
    }

    void Forward(CCSPlayer* player, float forward = 400.0f, int buttons = 0) {
        CUserCmd input;
        input.forwardmove = forward;
        input.buttons = buttons;
        driver.SetInput(player, input);
    }

    void Ticks(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            ++globals.tickcount;
            globals.curtime = static_cast<float>(globals.tickcount) * globals.interval_per_tick;
            driver.RunTick();
        }
    }

    FakeEngine engine;
    CGlobalVars globals;
    cstrike::EntityList entities{engine};
    cstrike::CGameMovement game{globals};
    MovementSpy spy{game};
    cstrike::UsercmdDriver driver{entities, &spy, globals};
};

TEST_F(SrcdsSimGameMovement, SpeedHackerSendsMoreCommandsAndGetsFurther) {
    CCSPlayer* honest = AddWalker(1);
    CCSPlayer* hacker = AddWalker(2, 100.0f);
    Forward(honest);
    Forward(hacker);
    Ticks(100);
    const float honestStart = honest->GetAbsOrigin().x;
    const float hackerStart = hacker->GetAbsOrigin().x;
    Ticks(100);  // three seconds at 66.7 ticks in all

    EXPECT_EQ(driver.Find(honest)->commandsRun, 200);
    EXPECT_EQ(driver.Find(hacker)->commandsRun, 300);
    EXPECT_EQ(spy.calls, 500);
    // Both run at full speed; the hacker covers half as much ground again.
    EXPECT_NEAR(honest->GetAbsVelocity().x, 250.0f, 0.5f);
    EXPECT_NEAR(hacker->GetAbsVelocity().x, 250.0f, 0.5f);
    EXPECT_NEAR((hacker->GetAbsOrigin().x - hackerStart) / (honest->GetAbsOrigin().x - honestStart),
                1.5f, 0.001f);
}

TEST_F(SrcdsSimGameMovement, VelocityChangedBeforeTheGameMovesIsWhatThePlayerGets) {
    CCSPlayer* player = AddWalker(1);
    Forward(player);
    Ticks(100);
    const float fullSpeed = player->GetAbsVelocity().x;
    spy.velocityScale = 0.5f;
    Ticks(1);
    EXPECT_LT(player->GetAbsVelocity().x, 0.6f * fullSpeed);
    EXPECT_EQ(driver.Find(player)->lastVelocity, player->GetAbsVelocity());
}

TEST_F(SrcdsSimGameMovement, NotANumberInACommandNeverReachesThePlayer) {
    CCSPlayer* player = AddWalker(1);
    CUserCmd input;
    input.viewangles = QAngle(kNaN, kNaN, kNaN);
    input.forwardmove = kNaN;
    input.sidemove = std::numeric_limits<float>::infinity();
    input.upmove = kNaN;
    driver.SetInput(player, input);
    Ticks(10);
    EXPECT_TRUE(player->GetAbsVelocity().IsValid());
    EXPECT_TRUE(player->GetAbsOrigin().IsValid());
    EXPECT_EQ(driver.Find(player)->commandsRun, 10);

    player->SetMoveType(MOVETYPE_NOCLIP);
    Ticks(10);
    EXPECT_TRUE(player->GetAbsOrigin().IsValid());
}

TEST_F(SrcdsSimGameMovement, MoveTypesMoveDifferently) {
    CCSPlayer* player = AddWalker(1);
    CUserCmd input;
    input.viewangles = QAngle(-90.0f, 0.0f, 0.0f);  // looking straight up
    input.forwardmove = 200.0f;
    driver.SetInput(player, input);

    player->SetMoveType(MOVETYPE_NOCLIP);
    Ticks(10);
    EXPECT_NEAR(player->GetAbsOrigin().z, 30.0f, 0.01f);

    player->SetMoveType(MOVETYPE_LADDER);
    Ticks(10);
    EXPECT_NEAR(player->GetAbsOrigin().z, 60.0f, 0.01f);
    EXPECT_EQ(player->GetAbsVelocity(), Vector(0.0f, 0.0f, 200.0f));

    player->SetMoveType(MOVETYPE_NONE);
    const Vector before = player->GetAbsOrigin();
    Ticks(10);
    EXPECT_EQ(player->GetAbsOrigin(), before);
}

TEST_F(SrcdsSimGameMovement, AJumpLeavesTheGroundAndLandsWhereItStarted) {
    CCSPlayer* player = AddWalker(1);
    player->SetAbsOrigin(Vector(0.0f, 0.0f, 64.0f));
    Forward(player, 0.0f, IN_JUMP);
    Ticks(1);
    EXPECT_FALSE(player->GetFlags() & FL_ONGROUND);
    EXPECT_GT(player->GetAbsOrigin().z, 64.0f);
    Ticks(20);
    EXPECT_FALSE(player->GetFlags() & FL_ONGROUND);
    Ticks(30);
    EXPECT_TRUE(player->GetFlags() & FL_ONGROUND);
    EXPECT_EQ(player->GetAbsOrigin().z, 64.0f);
    // Holding the key does not jump again: a jump needs a new press.
    Ticks(5);
    EXPECT_TRUE(player->GetFlags() & FL_ONGROUND);
}

TEST_F(SrcdsSimGameMovement, FrictionStopsAPlayerWhoLetsGo) {
    CCSPlayer* player = AddWalker(1);
    Forward(player);
    Ticks(100);
    Forward(player, 0.0f);
    Ticks(40);
    EXPECT_EQ(player->GetAbsVelocity(), Vector());
}

TEST_F(SrcdsSimGameMovement, FrozenPlayersAndDuckersAreSlow) {
    CCSPlayer* frozen = AddWalker(1);
    CCSPlayer* ducker = AddWalker(2);
    frozen->SetMaxSpeed(1.0f);
    Forward(frozen);
    Forward(ducker, 400.0f, IN_DUCK);
    Ticks(100);
    EXPECT_LE(frozen->GetAbsVelocity().Length(), 1.0f);
    EXPECT_NEAR(ducker->GetAbsVelocity().Length(), 250.0f * 0.34f, 0.5f);
}

TEST_F(SrcdsSimGameMovement, RemovedPlayersAreDroppedAndRatesAreBounded) {
    CCSPlayer* gone = AddWalker(1);
    CCSPlayer* flooder = AddWalker(2, 1e30f);
    entities.Remove(gone);
    Ticks(1);
    EXPECT_EQ(driver.ClientCount(), 1);
    EXPECT_EQ(driver.Find(flooder)->commandsRun, 64);
}

}  // namespace

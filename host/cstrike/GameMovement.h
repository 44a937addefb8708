// The game's player movement (IGameMovement, "GameMovement001"): one call of
// ProcessMovement runs one usercmd for one tick of game time, from the move
// data's velocity and origin, the command's angles, move values and buttons,
// and the player's move type. It changes only the move data and the player's
// ground and duck flags; the caller applies velocity and origin afterwards.
#pragma once

#include <edict.h>
#include <igamemovement.h>

class CBasePlayer;

namespace cstrike {

class CGameMovement : public IGameMovement {
public:
    // Movement settings of the game (sv_accelerate and so on).
    static constexpr float kAccelerate = 5.0f;
    static constexpr float kAirAccelerate = 10.0f;
    static constexpr float kAirSpeedCap = 30.0f;
    static constexpr float kFriction = 4.0f;
    static constexpr float kStopSpeed = 75.0f;
    static constexpr float kGravity = 800.0f;
    static constexpr float kMaxVelocity = 3500.0f;
    static constexpr float kJumpSpeed = 268.3f;
    static constexpr float kDuckSpeedFactor = 0.34f;
    static constexpr float kLadderSpeed = 200.0f;

    explicit CGameMovement(const CGlobalVars& globals) : m_pGlobals(&globals) {}
    // The game library hands its object out before the engine gives it the
    // global variables; until SetGlobals, ProcessMovement moves nothing.
    CGameMovement() = default;
    void SetGlobals(const CGlobalVars* globals) { m_pGlobals = globals; }

    void ProcessMovement(CBasePlayer* player, CMoveData* move) override;
    const Vector& GetPlayerMins(bool ducked) const override;
    const Vector& GetPlayerMaxs(bool ducked) const override;
    const Vector& GetPlayerViewOffset(bool ducked) const override;

private:
    void WalkMove(CBasePlayer& player, CMoveData& move, float frametime) const;
    void FlyMove(CMoveData& move, float frametime) const;
    void LadderMove(CMoveData& move, float frametime) const;
    // The command's wish velocity from its yaw (and pitch when flying).
    Vector WishVelocity(const CMoveData& move, bool useFullAngles) const;
    // A velocity that is not a number is stopped; every component is
    // bounded by the maximum velocity.
    static void CheckVelocity(Vector& velocity);

    const CGlobalVars* m_pGlobals = nullptr;
};

}  // namespace cstrike

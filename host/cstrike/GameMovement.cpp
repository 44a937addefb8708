#include "GameMovement.h"

#include <in_buttons.h>

#include <algorithm>
#include <cmath>

#include "BasePlayer.h"

namespace cstrike {

namespace {

constexpr float kDegreesToRadians = 3.14159265358979f / 180.0f;

const Vector kHullMin(-16.0f, -16.0f, 0.0f);
const Vector kHullMax(16.0f, 16.0f, 72.0f);
const Vector kDuckHullMax(16.0f, 16.0f, 54.0f);
const Vector kViewOffset = VEC_VIEW;
const Vector kDuckViewOffset = VEC_DUCK_VIEW;

void Accelerate(Vector& velocity, const Vector& wishDirection, float wishSpeed, float accel,
                float frametime, float speedCap) {
    const float capped = std::min(wishSpeed, speedCap);
    const float addSpeed = capped - velocity.Dot(wishDirection);
    if (!(addSpeed > 0.0f)) {
        return;
    }
    const float accelSpeed = std::min(accel * frametime * wishSpeed, addSpeed);
    velocity += wishDirection * accelSpeed;
}

void ApplyFriction(Vector& velocity, float frametime) {
    const float speed = velocity.Length();
    if (!(speed > 0.1f)) {
        return;
    }
    const float drop =
        std::max(speed, CGameMovement::kStopSpeed) * CGameMovement::kFriction * frametime;
    velocity *= std::max(speed - drop, 0.0f) / speed;
}

}  // namespace

void CGameMovement::ProcessMovement(CBasePlayer* player, CMoveData* move) {
    if (!player || !move || !m_pGlobals) {
        return;
    }
    const float frametime = m_pGlobals->interval_per_tick;
    const Vector startOrigin = move->GetAbsOrigin();
    switch (player->GetMoveType()) {
        case MOVETYPE_WALK:
            WalkMove(*player, *move, frametime);
            break;
        case MOVETYPE_NOCLIP:
        case MOVETYPE_OBSERVER:
        case MOVETYPE_FLY:
            FlyMove(*move, frametime);
            break;
        case MOVETYPE_LADDER:
            LadderMove(*move, frametime);
            break;
        default:
            return;
    }
    CheckVelocity(move->m_vecVelocity);
    Vector origin = move->GetAbsOrigin();
    if (!origin.IsValid()) {
        origin = startOrigin;
    }
    move->SetAbsOrigin(origin);
}

Vector CGameMovement::WishVelocity(const CMoveData& move, bool useFullAngles) const {
    const float yaw = move.m_vecViewAngles.y * kDegreesToRadians;
    const float pitch = useFullAngles ? move.m_vecViewAngles.x * kDegreesToRadians : 0.0f;
    const Vector forward(std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw),
                         -std::sin(pitch));
    const Vector right(std::sin(yaw), -std::cos(yaw), 0.0f);
    Vector wish = forward * move.m_flForwardMove + right * move.m_flSideMove;
    if (useFullAngles) {
        wish.z += move.m_flUpMove;
    } else {
        wish.z = 0.0f;
    }
    return wish;
}

void CGameMovement::WalkMove(CBasePlayer& player, CMoveData& move, float frametime) const {
    Vector& velocity = move.m_vecVelocity;
    if (move.m_nButtons & IN_DUCK) {
        player.AddFlag(FL_DUCKING);
    } else {
        player.RemoveFlag(FL_DUCKING);
    }
    Vector wish = WishVelocity(move, false);
    float wishSpeed = wish.Length();
    const Vector wishDirection = wishSpeed > 0.0f ? wish / wishSpeed : Vector();
    float maxSpeed = move.m_flMaxSpeed;
    if (player.GetFlags() & FL_DUCKING) {
        maxSpeed *= kDuckSpeedFactor;
    }
    wishSpeed = std::min(wishSpeed, maxSpeed);

    const bool onGround = (player.GetFlags() & FL_ONGROUND) != 0;
    if (onGround) {
        player.SetFloorHeight(move.GetAbsOrigin().z);
    }
    if (onGround && (move.m_nButtons & IN_JUMP) && !(move.m_nOldButtons & IN_JUMP)) {
        velocity.z = kJumpSpeed;
        player.RemoveFlag(FL_ONGROUND);
    }
    if (player.GetFlags() & FL_ONGROUND) {
        velocity.z = 0.0f;
        ApplyFriction(velocity, frametime);
        Accelerate(velocity, wishDirection, wishSpeed, kAccelerate, frametime, wishSpeed);
        move.SetAbsOrigin(move.GetAbsOrigin() + velocity * frametime);
        return;
    }
    // In the air: little control, gravity, and the floor where the player
    // left it (the player lands back at the height he stood on).
    const float floor = player.GetFloorHeight();
    Accelerate(velocity, wishDirection, wishSpeed, kAirAccelerate, frametime, kAirSpeedCap);
    velocity.z -= kGravity * frametime;
    Vector origin = move.GetAbsOrigin() + velocity * frametime;
    if (origin.z <= floor && velocity.z <= 0.0f) {
        origin.z = floor;
        velocity.z = 0.0f;
        player.AddFlag(FL_ONGROUND);
    }
    move.SetAbsOrigin(origin);
}

void CGameMovement::FlyMove(CMoveData& move, float frametime) const {
    Vector wish = WishVelocity(move, true);
    const float speed = wish.Length();
    if (speed > move.m_flMaxSpeed && speed > 0.0f) {
        wish *= move.m_flMaxSpeed / speed;
    }
    move.m_vecVelocity = wish;
    move.SetAbsOrigin(move.GetAbsOrigin() + move.m_vecVelocity * frametime);
}

void CGameMovement::LadderMove(CMoveData& move, float frametime) const {
    // Forward (or up) climbs, back descends; no sideways drift on a ladder.
    const float climb = move.m_flUpMove != 0.0f ? move.m_flUpMove : move.m_flForwardMove;
    move.m_vecVelocity = Vector(0.0f, 0.0f, std::clamp(climb, -kLadderSpeed, kLadderSpeed));
    move.SetAbsOrigin(move.GetAbsOrigin() + move.m_vecVelocity * frametime);
}

void CGameMovement::CheckVelocity(Vector& velocity) {
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(velocity[i])) {
            velocity[i] = 0.0f;
        }
        velocity[i] = std::clamp(velocity[i], -kMaxVelocity, kMaxVelocity);
    }
}

const Vector& CGameMovement::GetPlayerMins(bool) const {
    return kHullMin;
}

const Vector& CGameMovement::GetPlayerMaxs(bool ducked) const {
    return ducked ? kDuckHullMax : kHullMax;
}

const Vector& CGameMovement::GetPlayerViewOffset(bool ducked) const {
    return ducked ? kDuckViewOffset : kViewOffset;
}

}  // namespace cstrike

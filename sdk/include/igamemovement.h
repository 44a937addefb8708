// The game library's player movement, run once per usercmd with the command's
// move data. Version "GameMovement001" (game-server factory).
#pragma once

#include <tier0/platform.h>

#include <basehandle.h>
#include <mathlib/vector.h>

class CBasePlayer;

#define INTERFACENAME_GAMEMOVEMENT "GameMovement001"

// One usercmd's movement input and the player's movement state; the game
// reads and writes it during ProcessMovement.
class CMoveData {
public:
    bool m_bFirstRunOfFunctions = true;
    bool m_bGameCodeMovedPlayer = false;
    CBaseHandle m_nPlayerHandle;
    int m_nImpulseCommand = 0;
    QAngle m_vecViewAngles;  // the command's view angles (pitch, yaw, roll)
    QAngle m_vecAbsViewAngles;
    int m_nButtons = 0;  // IN_* bits
    int m_nOldButtons = 0;
    float m_flForwardMove = 0.0f;
    float m_flSideMove = 0.0f;
    float m_flUpMove = 0.0f;
    float m_flMaxSpeed = 0.0f;
    float m_flClientMaxSpeed = 0.0f;
    Vector m_vecVelocity;  // units per second
    QAngle m_vecAngles;
    QAngle m_vecOldAngles;
    Vector m_vecAbsOrigin;

    const Vector& GetAbsOrigin() const { return m_vecAbsOrigin; }
    void SetAbsOrigin(const Vector& origin) { m_vecAbsOrigin = origin; }
};

class IGameMovement {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor
    //  2 ProcessMovement
    //  3 GetPlayerMins
    //  4 GetPlayerMaxs
    //  5 GetPlayerViewOffset
    SDK_DESTRUCTOR_SLOT(IGameMovement)
    virtual void ProcessMovement(CBasePlayer* player, CMoveData* move) = 0;
    virtual const Vector& GetPlayerMins(bool ducked) const = 0;
    virtual const Vector& GetPlayerMaxs(bool ducked) const = 0;
    virtual const Vector& GetPlayerViewOffset(bool ducked) const = 0;
    SDK_DESTRUCTOR_LAST(IGameMovement)
};

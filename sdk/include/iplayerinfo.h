// Per-player information from the game library, and the engine's global
// variables. Version "PlayerInfoManager002" (game-server factory).
#pragma once

#include <mathlib/vector.h>

class CGlobalVars;
struct edict_t;

#define INTERFACEVERSION_PLAYERINFOMANAGER "PlayerInfoManager002"

// What the game knows of one client slot.
class IPlayerInfo {
public:
    // Slots, in order:
    //  0 GetName            7 IsHLTV (SourceTV)     14 GetAbsOrigin
    //  1 GetUserID          8 IsPlayer              15 GetAbsAngles
    //  2 GetNetworkIDString 9 IsFakeClient (bot)    16 GetWeaponName
    //  3 GetTeamIndex      10 IsDead                17 GetModelName
    //  4 ChangeTeam        11 IsInAVehicle          18 GetHealth
    //  5 GetFragCount      12 IsObserver            19 GetMaxHealth
    //  6 GetDeathCount     13 IsConnected           20 GetArmorValue
    virtual const char* GetName() = 0;
    virtual int GetUserID() = 0;
    virtual const char* GetNetworkIDString() = 0;
    virtual int GetTeamIndex() = 0;
    virtual void ChangeTeam(int teamNum) = 0;
    virtual int GetFragCount() = 0;
    virtual int GetDeathCount() = 0;
    virtual bool IsHLTV() = 0;
    virtual bool IsPlayer() = 0;
    virtual bool IsFakeClient() = 0;
    virtual bool IsDead() = 0;
    virtual bool IsInAVehicle() = 0;
    virtual bool IsObserver() = 0;
    virtual bool IsConnected() = 0;
    virtual const Vector GetAbsOrigin() = 0;
    virtual const QAngle GetAbsAngles() = 0;
    virtual const char* GetWeaponName() = 0;
    virtual const char* GetModelName() = 0;
    virtual int GetHealth() = 0;
    virtual int GetMaxHealth() = 0;
    virtual int GetArmorValue() = 0;

protected:
    ~IPlayerInfo() = default;
};

class IPlayerInfoManager {
public:
    // Slots, in order:
    //  0 GetPlayerInfo
    //  1 GetGlobalVars
    // Null for an edict that is not a client slot.
    virtual IPlayerInfo* GetPlayerInfo(edict_t* edict) = 0;
    virtual CGlobalVars* GetGlobalVars() = 0;

protected:
    ~IPlayerInfoManager() = default;
};

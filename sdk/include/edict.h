// Entity slots (edict_t) and the engine's global variables (CGlobalVars).
//
// Every entity the engine knows has an edict; slots 1 to maxClients are the
// players. An edict is in use when it is not free. Its game entity is reached
// through GetUnknown()->GetBaseEntity().
#pragma once

#include <const.h>
#include <iservernetworkable.h>
#include <iserverunknown.h>

// Strings of the global variables are plain C strings here.
typedef const char* string_t;
#define STRING(s) ((s) ? (s) : "")
#define NULL_STRING static_cast<string_t>(nullptr)

// Engine time and the current level, shared by engine and game and read by
// the plug-ins (IPlayerInfoManager::GetGlobalVars).
class CGlobalVars {
public:
    float realtime = 0.0f;             // wall time since the server started, seconds
    int framecount = 0;                // frames run
    float absoluteframetime = 0.0f;    // real duration of the last frame
    float curtime = 0.0f;              // game time, seconds
    float frametime = 0.0f;            // simulated time of this frame
    int maxClients = 0;                // client slots
    int tickcount = 0;                 // ticks simulated
    float interval_per_tick = 0.015f;  // seconds per tick
    float interpolation_amount = 0.0f;
    int simTicksThisFrame = 0;
    int network_protocol = 0;
    string_t mapname = NULL_STRING;  // current map, without path or extension
    int mapversion = 0;
    string_t startspot = NULL_STRING;
    bool deathmatch = true;
    bool coop = false;
    bool teamplay = true;
    int maxEntities = MAX_EDICTS;
};

// One entity slot.
struct edict_t {
public:
    int m_fStateFlags = FL_EDICT_FREE;  // FL_EDICT_*
    int m_NetworkSerialNumber = 0;
    IServerNetworkable* m_pNetworkable = nullptr;
    IServerUnknown* m_pUnk = nullptr;
    float freetime = 0.0f;  // game time at which the slot was freed

    bool IsFree() const { return (m_fStateFlags & FL_EDICT_FREE) != 0; }
    void SetFree() { m_fStateFlags |= FL_EDICT_FREE; }
    void ClearFree() { m_fStateFlags &= ~FL_EDICT_FREE; }

    IServerUnknown* GetUnknown() const { return m_pUnk; }
    IServerNetworkable* GetNetworkable() const { return m_pNetworkable; }
    // The entity's class name; null when the slot has no networkable.
    const char* GetClassName() const {
        return m_pNetworkable ? m_pNetworkable->GetClassName() : nullptr;
    }
};

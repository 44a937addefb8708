// The networked part of a server entity, and what the game's transmit check
// (IServerGameEnts::CheckTransmit) gets for one receiving client.
#pragma once

#include <const.h>
#include <tier1/bitvec.h>

class CBaseEntity;
class IHandleEntity;
class ServerClass;
struct edict_t;

class IServerNetworkable {
public:
    // Slots, in order:
    //  0 GetEntityHandle
    //  1 GetServerClass
    //  2 GetEdict
    //  3 GetClassName
    //  4 Release
    //  5 GetBaseEntity
    virtual IHandleEntity* GetEntityHandle() = 0;
    virtual ServerClass* GetServerClass() = 0;
    virtual edict_t* GetEdict() const = 0;
    // The entity's class name ("player", "planted_c4", ...).
    virtual const char* GetClassName() const = 0;
    virtual void Release() = 0;
    virtual CBaseEntity* GetBaseEntity() = 0;

protected:
    ~IServerNetworkable() = default;
};

typedef CBitVec<MAX_EDICTS> TransmitBitVec;

// One snapshot for one client: the game sets the bit of every entity index
// that this client receives; hooks after the game may clear bits.
class CCheckTransmitInfo {
public:
    edict_t* m_pClientEnt = nullptr;              // the receiving client
    unsigned char* m_PVS = nullptr;               // the receiver's potentially visible set
    int m_nPVSSize = 0;                           // its size in bytes
    TransmitBitVec* m_pTransmitEdict = nullptr;   // entities to transmit
    TransmitBitVec* m_pTransmitAlways = nullptr;  // entities to transmit whatever the view
    int m_AreasNetworked = 0;
    bool m_bReplayMode = false;
};

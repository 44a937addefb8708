// The game's base entity class. Its objects are what the engine's edicts
// point at (edict_t::m_pUnk is the entity, m_pNetworkable its network
// property), and its virtual table holds the game functions at the slots of
// the real game library, since the plug-in calls them by number. The numbers
// written beside them are the Linux library's; in the Windows build the
// destructor takes slot 0 alone (the deleting destructor the server's
// compiler puts there) and every later slot is one lower.
#pragma once

#include <basehandle.h>
#include <datamap.h>
#include <edict.h>
#include <iservernetworkable.h>
#include <iserverunknown.h>
#include <mathlib/vector.h>

#include <string>

#include "VirtualSlots.h"

class CBaseCombatCharacter;
class CBaseEntity;
class SendTable;
class ServerClass;

namespace cstrike {
class EntityList;
}

// Use capabilities (ObjectCaps).
#define FCAP_IMPULSE_USE 0x00000010     // one use per key press
#define FCAP_CONTINUOUS_USE 0x00000020  // used every command while the key is held

// Life states (m_lifeState).
#define LIFE_ALIVE 0
#define LIFE_DEAD 2

// Solid types of the collision property.
#define SOLID_NONE 0
#define SOLID_BBOX 2

// The entity's networked part: what edict_t::m_pNetworkable points at.
class CServerNetworkProperty : public IServerNetworkable {
public:
    explicit CServerNetworkProperty(CBaseEntity& outer) : m_pOuter(&outer) {}

    IHandleEntity* GetEntityHandle() override;
    ServerClass* GetServerClass() override;
    edict_t* GetEdict() const override { return m_pEdict; }
    const char* GetClassName() const override;
    // Removes the entity from the game.
    void Release() override;
    CBaseEntity* GetBaseEntity() override { return m_pOuter; }

    void AttachEdict(edict_t* edict) { m_pEdict = edict; }

private:
    CBaseEntity* m_pOuter;
    edict_t* m_pEdict = nullptr;
};

// Bounds and solidity, relative to the entity's origin.
struct CCollisionProperty {
    Vector m_vecMins;
    Vector m_vecMaxs;
    int m_nSolidType = SOLID_NONE;
    int m_nContents = 0;  // CONTENTS_* a trace sees when it hits the entity
};

// The entity's place in the move hierarchy: attached entities (a player's
// weapons) are its move children, chained through their move peers.
struct CEntityHierarchy {
    CBaseHandle m_hMoveParent;
    CBaseHandle m_hMoveChild;
    CBaseHandle m_hMovePeer;
};

class CBaseEntity : public IServerUnknown {
public:
    CBaseEntity(const char* classname, const char* model = "");
    ~CBaseEntity() SDK_DESTRUCTOR_OVERRIDE;
    CBaseEntity(const CBaseEntity&) = delete;
    CBaseEntity& operator=(const CBaseEntity&) = delete;

    // Slots 0-5: IHandleEntity and IServerUnknown (Windows: 0-4, the
    // destructor being slot 0).
    SDK_DELETING_DESTRUCTOR(CBaseEntity)
    void SetRefEHandle(const CBaseHandle& handle) override;
    const CBaseHandle& GetRefEHandle() const override;
    IServerNetworkable* GetNetworkable() override;
    CBaseEntity* GetBaseEntity() override;

    virtual ServerClass* GetServerClass();                     // 6
    virtual const char* GetClassname() const;                  // 7
    virtual const char* GetModelName() const;                  // 8
    virtual void Spawn();                                      // 9
    virtual void Use(CBaseEntity* activator);                  // 10
    virtual int ObjectCaps() const;                            // 11
    virtual datamap_t* GetDataDescMap();                       // 12
    CSTRIKE_RESERVED_SLOTS_32(slot13_)                         // 13-44
    CSTRIKE_RESERVED_SLOTS_16(slot45_)                         // 45-60
    CSTRIKE_RESERVED_SLOTS_8(slot61_)                          // 61-68
    CSTRIKE_RESERVED_SLOTS_1(slot69_)                          // 69
    virtual CBaseCombatCharacter* MyCombatCharacterPointer();  // 70
    virtual bool IsPlayer() const;                             // 71
    virtual bool IsAlive() const;                              // 72
    CSTRIKE_RESERVED_SLOTS_32(slot73_)                         // 73-104
    CSTRIKE_RESERVED_SLOTS_16(slot105_)                        // 105-120
    CSTRIKE_RESERVED_SLOTS_4(slot121_)                         // 121-124
    CSTRIKE_RESERVED_SLOTS_2(slot125_)                         // 125-126
    CSTRIKE_RESERVED_SLOTS_1(slot127_)                         // 127
    virtual Vector EyePosition();                              // 128
    virtual const QAngle& EyeAngles();                         // 129
    CSTRIKE_RESERVED_SLOTS_8(slot130_)                         // 130-137
    CSTRIKE_RESERVED_SLOTS_2(slot138_)                         // 138-139

    // The class's own tables; each derived class has its own, chained to
    // these.
    static datamap_t* ClassDataMap();
    static SendTable* ClassSendTable();

    edict_t* edict() const { return m_Network.GetEdict(); }
    // The entity index; -1 while the entity has no edict.
    int entindex() const;
    cstrike::EntityList* GetEntityList() const { return m_pEntityList; }
    // Called by the entity list when it binds or unbinds the entity.
    void BindToList(cstrike::EntityList* list, edict_t* edict, const CBaseHandle& handle);

    void SetModelName(const char* model) { m_ModelName = model; }
    const Vector& GetAbsOrigin() const { return m_vecAbsOrigin; }
    void SetAbsOrigin(const Vector& origin) { m_vecAbsOrigin = origin; }
    const QAngle& GetAbsAngles() const { return m_angRotation; }
    void SetAbsAngles(const QAngle& angles) { m_angRotation = angles; }
    const Vector& GetAbsVelocity() const { return m_vecVelocity; }
    // Keeps the speed field in step with the velocity.
    void SetAbsVelocity(const Vector& velocity);
    float GetSpeed() const { return m_flSpeed; }
    const Vector& GetViewOffset() const { return m_vecViewOffset; }
    void SetViewOffset(const Vector& offset) { m_vecViewOffset = offset; }

    int GetFlags() const { return m_fFlags; }
    void AddFlag(int flags) { m_fFlags |= flags; }
    void RemoveFlag(int flags) { m_fFlags &= ~flags; }
    MoveType_t GetMoveType() const { return static_cast<MoveType_t>(m_MoveType); }
    void SetMoveType(MoveType_t type) { m_MoveType = static_cast<unsigned char>(type); }
    int GetTeamNumber() const { return m_iTeamNum; }
    void ChangeTeamNumber(int team) { m_iTeamNum = team; }
    int GetHealth() const { return m_iHealth; }
    void SetHealth(int health) { m_iHealth = health; }
    void SetLifeState(unsigned char state) { m_lifeState = state; }

    const CCollisionProperty& Collision() const { return m_Collision; }
    void SetCollisionBounds(const Vector& mins, const Vector& maxs, int contents);
    void SetNotSolid() { m_Collision.m_nSolidType = SOLID_NONE; }
    bool IsSolid() const { return m_Collision.m_nSolidType != SOLID_NONE; }

    // Attaches the entity to a parent (null detaches it): it becomes the
    // parent's first move child, ahead of the children it already had.
    void SetParent(CBaseEntity* parent);
    CBaseEntity* GetMoveParent() const;
    CBaseEntity* FirstMoveChild() const;
    CBaseEntity* NextMovePeer() const;

protected:
    static datamap_t* CollisionDataMap();
    static datamap_t* HierarchyDataMap();
    static SendTable* CollisionSendTable();

    void DetachFromParent();
    void DetachChildren();
    CBaseEntity* Resolve(const CBaseHandle& handle) const;

    CBaseHandle m_RefEHandle;
    CServerNetworkProperty m_Network{*this};
    cstrike::EntityList* m_pEntityList = nullptr;
    std::string m_iClassname;
    std::string m_ModelName;

    Vector m_vecAbsOrigin;
    QAngle m_angRotation;
    Vector m_vecVelocity;
    float m_flSpeed = 0.0f;
    Vector m_vecViewOffset;
    int m_fFlags = 0;
    unsigned char m_MoveType = MOVETYPE_NONE;
    unsigned char m_lifeState = LIFE_ALIVE;
    int m_iTeamNum = 0;
    int m_iHealth = 0;
    CCollisionProperty m_Collision;
    CEntityHierarchy m_Hierarchy;
};

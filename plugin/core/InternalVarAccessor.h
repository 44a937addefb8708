#pragma once

#include <mathlib/vector.h>

class CBaseEntity;
class CBaseHandle;
class SendProp;
class SendTable;
class ServerClass;
struct datamap_t;
struct edict_t;

// Fields of the game's entity objects, reached by byte offsets found by name
// in the game's network tables (at load) and data description maps (on
// first use). An offset of 0 means not found.
class InternalVarAccessor {
public:
    // Finds the network-table offsets; false unless every one was found.
    bool Init();

    // Readers taking an edict fail when it has no server entity.
    int GetPlayerCash(edict_t* edict);  // -1 on failure
    float* GetFlashDuration(edict_t* edict);
    float* GetFlashMaxAlpha(edict_t* edict);
    QAngle GetEntityRotation(edict_t* edict);  // zero angles on failure
    // Pointers into the entity, or null when the entity or the field is not found.
    float* GetLerpTime(edict_t* edict);
    float* GetSpeed(edict_t* edict);
    Vector* GetVelocity(edict_t* edict);
    Vector* GetAbsOrigin(edict_t* edict);

    int GetPlayerFlags(CBaseEntity* entity);
    int GetEntityMoveType(CBaseEntity* entity);
    CBaseHandle* BaseEnt_HFirstMoveChild(CBaseEntity* entity);
    CBaseHandle* BaseEnt_HNextMovePeer(CBaseEntity* entity);

    // The game's server class of that network name, or null.
    static ServerClass* FindServerClass(const char* name);
    // The first property of that name, nested tables searched depth first
    // before the next property; null when there is none.
    static SendProp* FindSendProp(SendTable* table, const char* name);
    // The field's offset in the map, its base maps or embedded maps; 0 when
    // not found.
    static int FindInDataMap(datamap_t* map, const char* name);

private:
    // An offset found in the entity's own data map on first use; searched
    // again on every call while it is not found.
    struct LazyOffset {
        const char* name;
        int offset = 0;
    };

    static CBaseEntity* EntityOf(edict_t* edict);
    // The field's address in the entity, or null.
    static void* FieldOf(CBaseEntity* entity, int offset);
    static void* LazyFieldOf(CBaseEntity* entity, LazyOffset& field);
    static int FindPropOffset(ServerClass* serverClass, const char* name);

    int m_iAccount = 0;
    int m_flFlashDuration = 0;
    int m_flFlashMaxAlpha = 0;
    int m_angRotation = 0;
    int movetype = 0;
    int m_fFlags = 0;

    LazyOffset m_vecVelocity{"m_vecVelocity"};
    LazyOffset m_flSpeed{"m_flSpeed"};
    LazyOffset m_vecAbsOrigin{"m_vecAbsOrigin"};
    LazyOffset m_fLerpTime{"m_fLerpTime"};
    LazyOffset m_hMoveChild{"m_hMoveChild"};
    LazyOffset m_hMovePeer{"m_hMovePeer"};
};

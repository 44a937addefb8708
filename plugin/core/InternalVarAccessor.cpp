#include "core/InternalVarAccessor.h"

#include <basehandle.h>
#include <datamap.h>
#include <dt_send.h>
#include <edict.h>
#include <eiface.h>
#include <server_class.h>

#include <cstring>

#include "core/HostInterfaces.h"
#include "core/VFuncs.h"

bool InternalVarAccessor::Init() {
    ServerClass* player = FindServerClass("CCSPlayer");
    m_iAccount = FindPropOffset(player, "m_iAccount");
    m_flFlashDuration = FindPropOffset(player, "m_flFlashDuration");
    m_flFlashMaxAlpha = FindPropOffset(player, "m_flFlashMaxAlpha");
    if (!m_iAccount || !m_flFlashDuration || !m_flFlashMaxAlpha) {
        return false;
    }
    ServerClass* entity = FindServerClass("CBaseEntity");
    m_angRotation = FindPropOffset(entity, "m_angRotation");
    movetype = FindPropOffset(entity, "movetype");
    if (!m_angRotation || !movetype) {
        return false;
    }
    m_fFlags = FindPropOffset(FindServerClass("CBasePlayer"), "m_fFlags");
    return m_fFlags != 0;
}

ServerClass* InternalVarAccessor::FindServerClass(const char* name) {
    if (!g_host.gameDll) {
        return nullptr;
    }
    for (ServerClass* c = g_host.gameDll->GetAllServerClasses(); c; c = c->m_pNext) {
        if (c->GetName() && std::strcmp(c->GetName(), name) == 0) {
            return c;
        }
    }
    return nullptr;
}

SendProp* InternalVarAccessor::FindSendProp(SendTable* table, const char* name) {
    if (!table) {
        return nullptr;
    }
    for (int i = 0; i < table->GetNumProps(); ++i) {
        SendProp* prop = table->GetProp(i);
        if (prop->GetName() && std::strcmp(prop->GetName(), name) == 0) {
            return prop;
        }
        if (SendProp* nested = FindSendProp(prop->GetDataTable(), name)) {
            return nested;
        }
    }
    return nullptr;
}

int InternalVarAccessor::FindInDataMap(datamap_t* map, const char* name) {
    for (; map; map = map->baseMap) {
        for (int i = 0; i < map->dataNumFields; ++i) {
            const typedescription_t& field = map->dataDesc[i];
            if (!field.fieldName) {
                continue;
            }
            if (std::strcmp(field.fieldName, name) == 0) {
                return field.fieldOffset[TD_OFFSET_NORMAL];
            }
            if (field.td) {
                if (int offset = FindInDataMap(field.td, name)) {
                    return offset;
                }
            }
        }
    }
    return 0;
}

int InternalVarAccessor::FindPropOffset(ServerClass* serverClass, const char* name) {
    if (!serverClass) {
        return 0;
    }
    SendProp* prop = FindSendProp(serverClass->m_pTable, name);
    return prop ? prop->GetOffset() : 0;
}

CBaseEntity* InternalVarAccessor::EntityOf(edict_t* edict) {
    IServerUnknown* unknown = edict ? edict->GetUnknown() : nullptr;
    return unknown ? unknown->GetBaseEntity() : nullptr;
}

void* InternalVarAccessor::FieldOf(CBaseEntity* entity, int offset) {
    if (!entity || !offset) {
        return nullptr;
    }
    return reinterpret_cast<unsigned char*>(entity) + offset;
}

void* InternalVarAccessor::LazyFieldOf(CBaseEntity* entity, LazyOffset& field) {
    if (!entity) {
        return nullptr;
    }
    if (!field.offset) {
        field.offset = FindInDataMap(CBaseEntity_GetDataDescMap(entity), field.name);
    }
    return FieldOf(entity, field.offset);
}

int InternalVarAccessor::GetPlayerCash(edict_t* edict) {
    auto* cash = static_cast<int*>(FieldOf(EntityOf(edict), m_iAccount));
    return cash ? *cash : -1;
}

float* InternalVarAccessor::GetFlashDuration(edict_t* edict) {
    return static_cast<float*>(FieldOf(EntityOf(edict), m_flFlashDuration));
}

float* InternalVarAccessor::GetFlashMaxAlpha(edict_t* edict) {
    return static_cast<float*>(FieldOf(EntityOf(edict), m_flFlashMaxAlpha));
}

QAngle InternalVarAccessor::GetEntityRotation(edict_t* edict) {
    auto* angles = static_cast<QAngle*>(FieldOf(EntityOf(edict), m_angRotation));
    return angles ? *angles : QAngle();
}

float* InternalVarAccessor::GetLerpTime(edict_t* edict) {
    return static_cast<float*>(LazyFieldOf(EntityOf(edict), m_fLerpTime));
}

float* InternalVarAccessor::GetSpeed(edict_t* edict) {
    return static_cast<float*>(LazyFieldOf(EntityOf(edict), m_flSpeed));
}

Vector* InternalVarAccessor::GetVelocity(edict_t* edict) {
    return static_cast<Vector*>(LazyFieldOf(EntityOf(edict), m_vecVelocity));
}

Vector* InternalVarAccessor::GetAbsOrigin(edict_t* edict) {
    return static_cast<Vector*>(LazyFieldOf(EntityOf(edict), m_vecAbsOrigin));
}

int InternalVarAccessor::GetPlayerFlags(CBaseEntity* entity) {
    auto* flags = static_cast<int*>(FieldOf(entity, m_fFlags));
    return flags ? *flags : 0;
}

int InternalVarAccessor::GetEntityMoveType(CBaseEntity* entity) {
    auto* type = static_cast<unsigned char*>(FieldOf(entity, movetype));
    return type ? static_cast<int>(*type) : static_cast<int>(MOVETYPE_NONE);
}

CBaseHandle* InternalVarAccessor::BaseEnt_HFirstMoveChild(CBaseEntity* entity) {
    return static_cast<CBaseHandle*>(LazyFieldOf(entity, m_hMoveChild));
}

CBaseHandle* InternalVarAccessor::BaseEnt_HNextMovePeer(CBaseEntity* entity) {
    return static_cast<CBaseHandle*>(LazyFieldOf(entity, m_hMovePeer));
}

#include "ServerGameEnts.h"

#include <iservernetworkable.h>

#include "BaseEntity.h"
#include "EntityList.h"

namespace cstrike {

CServerGameEnts::CServerGameEnts(EntityList& entities) : m_Entities(entities) {}

edict_t* CServerGameEnts::BaseEntityToEdict(CBaseEntity* entity) {
    return entity && entity->GetEntityList() == &m_Entities ? entity->edict() : nullptr;
}

CBaseEntity* CServerGameEnts::EdictToBaseEntity(edict_t* edict) {
    if (!edict || edict->IsFree() || !edict->GetUnknown()) {
        return nullptr;
    }
    return edict->GetUnknown()->GetBaseEntity();
}

void CServerGameEnts::CheckTransmit(CCheckTransmitInfo* info, const unsigned short* edictIndices,
                                    int edictCount) {
    if (!info || !info->m_pTransmitEdict || !edictIndices) {
        return;
    }
    for (int i = 0; i < edictCount; ++i) {
        CBaseEntity* entity = m_Entities.ByIndex(edictIndices[i]);
        edict_t* edict = entity ? entity->edict() : nullptr;
        if (!edict || edict->IsFree() || (edict->m_fStateFlags & FL_EDICT_DONTSEND)) {
            continue;
        }
        info->m_pTransmitEdict->Set(edictIndices[i]);
        if (info->m_pTransmitAlways && (edict->m_fStateFlags & FL_EDICT_ALWAYS)) {
            info->m_pTransmitAlways->Set(edictIndices[i]);
        }
    }
}

void CServerGameEnts::FreeContainingEntity(edict_t* edict) {
    m_Entities.Remove(m_Entities.FromEdict(edict));
}

}  // namespace cstrike

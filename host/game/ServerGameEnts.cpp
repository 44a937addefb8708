#include "game/ServerGameEnts.h"

#include <iservernetworkable.h>

#include "game/Game.h"

edict_t* ServerGameEnts::BaseEntityToEdict(CBaseEntity* entity) {
    return entity ? entity->GetEdict() : nullptr;
}

CBaseEntity* ServerGameEnts::EdictToBaseEntity(edict_t* edict) {
    if (!edict || edict->IsFree() || !edict->GetUnknown())
        return nullptr;
    return edict->GetUnknown()->GetBaseEntity();
}

void ServerGameEnts::CheckTransmit(CCheckTransmitInfo* info, const unsigned short* edictIndices,
                                   int edictCount) {
    if (!info || !info->m_pTransmitEdict || !edictIndices)
        return;
    for (int i = 0; i < edictCount; ++i)
        info->m_pTransmitEdict->Set(edictIndices[i]);
}

void ServerGameEnts::FreeContainingEntity(edict_t*) {}

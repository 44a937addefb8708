#include "core/PlayerSlots.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>

#include "core/HostInterfaces.h"

IPlayerInfo* GetHumanPlayerInfo(int index, edict_t** edict) {
    if (!g_host.engine || !g_host.playerInfoManager) {
        return nullptr;
    }
    edict_t* entity = g_host.engine->PEntityOfEntIndex(index);
    if (!entity || entity->IsFree()) {
        return nullptr;
    }
    IPlayerInfo* info = g_host.playerInfoManager->GetPlayerInfo(entity);
    if (!info || !info->IsPlayer() || info->IsFakeClient()) {
        return nullptr;
    }
    if (edict) {
        *edict = entity;
    }
    return info;
}

IPlayerInfo* GetRealPlayerInfo(int index, edict_t** edict) {
    IPlayerInfo* info = GetHumanPlayerInfo(index, edict);
    return info && !info->IsHLTV() ? info : nullptr;
}

int GetMaxClients() {
    return g_host.globals ? g_host.globals->maxClients : 0;
}

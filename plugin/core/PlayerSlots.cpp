#include "core/PlayerSlots.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>

#include "core/HostInterfaces.h"

int PlayerSlot(const edict_t* edict) {
    if (!g_host.engine || !edict) {
        return -1;
    }
    const int slot = g_host.engine->IndexOfEdict(edict) - 1;
    return slot >= 0 && slot < kMaxPlayerSlots ? slot : -1;
}

IPlayerInfo* PlayerInfoOf(edict_t* edict) {
    if (!g_host.engine || !g_host.playerInfoManager || !edict || edict->IsFree()) {
        return nullptr;
    }
    return g_host.playerInfoManager->GetPlayerInfo(edict);
}

IPlayerInfo* GetHumanPlayerInfo(int index, edict_t** edict) {
    if (!g_host.engine) {
        return nullptr;
    }
    edict_t* entity = g_host.engine->PEntityOfEntIndex(index);
    IPlayerInfo* info = PlayerInfoOf(entity);
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

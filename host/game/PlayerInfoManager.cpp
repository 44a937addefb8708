#include "game/PlayerInfoManager.h"

#include "game/Game.h"

IPlayerInfo* PlayerInfoManager::GetPlayerInfo(edict_t* edict) {
    CBasePlayer* player = Game::Get().PlayerOf(edict);
    return player ? player->Info() : nullptr;
}

CGlobalVars* PlayerInfoManager::GetGlobalVars() {
    return Game::Get().Globals();
}

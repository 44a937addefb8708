#include "game/PlayerInfoManager.h"

#include "game/Game.h"

PlayerInfoManager::PlayerInfoManager() {
    for (int i = 0; i <= ABSOLUTE_PLAYER_LIMIT; ++i)
        m_infos[i].Bind(i);
}

IPlayerInfo* PlayerInfoManager::GetPlayerInfo(edict_t* edict) {
    const Game& game = Game::Get();
    const int index = game.Engine() ? game.Engine()->IndexOfEdict(edict) : -1;
    return game.Player(index) ? &m_infos[index] : nullptr;
}

CGlobalVars* PlayerInfoManager::GetGlobalVars() {
    return Game::Get().Globals();
}

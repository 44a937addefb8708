// Player information ("PlayerInfoManager002") and the engine's global
// variables, as the game hands them out.
#pragma once

#include <const.h>
#include <iplayerinfo.h>

#include "game/PlayerInfo.h"

class PlayerInfoManager final : public IPlayerInfoManager {
public:
    PlayerInfoManager();

    // Null for an edict without a player.
    IPlayerInfo* GetPlayerInfo(edict_t* edict) override;
    CGlobalVars* GetGlobalVars() override;

private:
    PlayerInfo m_infos[ABSOLUTE_PLAYER_LIMIT + 1];
};

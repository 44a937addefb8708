// Player information ("PlayerInfoManager002") and the engine's global
// variables, as the game hands them out.
#pragma once

#include <iplayerinfo.h>

class PlayerInfoManager final : public IPlayerInfoManager {
public:
    IPlayerInfo* GetPlayerInfo(edict_t* edict) override;
    CGlobalVars* GetGlobalVars() override;
};

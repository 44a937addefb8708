// The sim's private controls over the game ("SimGame001"); see ISimGame.h.
#pragma once

#include "sim/ISimGame.h"

class SimGame final : public ISimGame {
public:
    void SetClientKind(int entityIndex, bool fakeClient, bool sourceTV) override;
    void SetGameDescription(const char* description) override;
    int GetTeam(int entityIndex) override;
    void SetTeam(int entityIndex, int team) override;
    bool IsAlive(int entityIndex) override;
    void Kill(int entityIndex) override;
    int CountEntities(const char* className) override;
    int LastMenuSelection(int entityIndex) override;
};

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
    void SetUsercmdRate(int entityIndex, float commandsPerSecond) override;
    void SetUsercmdInput(int entityIndex, const SimUsercmd& input) override;
    void StallUsercmds(int entityIndex, float seconds) override;
    bool SetMoveType(int entityIndex, int moveType) override;
    bool Teleport(int entityIndex, const float origin[3]) override;
    bool GetPlayerState(int entityIndex, SimPlayerState* state) override;
    void Flash(int entityIndex, float duration, float maxAlpha) override;
    bool PlantBomb(int entityIndex) override;
    void Hurt(int victimIndex, int attackerIndex, int damage, const char* weapon) override;
    int GetTeamScore(int team) override;
    int CountEntitiesByModel(const char* model) override;
    int GetSolids(SimSolid* solids, int maxSolids) override;
};

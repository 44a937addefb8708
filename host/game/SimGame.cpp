#include "game/SimGame.h"

#include "game/Game.h"

void SimGame::SetClientKind(int entityIndex, bool fakeClient, bool sourceTV) {
    Game::Get().SetClientKind(entityIndex, fakeClient, sourceTV);
}

void SimGame::SetGameDescription(const char* description) {
    Game::Get().SetDescription(description ? description : "");
}

int SimGame::GetTeam(int entityIndex) {
    const CBasePlayer* player = Game::Get().Player(entityIndex);
    return player ? player->Team() : TEAM_INVALID;
}

void SimGame::SetTeam(int entityIndex, int team) {
    if (CBasePlayer* player = Game::Get().Player(entityIndex))
        Game::Get().ChangeTeam(*player, team);
}

bool SimGame::IsAlive(int entityIndex) {
    const CBasePlayer* player = Game::Get().Player(entityIndex);
    return player && player->IsAlive();
}

void SimGame::SetAlive(int entityIndex, bool alive) {
    if (CBasePlayer* player = Game::Get().Player(entityIndex))
        Game::Get().SetAlive(*player, alive);
}

int SimGame::CountEntities(const char* className) {
    return Game::Get().CountEntities(className);
}

int SimGame::LastMenuSelection(int entityIndex) {
    return Game::Get().LastMenuSelection(entityIndex);
}

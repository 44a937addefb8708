#include "game/SimGame.h"

#include "game/Game.h"

void SimGame::SetClientKind(int entityIndex, bool fakeClient, bool sourceTV) {
    Game::Get().SetClientKind(entityIndex, fakeClient, sourceTV);
}

void SimGame::SetGameDescription(const char* description) {
    Game::Get().SetDescription(description ? description : "");
}

int SimGame::GetTeam(int entityIndex) {
    const CCSPlayer* player = Game::Get().Player(entityIndex);
    return player ? player->GetTeamNumber() : TEAM_INVALID;
}

void SimGame::SetTeam(int entityIndex, int team) {
    if (CCSPlayer* player = Game::Get().Player(entityIndex))
        Game::Get().Rules()->JoinTeam(player, team);
}

bool SimGame::IsAlive(int entityIndex) {
    const CCSPlayer* player = Game::Get().Player(entityIndex);
    return player && player->IsAlive();
}

void SimGame::Kill(int entityIndex) {
    if (CCSPlayer* player = Game::Get().Player(entityIndex))
        Game::Get().Rules()->Kill(player, nullptr, "world", false);
}

int SimGame::CountEntities(const char* className) {
    const auto* entities = Game::Get().Entities();
    return entities && className ? entities->CountByClassname(className) : 0;
}

int SimGame::LastMenuSelection(int entityIndex) {
    return Game::Get().LastMenuSelection(entityIndex);
}

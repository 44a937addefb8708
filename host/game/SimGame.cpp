#include "game/SimGame.h"

#include "cstrike/SolidEntities.h"
#include "game/Game.h"

namespace {

void CopyVector(const Vector& from, float* to) {
    to[0] = from.x;
    to[1] = from.y;
    to[2] = from.z;
}

bool IsPlayerMoveType(int moveType) {
    switch (moveType) {
        case MOVETYPE_WALK:
        case MOVETYPE_FLY:
        case MOVETYPE_NOCLIP:
        case MOVETYPE_LADDER:
        case MOVETYPE_OBSERVER:
            return true;
        default:
            return false;
    }
}

}  // namespace

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

void SimGame::SetUsercmdRate(int entityIndex, float commandsPerSecond) {
    Game::Get().SetUsercmdRate(entityIndex, commandsPerSecond);
}

void SimGame::SetUsercmdInput(int entityIndex, const SimUsercmd& input) {
    CUserCmd command;
    command.viewangles = QAngle(input.viewangles[0], input.viewangles[1], input.viewangles[2]);
    command.forwardmove = input.forwardmove;
    command.sidemove = input.sidemove;
    command.upmove = input.upmove;
    command.buttons = input.buttons;
    Game::Get().SetUsercmdInput(entityIndex, command);
}

void SimGame::StallUsercmds(int entityIndex, float seconds) {
    Game::Get().StallUsercmds(entityIndex, seconds);
}

bool SimGame::SetMoveType(int entityIndex, int moveType) {
    CCSPlayer* player = Game::Get().Player(entityIndex);
    if (!player || !player->IsAlive() || !IsPlayerMoveType(moveType))
        return false;
    player->SetMoveType(static_cast<MoveType_t>(moveType));
    if (moveType != MOVETYPE_WALK)
        player->RemoveFlag(FL_ONGROUND);
    return true;
}

bool SimGame::Teleport(int entityIndex, const float origin[3]) {
    CCSPlayer* player = Game::Get().Player(entityIndex);
    const Vector to(origin[0], origin[1], origin[2]);
    if (!player || !to.IsValid())
        return false;
    player->SetAbsOrigin(to);
    player->SetAbsVelocity(vec3_origin);
    player->SetFloorHeight(to.z);
    return true;
}

bool SimGame::GetPlayerState(int entityIndex, SimPlayerState* state) {
    CCSPlayer* player = Game::Get().Player(entityIndex);
    if (!player || !state)
        return false;
    CopyVector(player->GetAbsOrigin(), state->origin);
    CopyVector(player->GetAbsVelocity(), state->velocity);
    CopyVector(player->EyePosition(), state->eyes);
    const auto* usercmds = Game::Get().UsercmdsOf(*player);
    state->usercmds = usercmds ? usercmds->commandsRun : 0;
    state->moveType = player->GetMoveType();
    state->flags = player->GetFlags();
    state->team = player->GetTeamNumber();
    state->health = player->GetHealth();
    state->money = player->GetAccount();
    state->alive = player->IsAlive();
    state->defusing = player->IsDefusing();
    state->hasDefuser = player->HasDefuser();
    state->maxSpeed = player->GetMaxSpeed();
    state->flashDuration = player->GetFlashDuration();
    state->flashMaxAlpha = player->GetFlashMaxAlpha();
    state->observerMode = player->GetObserverMode();
    const CBasePlayer* target = player->GetObserverTarget();
    state->observerTarget = target ? target->entindex() : 0;
    return true;
}

void SimGame::Flash(int entityIndex, float duration, float maxAlpha) {
    if (CCSPlayer* player = Game::Get().Player(entityIndex))
        Game::Get().Rules()->Flash(player, duration, maxAlpha);
}

bool SimGame::PlantBomb(int entityIndex) {
    CCSPlayer* player = Game::Get().Player(entityIndex);
    return player && Game::Get().Rules()->PlantBomb(player) != nullptr;
}

void SimGame::Hurt(int victimIndex, int attackerIndex, int damage, const char* weapon) {
    if (CCSPlayer* victim = Game::Get().Player(victimIndex))
        Game::Get().Rules()->Hurt(victim, Game::Get().Player(attackerIndex), damage, weapon);
}

int SimGame::GetTeamScore(int team) {
    const cstrike::CSGameRules* rules = Game::Get().Rules();
    return rules ? rules->TeamScore(team) : 0;
}

int SimGame::CountEntitiesByModel(const char* model) {
    const auto* entities = Game::Get().Entities();
    return entities && model ? entities->CountByModel(model) : 0;
}

int SimGame::GetSolids(SimSolid* solids, int maxSolids) {
    const cstrike::EntityList* entities = Game::Get().Entities();
    return entities ? cstrike::CollectSolids(*entities, solids, maxSolids) : 0;
}

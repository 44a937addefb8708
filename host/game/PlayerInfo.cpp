#include "game/PlayerInfo.h"

#include "game/Game.h"

CCSPlayer* PlayerInfo::Player() const {
    return Game::Get().Player(m_index);
}

const char* PlayerInfo::GetName() {
    const CCSPlayer* player = Player();
    return player ? player->GetPlayerName() : "";
}

int PlayerInfo::GetUserID() {
    const CCSPlayer* player = Player();
    return player ? Game::Get().Engine()->GetPlayerUserId(player->edict()) : -1;
}

const char* PlayerInfo::GetNetworkIDString() {
    // The engine's: it changes when Steam validates the player.
    const CCSPlayer* player = Player();
    const char* id =
        player ? Game::Get().Engine()->GetPlayerNetworkIDString(player->edict()) : nullptr;
    return id ? id : "";
}

int PlayerInfo::GetTeamIndex() {
    const CCSPlayer* player = Player();
    return player ? player->GetTeamNumber() : TEAM_UNASSIGNED;
}

void PlayerInfo::ChangeTeam(int teamNum) {
    if (CCSPlayer* player = Player())
        Game::Get().Rules()->JoinTeam(player, teamNum);
}

int PlayerInfo::GetFragCount() {
    const CCSPlayer* player = Player();
    return player ? player->GetFragCount() : 0;
}

int PlayerInfo::GetDeathCount() {
    const CCSPlayer* player = Player();
    return player ? player->GetDeathCount() : 0;
}

bool PlayerInfo::IsHLTV() {
    return Game::Get().IsSourceTV(m_index);
}

bool PlayerInfo::IsFakeClient() {
    return Game::Get().IsFakeClient(m_index);
}

bool PlayerInfo::IsDead() {
    const CCSPlayer* player = Player();
    return !player || !player->IsAlive();
}

bool PlayerInfo::IsObserver() {
    const CCSPlayer* player = Player();
    return player && player->IsObserver();
}

const Vector PlayerInfo::GetAbsOrigin() {
    const CCSPlayer* player = Player();
    return player ? player->GetAbsOrigin() : Vector();
}

const QAngle PlayerInfo::GetAbsAngles() {
    const CCSPlayer* player = Player();
    return player ? player->GetAbsAngles() : QAngle();
}

int PlayerInfo::GetHealth() {
    const CCSPlayer* player = Player();
    return player ? player->GetHealth() : 0;
}

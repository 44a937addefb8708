#include "game/CBasePlayer.h"

#include "game/Game.h"

CBasePlayer::CBasePlayer(edict_t* edict, std::string name, bool fakeClient, bool sourceTV)
    : CBaseEntity("player", edict),
      m_name(std::move(name)),
      m_fake(fakeClient),
      m_sourceTV(sourceTV) {}

const char* CPlayerInfo::GetName() {
    return m_player.Name().c_str();
}

int CPlayerInfo::GetUserID() {
    return Game::Get().Engine()->GetPlayerUserId(m_player.GetEdict());
}

const char* CPlayerInfo::GetNetworkIDString() {
    const char* id = Game::Get().Engine()->GetPlayerNetworkIDString(m_player.GetEdict());
    return id ? id : "";
}

int CPlayerInfo::GetTeamIndex() {
    return m_player.Team();
}

void CPlayerInfo::ChangeTeam(int teamNum) {
    Game::Get().ChangeTeam(m_player, teamNum);
}

bool CPlayerInfo::IsHLTV() {
    return m_player.IsSourceTV();
}

bool CPlayerInfo::IsFakeClient() {
    return m_player.IsFakeClient();
}

bool CPlayerInfo::IsDead() {
    return !m_player.IsAlive();
}

bool CPlayerInfo::IsObserver() {
    return m_player.IsObserver();
}

int CPlayerInfo::GetHealth() {
    return m_player.IsAlive() ? 100 : 0;
}

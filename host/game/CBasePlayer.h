// A player entity and the player information the game answers for it
// (IPlayerInfo): name, team, alive or dead, bot or SourceTV.
#pragma once

#include <iplayerinfo.h>
#include <shareddefs.h>

#include "game/CBaseEntity.h"

class CBasePlayer;

class CPlayerInfo final : public IPlayerInfo {
public:
    explicit CPlayerInfo(CBasePlayer& player) : m_player(player) {}

    const char* GetName() override;
    int GetUserID() override;
    const char* GetNetworkIDString() override;
    int GetTeamIndex() override;
    void ChangeTeam(int teamNum) override;
    int GetFragCount() override { return 0; }
    int GetDeathCount() override { return 0; }
    bool IsHLTV() override;
    bool IsPlayer() override { return true; }
    bool IsFakeClient() override;
    bool IsDead() override;
    bool IsInAVehicle() override { return false; }
    bool IsObserver() override;
    bool IsConnected() override { return true; }
    const Vector GetAbsOrigin() override { return Vector(); }
    const QAngle GetAbsAngles() override { return QAngle(); }
    const char* GetWeaponName() override { return ""; }
    const char* GetModelName() override { return ""; }
    int GetHealth() override;
    int GetMaxHealth() override { return 100; }
    int GetArmorValue() override { return 0; }

private:
    CBasePlayer& m_player;
};

class CBasePlayer final : public CBaseEntity {
public:
    CBasePlayer(edict_t* edict, std::string name, bool fakeClient, bool sourceTV);

    IPlayerInfo* Info() { return &m_info; }
    const std::string& Name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    bool IsFakeClient() const { return m_fake; }
    bool IsSourceTV() const { return m_sourceTV; }
    int Team() const { return m_team; }
    void SetTeam(int team) { m_team = team; }
    bool IsAlive() const { return m_alive; }
    bool IsObserver() const { return m_observer; }
    // Joining players, spectators and the dead watch; the living play.
    void SetAlive(bool alive) {
        m_alive = alive;
        m_observer = !alive;
    }

private:
    CPlayerInfo m_info{*this};
    std::string m_name;
    bool m_fake;
    bool m_sourceTV;
    int m_team = TEAM_UNASSIGNED;
    bool m_alive = false;
    bool m_observer = true;
};

// The player information the game answers for one client slot
// (IPlayerInfo), read from the slot's player entity.
#pragma once

#include <iplayerinfo.h>

class CCSPlayer;

class PlayerInfo final : public IPlayerInfo {
public:
    void Bind(int entityIndex) { m_index = entityIndex; }

    const char* GetName() override;
    int GetUserID() override;
    const char* GetNetworkIDString() override;
    int GetTeamIndex() override;
    void ChangeTeam(int teamNum) override;
    int GetFragCount() override;
    int GetDeathCount() override;
    bool IsHLTV() override;
    bool IsPlayer() override { return Player() != nullptr; }
    bool IsFakeClient() override;
    bool IsDead() override;
    bool IsInAVehicle() override { return false; }
    bool IsObserver() override;
    bool IsConnected() override { return Player() != nullptr; }
    const Vector GetAbsOrigin() override;
    const QAngle GetAbsAngles() override;
    const char* GetWeaponName() override { return ""; }
    const char* GetModelName() override { return ""; }
    int GetHealth() override;
    int GetMaxHealth() override { return 100; }
    int GetArmorValue() override { return 0; }

private:
    CCSPlayer* Player() const;

    int m_index = 0;
};

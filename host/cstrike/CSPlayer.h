// The Counter-Strike: Source player: money, flash state, defuse kit.
#pragma once

#include "BasePlayer.h"

class CCSPlayer : public CBasePlayer {
public:
    SDK_DELETING_DESTRUCTOR(CCSPlayer)
    static constexpr int kMaxAccount = 16000;

    CCSPlayer() = default;

    ServerClass* GetServerClass() override;
    datamap_t* GetDataDescMap() override;
    static datamap_t* ClassDataMap();
    static SendTable* ClassSendTable();

    int GetAccount() const { return m_iAccount; }
    // Money stays within 0 and 16000.
    void SetAccount(int amount);
    void AddAccount(int amount);

    // A flashbang's effect: how long the flash lasts and how white it gets.
    void Blind(float duration, float maxAlpha);
    float GetFlashDuration() const { return m_flFlashDuration; }
    float GetFlashMaxAlpha() const { return m_flFlashMaxAlpha; }

    bool HasDefuser() const { return m_bHasDefuser; }
    void GiveDefuser(bool has) { m_bHasDefuser = has; }
    bool IsDefusing() const { return m_bIsDefusing; }
    void SetDefusing(bool defusing) { m_bIsDefusing = defusing; }

protected:
    static SendTable* LocalDataSendTable();

    int m_iAccount = 0;
    float m_flFlashDuration = 0.0f;
    float m_flFlashMaxAlpha = 255.0f;
    bool m_bHasDefuser = false;
    bool m_bIsDefusing = false;
};

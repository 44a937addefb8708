// The planted bomb ("planted_c4"): ticks until it blows up, unless a
// counter-terrorist defuses it by holding the use key on it. The use key
// reaches it through the player's FindUseEntity; the rules decide what a use
// means (they are its observer).
#pragma once

#include "BaseEntity.h"

class CPlantedC4;

namespace cstrike {

class IBombObserver {
public:
    virtual void OnBombUsed(CPlantedC4& bomb, CBaseEntity* user) = 0;

protected:
    ~IBombObserver() = default;
};

}  // namespace cstrike

class CPlantedC4 : public CBaseEntity {
public:
    SDK_DELETING_DESTRUCTOR(CPlantedC4)
    CPlantedC4(cstrike::IBombObserver* observer, float blowTime);

    ServerClass* GetServerClass() override;
    void Use(CBaseEntity* activator) override;
    int ObjectCaps() const override;
    datamap_t* GetDataDescMap() override;
    static datamap_t* ClassDataMap();
    static SendTable* ClassSendTable();

    bool IsTicking() const { return m_bBombTicking; }
    float GetBlowTime() const { return m_flC4Blow; }
    // Stops the bomb (defused or blown up); it can no longer be used.
    void StopTicking();

    CBaseEntity* GetDefuser() const;
    float GetDefuseEndTime() const { return m_flDefuseCountDown; }
    void StartDefuse(CBaseEntity* defuser, float endTime);
    void StopDefuse();

private:
    cstrike::IBombObserver* m_pObserver;
    float m_flC4Blow;
    bool m_bBombTicking = true;
    CBaseHandle m_hBombDefuser;
    float m_flDefuseCountDown = 0.0f;
};

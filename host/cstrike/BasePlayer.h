// A player entity: the client's body in the game.
#pragma once

#include <string>

#include "BaseCombatCharacter.h"

// Observer modes (m_iObserverMode): none while playing.
#define OBS_MODE_NONE 0
#define OBS_MODE_DEATHCAM 1
#define OBS_MODE_FREEZECAM 2
#define OBS_MODE_FIXED 3
#define OBS_MODE_IN_EYE 4
#define OBS_MODE_CHASE 5
#define OBS_MODE_ROAMING 6
#define LAST_PLAYER_OBSERVERMODE OBS_MODE_ROAMING

// Eye heights above the origin.
#define VEC_VIEW Vector(0.0f, 0.0f, 64.0f)
#define VEC_DUCK_VIEW Vector(0.0f, 0.0f, 46.0f)

// The part of the player state the engine keeps too.
struct CPlayerState {
    QAngle v_angle;  // the view angles of the last usercmd
    bool deadflag = false;
};

class CBasePlayer : public CBaseCombatCharacter {
public:
    SDK_DELETING_DESTRUCTOR(CBasePlayer)
    // How far from the eyes the use key reaches.
    static constexpr float kUseRange = 96.0f;

    CBasePlayer();

    ServerClass* GetServerClass() override;
    datamap_t* GetDataDescMap() override;
    bool IsPlayer() const override;
    Vector EyePosition() override;
    const QAngle& EyeAngles() override;
    CSTRIKE_RESERVED_SLOTS_128(slot261_)  // 261-388
    CSTRIKE_RESERVED_SLOTS_4(slot389_)    // 389-392
    CSTRIKE_RESERVED_SLOTS_2(slot393_)    // 393-394
    // The nearest usable entity within reach of the eyes, or null. Like the
    // game's, it does not ask whether the entity can be seen.
    virtual CBaseEntity* FindUseEntity();  // 395

    static datamap_t* ClassDataMap();
    static SendTable* ClassSendTable();

    void SetIdentity(int userId, const char* name, const char* networkId);
    int GetUserID() const { return m_iUserID; }
    const char* GetPlayerName() const { return m_szNetname.c_str(); }
    const char* GetNetworkIDString() const { return m_szNetworkID.c_str(); }

    bool IsObserver() const { return m_iObserverMode != OBS_MODE_NONE; }
    int GetObserverMode() const { return m_iObserverMode; }
    void StartObserverMode(int mode);
    void StopObserverMode();
    void SetObserverMode(int mode) { m_iObserverMode = mode; }
    // The player watched in the first-person and chase modes (null: none).
    CBasePlayer* GetObserverTarget() const;
    void SetObserverTarget(CBasePlayer* target);

    float GetLerpTime() const { return m_fLerpTime; }
    // The interpolation time from the client's cl_interp text: 0 to 0.5 s,
    // 0.1 s for a text that is not a finite number.
    void SetLerpTimeFromInterp(const char* clInterp);

    const QAngle& GetViewAngles() const { return pl.v_angle; }
    void SetViewAngles(const QAngle& angles) { pl.v_angle = angles; }
    bool IsDeadFlagSet() const { return pl.deadflag; }
    void SetDeadFlag(bool dead) { pl.deadflag = dead; }
    float GetMaxSpeed() const { return m_flMaxspeed; }
    void SetMaxSpeed(float speed) { m_flMaxspeed = speed; }

    // The height the player last stood on; a jump or fall lands there.
    float GetFloorHeight() const { return m_flFloorHeight; }
    void SetFloorHeight(float height) { m_flFloorHeight = height; }

    int GetButtons() const { return m_nButtons; }
    // The buttons of the command being run; remembers the previous ones.
    void SetButtons(int buttons);
    // The use key of the current command: finds the entity through the
    // virtual FindUseEntity and uses it (a continuous-use entity on every
    // command the key is held, any other once per press). Answers the entity
    // found.
    CBaseEntity* PlayerUse();

    int GetFragCount() const { return m_iFrags; }
    int GetDeathCount() const { return m_iDeaths; }
    void IncrementFragCount(int count) { m_iFrags += count; }
    void IncrementDeathCount(int count) { m_iDeaths += count; }
    void ResetScores();

protected:
    static datamap_t* PlayerStateDataMap();
    static SendTable* PlayerStateSendTable();
    static SendTable* LocalDataSendTable();

    CPlayerState pl;
    float m_fLerpTime = 0.1f;
    int m_iObserverMode = OBS_MODE_NONE;
    CBaseHandle m_hObserverTarget;
    float m_flMaxspeed = 250.0f;
    float m_flFloorHeight = 0.0f;
    int m_nButtons = 0;
    int m_afButtonLast = 0;
    int m_iFrags = 0;
    int m_iDeaths = 0;
    int m_iUserID = -1;
    std::string m_szNetname;
    std::string m_szNetworkID;
};

#pragma once

#include <vector>

#include "core/PlayerSlots.h"

struct edict_t;

// A joining player waiting for the host to validate its Steam ID.
class UnauthedPlayer {
public:
    UnauthedPlayer(edict_t* entity, float timeOut) : m_pEntity(entity), m_TimeOut(timeOut) {}

    edict_t* getpEntity() const { return m_pEntity; }
    // Game time until which it may wait.
    float getTimeOut() const { return m_TimeOut; }

private:
    edict_t* m_pEntity;
    float m_TimeOut;
};

// Two duties per player, run from the frame: holding each joining player
// until its Steam ID is validated and then admitting it, and watching its
// interpolation time (cl_interp).
class TKPlayerManager {
public:
    // How long a joining player may wait for its Steam ID.
    static constexpr float kAuthTimeOut = 20.0f;
    // Pause between two rounds of work.
    static constexpr float kThinkInterval = 0.35f;

    void OnGameFrame();
    void OnClientActive(edict_t* edict);
    void OnClientDisconnect(edict_t* edict);
    void OnClientSettingsChanged(edict_t* edict);
    void CheckLerp(edict_t* edict);
    // Level start and end: the lists go, the per-slot values stay.
    void Reset();

private:
    void ThinkWaiting(float now);
    // Whether the player must still wait for validation.
    static bool StillUnvalidated(edict_t* edict);
    static void TimeOut(edict_t* edict);
    // The raised-while-playing and range checks; true when a kick was queued.
    bool JudgeLerpChange(edict_t* edict, int slot, float lerp);
    static void KickForLerp(edict_t* edict, const char* reason);

    std::vector<UnauthedPlayer> m_Waiting;
    std::vector<edict_t*> m_LerpQueue;
    bool m_LerpKnown[kMaxPlayerSlots] = {};
    float m_LastLerp[kMaxPlayerSlots] = {};
    float m_NextThink = 0.0f;
};

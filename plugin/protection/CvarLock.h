#pragma once

#include <tier1/iconvar.h>

#include <string>

class ConVar;
class CvarLock;

// When a lock holds its variable.
enum lockWhen_t : int {
    LOCK_ALWAYS = 0,
    LOCK_ACTIVE = 1,   // while the plug-in is active
    LOCK_WARMODE = 2,  // while active and in war mode
};

// Output selected by a lock's announce flags.
enum : int {
    ANNOUNCE_CONSOLE = 1,
    ANNOUNCE_CHAT = 2,
    ANNOUNCE_LOG = 4,
};

// A lock rule of its own: true when it changed the variable and set the
// lock reason.
using CvarLockFunction = bool (*)(CvarLock* lock);

// Holds one host variable at a forced value, inside a range or under a rule
// of its own while its condition holds, and gives it back the value the
// administrator last set when the condition ends.
class CvarLock {
public:
    CvarLock(const char* name, int gameMask, lockWhen_t when, int announceFlags, bool announcable);
    CvarLock(const CvarLock&) = delete;
    CvarLock& operator=(const CvarLock&) = delete;

    // The three kinds; the locker checks their arguments.
    void SetForcedValue(const char* value);
    void SetRange(bool hasMin, const char* minText, bool hasMax, const char* maxText);
    void SetLockFunction(CvarLockFunction function) { m_LockFunction = function; }

    // Finds the variable, takes its value as the administrator's, applies the
    // lock silently and installs the change callback. False when the host
    // has no such variable.
    bool Init();
    bool ShouldLock() const;
    // True when it changed the variable.
    bool Lock();
    void UnLock();
    void Configure();
    void OnChange();
    // Removes the change callback and gives the variable back; the lock is
    // invalid afterwards, so that a later UnHookAll leaves the host alone.
    void UnHook();
    void ReHook();
    bool IsValidForGame(int gameType) const;

    // Sets the variable as the lock: the change callback does not take the
    // value for the administrator's. Builds and keeps the announcement.
    void Force(const char* value);
    // Sets the variable without taking it for a lock's change: the value
    // becomes the administrator's as well.
    void SetQuietly(float value);

    static void OnCvarLockCvarChange(IConVar* var, const char* oldValue, float oldFloat);

    ConVar* getConVar() const { return m_Var; }
    const char* GetName() const { return m_Name; }
    void setLockReason(const char* reason) { m_LockReason = reason; }
    const char* getLockReason() const { return m_LockReason.c_str(); }
    void setChangeIsLock(bool changeIsLock) { m_ChangeIsLock = changeIsLock; }
    bool IsHookedOurHook() const;
    bool IsValid() const { return m_Valid; }
    bool IsAnnouncable() const { return m_Announcable; }

private:
    bool Apply();
    void Announce() const;
    void InstallHook();
    void RemoveHook();

    char m_Name[64] = {};
    bool m_Valid = false;
    bool m_Announcable;
    bool m_HasMin = false;
    float m_Min = 0.0f;
    std::string m_MinText;
    bool m_HasMax = false;
    float m_Max = 0.0f;
    std::string m_MaxText;
    bool m_HasForcedValue = false;
    std::string m_ForcedValue;
    std::string m_SavedValue;
    bool m_ChangeIsLock = false;
    // The lock's own set is under way; its nested change callback must not
    // apply the lock again (a host that stores another text than the forced
    // one would otherwise recurse without end).
    bool m_Setting = false;
    ConVar* m_Var = nullptr;
    std::string m_LockReason;
    int m_GameMask;
    int m_AnnounceFlags;
    lockWhen_t m_LockWhen;
    CvarLockFunction m_LockFunction = nullptr;
    bool m_Replicated = false;
};

// sv_client_max_interp_ratio: "2", or "1" on a LAN server.
bool cvar_maxInterpRatio_Lock(CvarLock* lock);
// Holds the variable at 0 without a word.
bool cvar_preventChangeLock(CvarLock* lock);

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "protection/CvarLock.h"

// The fixed list of host server variables that the plug-in holds at
// competitive values (see CvarLock), built and installed at load.
class CvarLocker {
public:
    CvarLocker() = default;
    CvarLocker(const CvarLocker&) = delete;
    CvarLocker& operator=(const CvarLocker&) = delete;
    ~CvarLocker();

    // Builds the list and installs every lock of the current game; a
    // variable the host lacks is reported (unless the entry is silent) and
    // left out.
    void Init();
    void PopulateList();
    CvarLock* getCvarLock(const char* name) const;
    // Removes every change callback and gives every variable back.
    void UnHookAll();
    // Applies or releases each lock after the plug-in's activity, war mode or
    // sv_lan changed.
    void ReConfigureAll();

    bool AddCvarLockD(const char* name, const char* value, int gameMask, lockWhen_t when,
                      int announceFlags, bool announcable);
    bool AddCvarLockR(const char* name, bool hasMin, const char* minText, bool hasMax,
                      const char* maxText, int gameMask, lockWhen_t when, int announceFlags,
                      bool announcable);
    bool AddCvarLockC(const char* name, CvarLockFunction function, int gameMask, lockWhen_t when,
                      int announceFlags, bool announcable);

private:
    CvarLock* Add(const char* name, int gameMask, lockWhen_t when, int announceFlags,
                  bool announcable);
    void AddSilentLock();
    void InitLock(CvarLock& lock);

    std::vector<std::unique_ptr<CvarLock>> m_Locks;
    // The silent lock's variable, when an operator named it in its file.
    std::string m_ConfiguredSilentName;
};

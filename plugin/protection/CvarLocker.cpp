#include "protection/CvarLocker.h"

#include <cstdlib>
#include <cstring>

#include "core/GameKind.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "messaging/tkLog.h"
#include "protection/SilentLockConfig.h"
#include "support/StringCrypt.h"

namespace {

constexpr int kAllGames = 0;
constexpr int kCSS = 1 << GAME_CSS;
constexpr int kAnnounceAll = ANNOUNCE_CONSOLE | ANNOUNCE_CHAT | ANNOUNCE_LOG;

// The silent lock's built-in variable, kept out of plain sight.
constexpr auto kSilentLockName = StringCrypt::Scramble("host_framerate");

enum class Kind { AtMost, Fixed, Custom };

struct Row {
    const char* name;
    Kind kind;
    const char* value;  // the maximum or the forced value
    CvarLockFunction function;
    int gameMask;
    lockWhen_t when;
};

constexpr Row kRows[] = {
    {"sv_maxcmdrate", Kind::AtMost, "66", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_maxupdaterate", Kind::AtMost, "66", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_client_min_interp_ratio", Kind::Fixed, "1", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_client_max_interp_ratio", Kind::Custom, nullptr, cvar_maxInterpRatio_Lock, kAllGames,
     LOCK_ACTIVE},
    {"sv_client_cmdrate_difference", Kind::Fixed, "0", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_client_predict", Kind::Fixed, "1", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_pure_kick_clients", Kind::Fixed, "1", nullptr, kAllGames, LOCK_ACTIVE},
    {"phys_timescale", Kind::Fixed, "1", nullptr, kAllGames, LOCK_WARMODE},
    {"sv_allow_wait_command", Kind::Fixed, "0", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_allow_color_correction", Kind::Fixed, "0", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_allow_voice_from_file", Kind::Fixed, "0", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_allowupload", Kind::Fixed, "0", nullptr, kAllGames, LOCK_WARMODE},
    {"sv_allowminmodels", Kind::Fixed, "1", nullptr, kCSS, LOCK_WARMODE},
    {"sv_consistency", Kind::Fixed, "1", nullptr, kAllGames, LOCK_ACTIVE},
    {"sv_disablefreezecam", Kind::Fixed, "1", nullptr, kCSS, LOCK_WARMODE},
    {"sv_nonemesis", Kind::Fixed, "1", nullptr, kCSS, LOCK_WARMODE},
    {"sv_nomvp", Kind::Fixed, "1", nullptr, kCSS, LOCK_WARMODE},
    {"sv_nowinpanel", Kind::Fixed, "1", nullptr, kCSS, LOCK_WARMODE},
    {"mp_ignore_round_win_conditions", Kind::Fixed, "0", nullptr, kCSS, LOCK_WARMODE},
    {"mp_round_restart_delay", Kind::Fixed, "5", nullptr, kCSS, LOCK_WARMODE},
    {"sv_competitive_minspec", Kind::Fixed, "1", nullptr, kCSS, LOCK_WARMODE},
    {"sv_enableboost", Kind::Fixed, "0", nullptr, kCSS, LOCK_WARMODE},
    {"sv_enablebunnyhopping", Kind::Fixed, "0", nullptr, kCSS, LOCK_WARMODE},
    {"sv_ladder_dampen", Kind::Fixed, "1", nullptr, kCSS, LOCK_WARMODE},
    {"sv_ladder_angle", Kind::Fixed, "-0.707", nullptr, kCSS, LOCK_WARMODE},
    {"sv_legacy_grenade_damage", Kind::Fixed, "0", nullptr, kCSS, LOCK_WARMODE},
};

}  // namespace

CvarLocker::~CvarLocker() {
    UnHookAll();
}

void CvarLocker::Init() {
    if (!g_host.cvar) {
        return;
    }
    PopulateList();
    for (const std::unique_ptr<CvarLock>& lock : m_Locks) {
        if (lock->IsValidForGame(currentGame)) {
            InitLock(*lock);
        }
    }
}

void CvarLocker::InitLock(CvarLock& lock) {
    if (lock.Init()) {
        return;
    }
    if (lock.IsAnnouncable()) {
        tkLog(true, "[Travik] Unable to lock cvar \"%s\"\n", lock.GetName());
    } else if (m_ConfiguredSilentName == lock.GetName()) {
        SilentLockConfig::ReportMissing(lock.GetName());
    }
}

void CvarLocker::PopulateList() {
    m_Locks.clear();
    for (const Row& row : kRows) {
        switch (row.kind) {
            case Kind::AtMost:
                AddCvarLockR(row.name, false, nullptr, true, row.value, row.gameMask, row.when,
                             kAnnounceAll, true);
                break;
            case Kind::Fixed:
                AddCvarLockD(row.name, row.value, row.gameMask, row.when, kAnnounceAll, true);
                break;
            case Kind::Custom:
                AddCvarLockC(row.name, row.function, row.gameMask, row.when, kAnnounceAll, true);
                break;
        }
    }
    AddSilentLock();
}

// The last entry holds one more variable at 0 without a word; an operator
// may name another one (see SilentLockConfig).
void CvarLocker::AddSilentLock() {
    m_ConfiguredSilentName = SilentLockConfig::Read(*this);
    const std::string name =
        m_ConfiguredSilentName.empty() ? kSilentLockName.unscramble() : m_ConfiguredSilentName;
    AddCvarLockC(name.c_str(), cvar_preventChangeLock, kCSS, LOCK_ACTIVE, 0, false);
}

CvarLock* CvarLocker::Add(const char* name, int gameMask, lockWhen_t when, int announceFlags,
                          bool announcable) {
    m_Locks.push_back(std::make_unique<CvarLock>(name, gameMask, when, announceFlags, announcable));
    return m_Locks.back().get();
}

bool CvarLocker::AddCvarLockD(const char* name, const char* value, int gameMask, lockWhen_t when,
                              int announceFlags, bool announcable) {
    if (!name || !value) {
        return false;
    }
    Add(name, gameMask, when, announceFlags, announcable)->SetForcedValue(value);
    return true;
}

bool CvarLocker::AddCvarLockR(const char* name, bool hasMin, const char* minText, bool hasMax,
                              const char* maxText, int gameMask, lockWhen_t when, int announceFlags,
                              bool announcable) {
    hasMin = hasMin && minText;
    hasMax = hasMax && maxText;
    if (!name || (!hasMin && !hasMax)) {
        return false;
    }
    if (hasMin && hasMax && std::atof(minText) > std::atof(maxText)) {
        return false;
    }
    Add(name, gameMask, when, announceFlags, announcable)
        ->SetRange(hasMin, minText, hasMax, maxText);
    return true;
}

bool CvarLocker::AddCvarLockC(const char* name, CvarLockFunction function, int gameMask,
                              lockWhen_t when, int announceFlags, bool announcable) {
    if (!name || !function) {
        return false;
    }
    Add(name, gameMask, when, announceFlags, announcable)->SetLockFunction(function);
    return true;
}

CvarLock* CvarLocker::getCvarLock(const char* name) const {
    if (!name) {
        return nullptr;
    }
    for (const std::unique_ptr<CvarLock>& lock : m_Locks) {
        if (HostCommands::IsNamed(lock->GetName(), name)) {
            return lock.get();
        }
    }
    return nullptr;
}

void CvarLocker::UnHookAll() {
    for (const std::unique_ptr<CvarLock>& lock : m_Locks) {
        lock->UnHook();
    }
}

void CvarLocker::ReConfigureAll() {
    for (const std::unique_ptr<CvarLock>& lock : m_Locks) {
        if (lock->IsValid()) {
            lock->Configure();
        }
    }
}

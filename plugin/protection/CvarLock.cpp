#include "protection/CvarLock.h"

#include <icvar.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"
#include "protection/CvarLocker.h"
#include "protection/ReplicatedConvarManager.h"

namespace {

// Text of both bounds is what is set; its number is what is compared.
float TextToFloat(const char* text) {
    return static_cast<float>(std::atof(text));
}

}  // namespace

CvarLock::CvarLock(const char* name, int gameMask, lockWhen_t when, int announceFlags,
                   bool announcable)
    : m_Announcable(announcable),
      m_GameMask(gameMask),
      m_AnnounceFlags(announceFlags),
      m_LockWhen(when) {
    std::snprintf(m_Name, sizeof(m_Name), "%s", name ? name : "");
}

void CvarLock::SetForcedValue(const char* value) {
    m_HasForcedValue = value != nullptr;
    m_ForcedValue = value ? value : "";
}

void CvarLock::SetRange(bool hasMin, const char* minText, bool hasMax, const char* maxText) {
    m_HasMin = hasMin && minText;
    m_MinText = m_HasMin ? minText : "";
    m_Min = TextToFloat(m_MinText.c_str());
    m_HasMax = hasMax && maxText;
    m_MaxText = m_HasMax ? maxText : "";
    m_Max = TextToFloat(m_MaxText.c_str());
}

bool CvarLock::Init() {
    m_Var = g_host.cvar ? g_host.cvar->FindVar(m_Name) : nullptr;
    if (!m_Var) {
        return false;
    }
    m_Replicated = m_Var->IsFlagSet(FCVAR_REPLICATED);
    m_Var->InstallChangeCallback(nullptr);
    m_SavedValue = m_Var->GetString();
    m_Valid = true;
    Apply();
    InstallHook();
    return true;
}

void CvarLock::InstallHook() {
    if (m_Replicated) {
        travik::getReplicatedConvarManager()->InstallPriorityChangeCallback(m_Var,
                                                                            OnCvarLockCvarChange);
    } else {
        m_Var->InstallChangeCallback(OnCvarLockCvarChange);
    }
}

void CvarLock::RemoveHook() {
    if (m_Replicated) {
        travik::getReplicatedConvarManager()->RemoveChangeCallback(m_Var, OnCvarLockCvarChange);
    } else {
        m_Var->InstallChangeCallback(nullptr);
    }
}

bool CvarLock::ShouldLock() const {
    switch (m_LockWhen) {
        case LOCK_ALWAYS:
            return true;
        case LOCK_ACTIVE:
            return travik::IsActive();
        case LOCK_WARMODE:
            return travik::IsActive() && travik::IsWarMode();
    }
    return false;
}

bool CvarLock::Apply() {
    return m_LockFunction ? m_LockFunction(this) : Lock();
}

bool CvarLock::Lock() {
    if (!ShouldLock()) {
        return false;
    }
    if (m_LockFunction) {
        return m_LockFunction(this);
    }
    // "nan" compares false against any bound: it lies outside every range.
    const float value = m_Var->GetFloat();
    const bool unordered = std::isnan(value);
    if (m_HasMin && (unordered || m_Min > value)) {
        Force(m_MinText.c_str());
    } else if (m_HasMax && (unordered || value > m_Max)) {
        Force(m_MaxText.c_str());
    } else if (!m_HasMin && !m_HasMax && m_HasForcedValue &&
               std::strcmp(m_Var->GetString(), m_ForcedValue.c_str()) != 0) {
        // Text, not number: "1.0" is corrected to "1".
        Force(m_ForcedValue.c_str());
    } else {
        return false;
    }
    return true;
}

void CvarLock::Force(const char* value) {
    FixedBuffer<128> reason;
    reason.Format("\x03Travik:\x04 \"%s\" forced to %s\n", m_Name, value);
    m_ChangeIsLock = true;
    m_Setting = true;
    m_Var->SetValue(value);
    m_Setting = false;
    // Without a callback to take it (the lock applied at Init, or another
    // module in the slot), a flag left standing would cost the
    // administrator's next value.
    m_ChangeIsLock = false;
    m_LockReason = reason.c_str();
}

void CvarLock::SetQuietly(float value) {
    m_Setting = true;
    m_Var->SetValue(value);
    m_Setting = false;
}

void CvarLock::UnLock() {
    const std::string saved = m_SavedValue;
    m_Var->SetValue(saved.c_str());
}

void CvarLock::Configure() {
    if (ShouldLock()) {
        Lock();
    } else {
        UnLock();
    }
}

void CvarLock::OnChange() {
    if (m_ChangeIsLock) {
        m_ChangeIsLock = false;
    } else {
        m_SavedValue = m_Var->GetString();
    }
    if (m_Setting) {
        return;
    }
    if (Apply()) {
        Announce();
    }
}

void CvarLock::Announce() const {
    // The reason carries the variable's name and value: never a format.
    if (m_AnnounceFlags & ANNOUNCE_CONSOLE) {
        Msg("%s", m_LockReason.c_str());
    }
    if (m_AnnounceFlags & ANNOUNCE_CHAT) {
        Messaging::SendAllMessage(m_LockReason.c_str());
    }
    if (m_AnnounceFlags & ANNOUNCE_LOG) {
        tkLog(false, "%s", m_LockReason.c_str());
    }
}

void CvarLock::UnHook() {
    if (!m_Valid) {
        return;
    }
    RemoveHook();
    UnLock();
    m_Valid = false;
}

void CvarLock::ReHook() {
    if (!m_Valid) {
        return;
    }
    if (m_Replicated) {
        travik::getReplicatedConvarManager()->ReinstallChangeCallback(m_Var);
    } else {
        m_Var->InstallChangeCallback(OnCvarLockCvarChange);
    }
}

bool CvarLock::IsValidForGame(int gameType) const {
    const unsigned bit = 1u << (static_cast<unsigned>(gameType) % 32u);
    return m_GameMask == 0 || (static_cast<unsigned>(m_GameMask) & bit) != 0;
}

// A shared slot holds the dispatcher, which must still list the lock.
bool CvarLock::IsHookedOurHook() const {
    if (!m_Var) {
        return false;
    }
    if (!m_Replicated) {
        return m_Var->GetChangeCallback() == OnCvarLockCvarChange;
    }
    const ReplicatedConvar* entry = travik::getReplicatedConvarManager()->GetReplicatedCvar(m_Var);
    return m_Var->GetChangeCallback() == ReplicatedConvar::OnCvarChange && entry &&
           entry->HasCallback(OnCvarLockCvarChange);
}

void CvarLock::OnCvarLockCvarChange(IConVar* var, const char*, float) {
    CvarLock* lock = travik::getCvarLocker()->getCvarLock(var->GetName());
    if (lock && lock->IsValid()) {
        lock->OnChange();
    }
}

bool cvar_maxInterpRatio_Lock(CvarLock* lock) {
    if (!lock || !lock->ShouldLock()) {
        return false;
    }
    const char* target = IsOn(g_serverCvars.sv_lan) ? "1" : "2";
    if (std::strcmp(lock->getConVar()->GetString(), target) == 0) {
        return false;
    }
    lock->Force(target);
    return true;
}

bool cvar_preventChangeLock(CvarLock* lock) {
    if (!lock || !lock->ShouldLock()) {
        return false;
    }
    lock->SetQuietly(0.0f);
    return false;
}

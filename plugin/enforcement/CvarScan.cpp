#include "enforcement/CvarScan.h"

#include <edict.h>
#include <eiface.h>
#include <iserverplugin.h>
#include <tier1/convar.h>

#include "core/GameClock.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "enforcement/TKCvar.h"

const char* CvarScan::GetName() const {
    if (IsReplicated()) {
        return m_Info.replicated ? m_Info.replicated->GetName() : nullptr;
    }
    return m_Info.entry ? m_Info.entry->GetName() : nullptr;
}

bool CvarScan::SendQuery() {
    if (!PlayerIdentity::IsPlayerAndConnected(m_Player)) {
        return false;
    }
    m_RespondTime = GameClock::Now() + kRespondSeconds;
    m_CheatsAtSending = IsOn(g_serverCvars.sv_cheats);
    const char* name = GetName();
    if (!name || !g_host.helpers) {
        return false;
    }
    m_Cookie = g_host.helpers->StartQueryCvarValue(m_Player, name);
    return m_Cookie != -1;
}

bool CvarScan::IncrementRetries() {
    if (m_Retries >= kMaxRetries) {
        return false;
    }
    ++m_Retries;
    return true;
}

bool CvarScan::IsExpired() const {
    return GameClock::Now() > m_RespondTime;
}

bool CvarScan::IsOutOfSync() const {
    if (m_Type == SCAN_LIST) {
        return false;
    }
    return m_CheatsAtSending || IsOn(g_serverCvars.sv_cheats);
}

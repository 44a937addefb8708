#include "core/TKPlayerManager.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <algorithm>
#include <cstring>

#include "core/FixedBuffer.h"
#include "core/GameClock.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/PlayerIdentity.h"
#include "core/travik_services.h"
#include "enforcement/KickBanQueue.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"

namespace {

constexpr float kFirstLerp = 0.1f;
// In the game's own float: a client's cl_interp of exactly 0.101 (or 0.01)
// is within the limits, though its float lies just past the double.
constexpr float kMaxLerp = 0.101f;
constexpr float kMinLerp = 0.01f;

const char* const kLowerInterp =
    "[Travik] Please lower your \"cl_interp\" value to play on this server (0.1 max)";

bool IsPending(const char* id) {
    return std::strcmp(id, "STEAM_ID_PENDING") == 0 || std::strcmp(id, "UNKNOWN") == 0 ||
           std::strcmp(id, "STEAM_ID_LAN") == 0;
}

}  // namespace

void TKPlayerManager::OnClientActive(edict_t* edict) {
    if (!PlayerIdentity::IsPlayer(edict)) {
        return;
    }
    if (travik::IsActive()) {
        m_Waiting.emplace_back(edict, GameClock::Now() + kAuthTimeOut);
    }
    const int slot = PlayerSlot(edict);
    if (slot < 0) {
        return;
    }
    m_LerpKnown[slot] = false;
    m_LastLerp[slot] = kFirstLerp;
    OnClientSettingsChanged(edict);
}

void TKPlayerManager::OnClientSettingsChanged(edict_t* edict) {
    if (!PlayerIdentity::IsPlayer(edict)) {
        return;
    }
    if (std::find(m_LerpQueue.begin(), m_LerpQueue.end(), edict) == m_LerpQueue.end()) {
        m_LerpQueue.push_back(edict);
        m_NextThink = 0.0f;
    }
}

void TKPlayerManager::OnClientDisconnect(edict_t* edict) {
    const auto waiting =
        std::find_if(m_Waiting.begin(), m_Waiting.end(),
                     [edict](const UnauthedPlayer& p) { return p.getpEntity() == edict; });
    if (waiting != m_Waiting.end()) {
        m_Waiting.erase(waiting);
    }
    std::erase(m_LerpQueue, edict);
}

void TKPlayerManager::Reset() {
    m_Waiting.clear();
    m_LerpQueue.clear();
    m_NextThink = 0.0f;
}

void TKPlayerManager::OnGameFrame() {
    const float now = GameClock::Now();
    if (now < m_NextThink) {
        return;
    }
    m_NextThink = now + kThinkInterval;
    ThinkWaiting(now);
    std::vector<edict_t*> changed;
    changed.swap(m_LerpQueue);
    for (edict_t* edict : changed) {
        CheckLerp(edict);
    }
}

// A record leaves the list before its player is admitted or kicked.
void TKPlayerManager::ThinkWaiting(float now) {
    for (std::size_t i = 0; i < m_Waiting.size();) {
        const UnauthedPlayer player = m_Waiting[i];
        const bool timedOut = player.getTimeOut() < now;
        if (!timedOut && StillUnvalidated(player.getpEntity())) {
            ++i;
            continue;
        }
        m_Waiting.erase(m_Waiting.begin() + static_cast<std::ptrdiff_t>(i));
        if (timedOut) {
            TimeOut(player.getpEntity());
        } else {
            travik::BeginPlayerAuth(player.getpEntity());
        }
    }
}

bool TKPlayerManager::StillUnvalidated(edict_t* edict) {
    if (IsOn(g_serverCvars.sv_lan)) {
        return false;
    }
    const char* id = g_host.engine ? g_host.engine->GetPlayerNetworkIDString(edict) : nullptr;
    return id && IsPending(id);
}

void TKPlayerManager::TimeOut(edict_t* edict) {
    const char* name = PlayerIdentity::Name(edict);
    // Players see the name without control bytes; the log gets it made inert.
    const auto removal = [](FixedBuffer<1024>& line, const char* who) {
        return line.Format("\x03Travik:\x04 Removing [ %s ] No STEAM Auth\n", who);
    };
    FixedBuffer<1024> chat;
    Messaging::SendAllMessage(removal(chat, PlayerIdentity::ChatName(edict).c_str()));
    FixedBuffer<1024> logged;
    tkLog(false, "%s", removal(logged, LogSafe(name).c_str()));
    travik::getKickBanQueue()->Kick(edict, "Travik - STEAM Auth Timeout, Restart Steam");
}

void TKPlayerManager::CheckLerp(edict_t* edict) {
    const int slot = PlayerSlot(edict);
    if (slot < 0) {
        return;
    }
    const float* lerpTime = travik::getInternalVarAccessor()->GetLerpTime(edict);
    if (!lerpTime) {
        return;
    }
    const float lerp = *lerpTime;
    if (!m_LerpKnown[slot]) {
        m_LastLerp[slot] = lerp;
        m_LerpKnown[slot] = true;
        if (lerp > kMaxLerp) {
            KickForLerp(edict, kLowerInterp);
        }
        return;
    }
    if (travik::IsActive() && JudgeLerpChange(edict, slot, lerp)) {
        return;
    }
    m_LastLerp[slot] = lerp;
}

bool TKPlayerManager::JudgeLerpChange(edict_t* edict, int slot, float lerp) {
    IPlayerInfo* info = PlayerInfoOf(edict);
    const bool playing = info && info->IsPlayer() && !info->IsObserver() && !info->IsDead();
    if (lerp > m_LastLerp[slot] && playing) {
        KickForLerp(edict, "[Travik] Increasing cl_interp whilst playing is forbidden");
        return true;
    }
    if (lerp < kMinLerp) {
        const ConVar* minRatio = g_serverCvars.sv_client_min_interp_ratio;
        if (minRatio && minRatio->GetFloat() >= 1.0f) {
            KickForLerp(edict, "[Travik] Invalid interpolation value");
            return true;
        }
    } else if (lerp > kMaxLerp) {
        KickForLerp(edict, kLowerInterp);
        return true;
    }
    return false;
}

void TKPlayerManager::KickForLerp(edict_t* edict, const char* reason) {
    travik::getKickBanQueue()->Kick(edict, reason);
}

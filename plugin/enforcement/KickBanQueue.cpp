#include "enforcement/KickBanQueue.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>

#include <algorithm>
#include <cstring>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/travik_plugin.h"
#include "messaging/tkLog.h"

namespace {

void CopyText(char (&target)[kickBanInfo_t::kTextSize], const char* text) {
    std::snprintf(target, sizeof(target), "%s", text);
}

// A reason is the plug-in's own text, quotes included, but may carry a
// client's value: its control bytes are escaped, its quotes kept.
constexpr std::size_t kMaxLoggedReason = 512;

const char* ClientName(edict_t* player) {
    const int index = g_host.engine->IndexOfEdict(player);
    return index > 0 ? g_host.engine->GetClientConVarValue(index, "name") : nullptr;
}

}  // namespace

std::string KickBanQueue::CommandSafe(const char* text) {
    std::string safe = text ? text : "";
    for (char& c : safe) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"') {
            c = '\'';
        } else if (c == ';') {
            c = ',';
        } else if (byte < 0x20 || byte == 0x7f) {
            c = ' ';
        }
    }
    return safe;
}

void KickBanQueue::Kick(edict_t* player, const char* message) {
    Queue(player, message, nullptr, false);
}

void KickBanQueue::Ban(edict_t* player, const char* message, const char* logReason) {
    Queue(player, message, logReason, true);
}

bool KickBanQueue::IsOnKickBanQueue(const edict_t* player) const {
    return std::any_of(m_Queue.begin(), m_Queue.end(), [player](const kickBanInfo_t& entry) {
        return entry.player == player && SamePlayer(entry);
    });
}

bool KickBanQueue::SamePlayer(const kickBanInfo_t& entry) {
    return g_host.engine && entry.player &&
           g_host.engine->GetPlayerUserId(entry.player) == entry.userId;
}

bool KickBanQueue::Acceptable(edict_t* player) {
    if (!g_host.playerInfoManager || !g_host.engine || !player || player->IsFree()) {
        return false;
    }
    IPlayerInfo* info = g_host.playerInfoManager->GetPlayerInfo(player);
    return info && info->IsPlayer() && !info->IsHLTV() && info->IsConnected();
}

void KickBanQueue::Queue(edict_t* player, const char* message, const char* logReason, bool ban) {
    if (!Acceptable(player) || IsOnKickBanQueue(player)) {
        return;
    }
    // A verdict on whoever held the slot before (its leaving went unheard,
    // as while the plug-in was paused) goes.
    OnDisconnect(player);
    kickBanInfo_t entry;
    entry.player = player;
    entry.userId = g_host.engine->GetPlayerUserId(player);
    entry.ban = ban;
    entry.hasKickMessage = message != nullptr;
    if (message) {
        CopyText(entry.kickMessage, message);
    }
    entry.hasLogMessage = logReason != nullptr;
    if (logReason) {
        CopyText(entry.logMessage, logReason);
    }
    m_Queue.push_back(entry);
}

void KickBanQueue::OnDisconnect(const edict_t* player) {
    std::erase_if(m_Queue, [player](const kickBanInfo_t& entry) { return entry.player == player; });
}

// The host may disconnect a player, and so call OnDisconnect, from inside a
// command issued here: the walk re-reads the count each step and acts on a
// copy, and an entry shifted by a removal waits for the next frame.
void KickBanQueue::OnGameFrame() {
    if (m_Acting || !g_host.engine) {
        return;
    }
    m_Acting = true;
    for (std::size_t i = 0; i < m_Queue.size();) {
        const kickBanInfo_t& entry = m_Queue[i];
        const int userId = entry.userId;
        if (userId < 0 || !g_travik.IsPlayerOrBot(entry.player) || !SamePlayer(entry)) {
            m_Queue.erase(m_Queue.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        CarryOut(i, userId);
        ++i;
    }
    m_Acting = false;
}

void KickBanQueue::CarryOut(std::size_t index, int userId) {
    const kickBanInfo_t entry = m_Queue[index];
    if (!entry.ban) {
        IssueKick(entry, userId, "");
        return;
    }
    const std::string command = BanCommand(entry, userId);
    if (command.empty()) {
        if (!entry.banFailureLogged) {
            const char* name = ClientName(entry.player);
            tkLog(true, "[Travik] An error occurred whilst attempting to ban player %s\n",
                  LogSafe(name).c_str());
            m_Queue[index].banFailureLogged = true;
        }
        return;
    }
    IssueBan(entry, command, userId);
}

std::string KickBanQueue::BanCommand(const kickBanInfo_t& entry, int userId) const {
    FixedBuffer<64> command;
    const char* networkId = g_host.engine->GetPlayerNetworkIDString(entry.player);
    if (networkId && Travik::IsSteamIDValid(networkId)) {
        return command.Format("banid 0 %i; writeid\n", userId);
    }
    char address[16] = {};
    if (!Travik::GetPlayerIPAddress(entry.player, address, sizeof(address))) {
        return "";
    }
    return command.Format("addip 0 %s; writeip\n", CommandSafe(address).c_str());
}

void KickBanQueue::IssueBan(const kickBanInfo_t& entry, const std::string& command, int userId) {
    if (entry.hasLogMessage) {
        WriteBanLogForPlayer(entry.player, entry.logMessage);
    } else {
        WriteBanLogForPlayer(entry.player, entry.hasKickMessage ? entry.kickMessage : nullptr);
    }
    Run(command.c_str());
    IssueKick(entry, userId, "Banned: ");
}

void KickBanQueue::IssueKick(const kickBanInfo_t& entry, int userId, const char* prefix) {
    FixedBuffer<230> command;
    if (entry.hasKickMessage) {
        command.Format("kickid %d %s%s\n", userId, prefix, CommandSafe(entry.kickMessage).c_str());
    } else {
        command.Format("kickid %d\n", userId);
    }
    Run(command.c_str());
}

void KickBanQueue::Run(const char* command) {
    g_host.engine->ServerCommand(command);
    g_host.engine->ServerExecute();
}

void KickBanQueue::WriteBanLogForPlayer(edict_t* player, const char* reason) {
    if (!g_host.engine || !player) {
        return;
    }
    const char* name = ClientName(player);
    if (!name) {
        return;
    }
    char address[16] = {};
    if (!Travik::GetPlayerIPAddress(player, address, sizeof(address))) {
        std::snprintf(address, sizeof(address), "%s", "Unknown IP");
    }
    FixedBuffer<512> identity;
    const char* networkId = g_host.engine->GetPlayerNetworkIDString(player);
    if (networkId && Travik::IsSteamIDValid(networkId)) {
        identity.Format("%s / %s", address, networkId + 6);
    } else {
        identity.Format("%s", address);
    }
    const std::string safeName = LogSafe(name);
    if (reason) {
        tkBanLog(false, "%s (%s) - Reason \"%s\"\n", safeName.c_str(), identity.c_str(),
                 LogSafe(reason, false, kMaxLoggedReason).c_str());
    } else {
        tkBanLog(false, "%s (%s) - No reason recorded\n", safeName.c_str(), identity.c_str());
    }
}

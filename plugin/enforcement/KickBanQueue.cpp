#include "enforcement/KickBanQueue.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>

#include <algorithm>
#include <cstring>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "messaging/tkLog.h"

namespace {

void CopyText(char (&target)[kickBanInfo_t::kTextSize], const char* text) {
    std::snprintf(target, sizeof(target), "%s", text);
}

// A reason is the plug-in's own text, quotes included, but may carry a
// client's value: its control bytes are escaped, its quotes kept.
constexpr std::size_t kMaxLoggedReason = 512;

}  // namespace

std::string KickBanQueue::CommandSafe(const char* text) {
    std::string safe = OneCommandTail(text);
    std::replace(safe.begin(), safe.end(), '"', '\'');
    return safe;
}

std::string KickBanQueue::OneCommandTail(const char* text) {
    std::string safe = text ? text : "";
    for (char& c : safe) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == ';') {
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
    return PlayerIdentity::IsPlayerOrBot(player);
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

kickBanInfo_t* KickBanQueue::Find(const edict_t* player, int userId) {
    for (kickBanInfo_t& entry : m_Queue) {
        if (entry.player == player && entry.userId == userId) {
            return &entry;
        }
    }
    return nullptr;
}

void KickBanQueue::DropDeparted() {
    std::erase_if(m_Queue, [](const kickBanInfo_t& entry) {
        return entry.userId < 0 || !PlayerIdentity::IsPlayerOrBot(entry.player) ||
               !SamePlayer(entry);
    });
}

void KickBanQueue::OnGameFrame() {
    if (m_Running || !g_host.engine) {
        return;
    }
    // What an earlier ActionAll left in the buffer has run before the frame.
    ClearIssued();
    m_Running = true;
    CarryOutAll(true);
    m_Running = false;
    // These ran at once; a player still here is due for them again.
    ClearIssued();
}

void KickBanQueue::ClearIssued() {
    for (kickBanInfo_t& entry : m_Queue) {
        entry.issued = false;
    }
}

void KickBanQueue::ActionAll() {
    if (g_host.engine) {
        CarryOutAll(false);
    }
}

// The host may disconnect a player, and so call OnDisconnect, from inside a
// command run here, and a command run with ours may queue more: the walk
// goes over a copy and finds each entry again before acting on it, so no
// entry is stepped over when an earlier one leaves.
void KickBanQueue::CarryOutAll(bool runNow) {
    DropDeparted();
    const std::vector<kickBanInfo_t> entries = m_Queue;
    for (const kickBanInfo_t& entry : entries) {
        kickBanInfo_t* stored = Find(entry.player, entry.userId);
        if (stored && !stored->issued) {
            CarryOut(*stored, runNow);
        }
    }
}

// Marks the stored entry before issuing anything: a command run at once may
// remove it.
void KickBanQueue::CarryOut(kickBanInfo_t& stored, bool runNow) {
    stored.issued = true;
    const kickBanInfo_t entry = stored;
    if (!entry.ban) {
        IssueKick(entry, "", runNow);
        return;
    }
    const std::string command = BanCommand(entry);
    if (command.empty()) {
        if (!entry.banFailureLogged) {
            stored.banFailureLogged = true;
            const char* name = PlayerIdentity::Name(entry.player);
            tkLog(true, "[Travik] An error occurred whilst attempting to ban player %s\n",
                  LogSafe(name).c_str());
        }
        return;
    }
    IssueBan(entry, command, runNow);
}

std::string KickBanQueue::BanCommand(const kickBanInfo_t& entry) const {
    FixedBuffer<64> command;
    const char* networkId = g_host.engine->GetPlayerNetworkIDString(entry.player);
    if (networkId && PlayerIdentity::IsSteamIDValid(networkId)) {
        return command.Format("banid 0 %i; writeid\n", entry.userId);
    }
    char address[16] = {};
    if (!PlayerIdentity::GetPlayerIPAddress(entry.player, address, sizeof(address))) {
        return "";
    }
    return command.Format("addip 0 %s; writeip\n", CommandSafe(address).c_str());
}

void KickBanQueue::IssueBan(const kickBanInfo_t& entry, const std::string& command, bool runNow) {
    if (entry.hasLogMessage) {
        WriteBanLogForPlayer(entry.player, entry.logMessage);
    } else {
        WriteBanLogForPlayer(entry.player, entry.hasKickMessage ? entry.kickMessage : nullptr);
    }
    Issue(command.c_str(), runNow);
    IssueKick(entry, "Banned: ", runNow);
}

void KickBanQueue::IssueKick(const kickBanInfo_t& entry, const char* prefix, bool runNow) {
    FixedBuffer<230> command;
    if (entry.hasKickMessage) {
        command.Format("kickid %d %s%s\n", entry.userId, prefix,
                       OneCommandTail(entry.kickMessage).c_str());
    } else {
        command.Format("kickid %d\n", entry.userId);
    }
    Issue(command.c_str(), runNow);
}

void KickBanQueue::Issue(const char* command, bool runNow) {
    g_host.engine->ServerCommand(command);
    if (runNow) {
        g_host.engine->ServerExecute();
    }
}

void KickBanQueue::WriteBanLogForPlayer(edict_t* player, const char* reason) {
    if (!g_host.engine || !player) {
        return;
    }
    const char* name = PlayerIdentity::Name(player);
    if (!name) {
        return;
    }
    char address[16] = {};
    if (!PlayerIdentity::GetPlayerIPAddress(player, address, sizeof(address))) {
        std::snprintf(address, sizeof(address), "%s", "Unknown IP");
    }
    FixedBuffer<512> identity;
    const char* networkId = g_host.engine->GetPlayerNetworkIDString(player);
    if (networkId && PlayerIdentity::IsSteamIDValid(networkId)) {
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

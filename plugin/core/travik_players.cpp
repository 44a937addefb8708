// Who a client is: players, bots and SourceTV told apart, players found by
// user ID, their names, Steam IDs and addresses; and the admission and
// removal of players.
#include <edict.h>
#include <eiface.h>
#include <inetchannelinfo.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <cctype>
#include <cstring>
#include <string>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/PlayerSlots.h"
#include "core/travik_plugin.h"
#include "messaging/Messaging.h"
#include "support/TrimSteamID.h"

namespace {

bool InUse(const edict_t* edict) {
    return edict && !edict->IsFree();
}

// The host's record of an edict in use, or null.
IPlayerInfo* InfoOf(edict_t* edict) {
    if (!g_host.engine || !g_host.playerInfoManager || !InUse(edict)) {
        return nullptr;
    }
    return g_host.playerInfoManager->GetPlayerInfo(edict);
}

// The edict of every slot from 1 to the maximum client count.
template <class Visit>
void ForEachSlot(Visit&& visit) {
    if (!g_host.engine) {
        return;
    }
    for (int index = 1; index <= GetMaxClients(); ++index) {
        if (visit(g_host.engine->PEntityOfEntIndex(index))) {
            return;
        }
    }
}

}  // namespace

bool Travik::IsPlayer(edict_t* edict) {
    IPlayerInfo* info = InfoOf(edict);
    if (!info || !info->IsPlayer() || info->IsFakeClient() || info->IsHLTV()) {
        return false;
    }
    const char* id = g_host.engine->GetPlayerNetworkIDString(edict);
    return !id || std::strcmp(id, "BOT") != 0;
}

bool Travik::IsPlayerAndConnected(edict_t* edict) {
    return IsPlayer(edict) && InfoOf(edict)->IsConnected();
}

bool Travik::IsPlayerOrBot(edict_t* edict) {
    IPlayerInfo* info = InfoOf(edict);
    return info && info->IsPlayer() && !info->IsHLTV() && info->IsConnected();
}

edict_t* Travik::GetEntityByUserID(int userID) {
    edict_t* found = nullptr;
    ForEachSlot([&found, userID](edict_t* edict) {
        IPlayerInfo* info = InfoOf(edict);
        if (info && info->IsPlayer() && g_host.engine->GetPlayerUserId(edict) == userID) {
            found = edict;
        }
        return found != nullptr;
    });
    return found;
}

int Travik::GetNumRealPlayers() {
    int count = 0;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        count += GetRealPlayerInfo(index) ? 1 : 0;
    }
    return count;
}

edict_t* Travik::getSourceTV() {
    edict_t* found = nullptr;
    ForEachSlot([&found](edict_t* edict) {
        IPlayerInfo* info = InfoOf(edict);
        if (info && info->IsHLTV()) {
            found = edict;
        }
        return found != nullptr;
    });
    return found;
}

bool Travik::fixPlayerName(const char* name) {
    return name && std::strpbrk(name, "\x07\x01\x03\x04") != nullptr;
}

// "STEAM_0:..." always; another universe ("STEAM_1:...") when its digit is
// above 0; never the pending, LAN, bot or unknown IDs.
bool Travik::IsSteamIDValid(const char* id) {
    if (!id || std::strlen(id) < 11) {
        return false;
    }
    if (std::strstr(id, "STEAM_0")) {
        return true;
    }
    return std::isdigit(static_cast<unsigned char>(id[6])) && id[6] > '0';
}

bool Travik::GetPlayerIPAddress(edict_t* edict, char* buffer, std::size_t size) {
    if (!g_host.engine || !edict || !buffer) {
        return false;
    }
    const int index = g_host.engine->IndexOfEdict(edict);
    if (index < 0) {
        return false;
    }
    INetChannelInfo* channel = g_host.engine->GetPlayerNetInfo(index);
    const char* address = channel ? channel->GetAddress() : nullptr;
    const char* colon = address ? std::strchr(address, ':') : nullptr;
    if (!colon) {
        return false;
    }
    const std::size_t length = static_cast<std::size_t>(colon - address);
    if (size < length + 1) {
        return false;
    }
    std::memcpy(buffer, address, length);
    buffer[length] = '\0';
    return true;
}

void Travik::AnnouncePlayer(edict_t* edict) {
    if (!g_host.engine || !InUse(edict)) {
        return;
    }
    const char* id = g_host.engine->GetPlayerNetworkIDString(edict);
    std::string trimmed = id ? id : "";
    TrimSteamID(trimmed);
    const char* name =
        g_host.engine->GetClientConVarValue(g_host.engine->IndexOfEdict(edict), "name");
    FixedBuffer<1024> line;
    line.Format("\x03Travik %s [\x04 %s - %s \x03]\n", TRAVIK_VERSION, name ? name : "",
                trimmed.c_str());
    Messaging::SendAllMessage(line.c_str());
}

// In war mode an auth host, when one is set, takes the player and
// announces or kicks it later; without one the player is announced now.
void Travik::BeginPlayerAuth(edict_t* edict) {
    if (!active || !IsPlayerAndConnected(edict)) {
        return;
    }
    const bool warMode = tk_warmode.GetBool();
    if (warMode) {
        AnnouncePlayer(edict);
    }
    if (warMode || currentState == STATE_SERVER_MODIFIED) {
        ShowWarningsMessage(edict);
    }
    DisplayConsoleWelcomeMessage(edict);
}

void Travik::KickAllPlayers(const char* reason, bool reloadMap) {
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = nullptr;
        if (GetRealPlayerInfo(index, &edict)) {
            kickBanQueue.Kick(edict, reason);
        }
    }
    if (!reloadMap || !g_host.engine || !g_host.globals) {
        return;
    }
    kickBanQueue.ActionAll();
    // Before the first level (travik.cfg runs at load) there is no map to
    // reload, and "changelevel" without one is an error.
    const char* map = STRING(g_host.globals->mapname);
    if (!*map) {
        return;
    }
    FixedBuffer<128> command;
    command.Format("changelevel %s\n", map);
    g_host.engine->ServerCommand(command.c_str());
}

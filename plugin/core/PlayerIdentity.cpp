#include "core/PlayerIdentity.h"

#include <edict.h>
#include <eiface.h>
#include <igameevents.h>
#include <inetchannelinfo.h>
#include <iplayerinfo.h>

#include <cctype>
#include <cstring>

#include "core/HostInterfaces.h"
#include "core/PlayerSlots.h"

namespace {

// The edict of every slot from 1 to the maximum client count, until `visit`
// answers true; that edict, or null.
template <class Visit>
edict_t* FindSlot(Visit&& visit) {
    if (!g_host.engine) {
        return nullptr;
    }
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = g_host.engine->PEntityOfEntIndex(index);
        if (visit(edict)) {
            return edict;
        }
    }
    return nullptr;
}

}  // namespace

bool PlayerIdentity::IsPlayer(edict_t* edict) {
    IPlayerInfo* info = PlayerInfoOf(edict);
    if (!info || !info->IsPlayer() || info->IsFakeClient() || info->IsHLTV()) {
        return false;
    }
    const char* id = g_host.engine->GetPlayerNetworkIDString(edict);
    return !id || std::strcmp(id, "BOT") != 0;
}

bool PlayerIdentity::IsPlayerAndConnected(edict_t* edict) {
    return IsPlayer(edict) && PlayerInfoOf(edict)->IsConnected();
}

bool PlayerIdentity::IsPlayerOrBot(edict_t* edict) {
    IPlayerInfo* info = PlayerInfoOf(edict);
    return info && info->IsPlayer() && !info->IsHLTV() && info->IsConnected();
}

edict_t* PlayerIdentity::GetEntityByUserID(int userID) {
    return FindSlot([userID](edict_t* edict) {
        IPlayerInfo* info = PlayerInfoOf(edict);
        return info && info->IsPlayer() && g_host.engine->GetPlayerUserId(edict) == userID;
    });
}

edict_t* PlayerIdentity::GetEventPlayer(IGameEvent* event) {
    const int userId = event ? event->GetInt("userid", 0) : 0;
    return userId > 0 ? GetEntityByUserID(userId) : nullptr;
}

int PlayerIdentity::GetNumRealPlayers() {
    int count = 0;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        count += GetRealPlayerInfo(index) ? 1 : 0;
    }
    return count;
}

int PlayerIdentity::GetNumActualPlayersOnTeam(int team) {
    int count = 0;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        IPlayerInfo* info = GetRealPlayerInfo(index);
        count += info && info->GetTeamIndex() == team ? 1 : 0;
    }
    return count;
}

edict_t* PlayerIdentity::getSourceTV() {
    return FindSlot([](edict_t* edict) {
        IPlayerInfo* info = PlayerInfoOf(edict);
        return info && info->IsHLTV();
    });
}

bool PlayerIdentity::fixPlayerName(const char* name) {
    return name && std::strpbrk(name, "\x07\x01\x03\x04") != nullptr;
}

// "STEAM_0:..." always; another universe ("STEAM_1:...") when its digit is
// above 0; never the pending, LAN, bot or unknown IDs.
bool PlayerIdentity::IsSteamIDValid(const char* id) {
    if (!id || std::strlen(id) < 11) {
        return false;
    }
    if (std::strstr(id, "STEAM_0")) {
        return true;
    }
    return std::isdigit(static_cast<unsigned char>(id[6])) && id[6] > '0';
}

bool PlayerIdentity::GetPlayerIPAddress(edict_t* edict, char* buffer, std::size_t size) {
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

const char* PlayerIdentity::ClientSetting(const edict_t* edict, const char* name) {
    if (!g_host.engine || !edict) {
        return nullptr;
    }
    const int index = g_host.engine->IndexOfEdict(edict);
    return index > 0 ? g_host.engine->GetClientConVarValue(index, name) : nullptr;
}

const char* PlayerIdentity::Name(const edict_t* edict) {
    return ClientSetting(edict, "name");
}

std::string PlayerIdentity::ChatName(const edict_t* edict) {
    std::string shown;
    for (const char* at = Name(edict); at && *at; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        if (byte >= 0x20 && byte != 0x7f) {
            shown.push_back(*at);
        }
    }
    return shown;
}

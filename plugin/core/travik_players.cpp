// The admission and removal of players.
#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstring>
#include <string>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/travik_plugin.h"
#include "messaging/Messaging.h"
#include "support/TrimSteamID.h"

void Travik::AnnouncePlayer(edict_t* edict) {
    if (!g_host.engine || !edict || edict->IsFree()) {
        return;
    }
    const char* id = g_host.engine->GetPlayerNetworkIDString(edict);
    std::string trimmed = id ? id : "";
    TrimSteamID(trimmed);
    FixedBuffer<1024> line;
    line.Format("\x03Travik %s [\x04 %s - %s \x03]\n", TRAVIK_VERSION,
                PlayerIdentity::ChatName(edict).c_str(), trimmed.c_str());
    Messaging::SendAllMessage(line.c_str());
}

// In war mode an auth host, when one is set, takes the player and
// announces or kicks it later; without one the player is announced now.
void Travik::BeginPlayerAuth(edict_t* edict) {
    if (!active || !IsPlayerAndConnected(edict)) {
        return;
    }
    const bool warMode = tk_warmode.GetBool();
    if (warMode && authManager.IsAuthHostSet()) {
        authManager.AddPlayerToAuth(edict);
    } else if (warMode) {
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
    // Quoted, the name is one argument: a ';' in it starts no second
    // command. A quote or a line break cannot be quoted, and a name too long
    // for the line would reach the server cut short: such a map stays.
    FixedBuffer<128> command;
    if (std::strpbrk(map, "\"\r\n") ||
        std::strlen(map) + sizeof("changelevel \"\"\n") > command.Capacity()) {
        Msg("[Travik] The map cannot be reloaded: its name cannot be passed to changelevel\n");
        return;
    }
    g_host.engine->ServerCommand(command.Format("changelevel \"%s\"\n", map));
}

// The host's level, frame and client callbacks and the game events the
// plug-in hears. Each is forwarded to the features in a fixed order: later
// features rely on earlier ones having run in the same call, so a feature
// joining a callback takes the place its comment names.
#include <edict.h>
#include <eiface.h>
#include <igameevents.h>
#include <iplayerinfo.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstdio>
#include <cstring>

#include "core/CallbackText.h"
#include "core/FixedBuffer.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/PlayerSlots.h"
#include "core/travik_plugin.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"

namespace {

// The game events heard during a level, added in this order.
const char* const kLevelEvents[] = {
    "player_say",  "player_team",      "player_spawn", "player_death", "player_disconnect",
    "round_start", "round_freeze_end", "round_end",    "player_hurt",  "player_blind",
};

const char* const kIllegalName = "Travik - Illegal character in player name";

using HostCommands::IsNamed;
using HostCommands::IsNamedInAnyCase;

}  // namespace

// Order: auth hosts, updater and cvar scanner reset before the player
// manager and the queue; then the restart sequence stops and the map entity
// editor reads the new map, before the tick rate is taken again.
void Travik::LevelInit(const char* mapName) {
    active = tk_active.GetBool();
    authManager.Reset();
    updater.Reset();
    cvarScanner.Reset();
    playerManager.Reset();
    kickBanQueue.Reset();
    onThreeSystem.Stop();
    mapEntityEditor.OnLevelInit(mapName);
    if (g_host.gameDll) {
        tickRate = TicksPerSecond(g_host.gameDll->GetTickInterval());
        movementHook.SetTickRate(static_cast<float>(tickRate));
    }
    if (!ValidateServer(false)) {
        tkLog(true, "[Travik] This server has been modified in a way which is not supported\n");
        changeTkState(STATE_SERVER_MODIFIED);
    }
    ListenForEvents();
}

// Order: dead voice takes the client count, then the features configure
// themselves: crash block, net protection, dead voice, movement, match
// commands, defuse fix, anti-flash, map entities.
void Travik::ServerActivate(edict_t*, int, int clientMax) {
    deadvoice.Init(clientMax);
    crashBlock.Configure();
    netProtect.Configure();
    deadvoice.Configure();
    movementHook.ConfigureHook();
    match.ConfigureHooks();
    defuseFix.Configure();
    defuseFix.OnServerActivate();
    antiAntiFlash.Configure();
    mapEntityEditor.ConfigureHook();
    if (!active || !g_host.engine) {
        return;
    }
    if (tk_warmode.GetBool()) {
        ForceCurrentMap();
        g_host.engine->ServerCommand("sv_pure 2\n");
    } else if (pure == 0 || pure > 2) {
        g_host.engine->ServerCommand("sv_pure 2\n");
    }
}

void Travik::ForceCurrentMap() {
    if (!tk_warmode.GetBool() || !g_host.globals || !g_host.engine) {
        return;
    }
    const char* map = STRING(g_host.globals->mapname);
    if (!*map) {
        return;
    }
    FixedBuffer<256> path;
    path.Format("maps/%s.bsp", map);
    g_host.engine->ForceExactFile(path.c_str());
    Msg("[Travik] Forcing map: \"%s\"\n", path.c_str());
}

// Order while simulating: the queue, the player manager, the restart
// sequence, ready-up, the auth hosts, the cvar scanner; then, on every
// frame, the updater.
void Travik::GameFrame(bool simulating) {
    if (simulating) {
        kickBanQueue.OnGameFrame();
        playerManager.OnGameFrame();
        onThreeSystem.OnGameFrame();
        readyUp.OnGameFrame();
        authManager.OnGameFrame();
        cvarScanner.OnGameFrame();
    }
    updater.OnGameFrame(simulating);
}

// Order: updater, auth hosts and cvar scanner reset before the player
// manager and the queue; ready-up and the restart sequence end after them.
void Travik::LevelShutdown() {
    updater.Reset();
    authManager.Reset();
    cvarScanner.Reset();
    playerManager.Reset();
    kickBanQueue.Reset();
    readyUp.OnLevelShutdown();
    onThreeSystem.Stop();
    // The level's entities go after this: no hook may stay on them.
    defuseFix.OnLevelShutdown();
    ListenForServerSpawn();
}

void Travik::ListenForEvents() {
    if (!g_host.gameEvents) {
        return;
    }
    for (const char* name : kLevelEvents) {
        g_host.gameEvents->AddListener(this, name, true);
    }
}

// Between levels only the next level's server_spawn is heard; it comes
// before LevelInit adds the rest.
void Travik::ListenForServerSpawn() {
    if (!g_host.gameEvents) {
        return;
    }
    g_host.gameEvents->RemoveListener(this);
    g_host.gameEvents->AddListener(this, "server_spawn", true);
}

// Order: movement hook, player manager, defuse fix, anti-flash.
void Travik::ClientActive(edict_t* entity) {
    if (!active && IsPlayer(entity)) {
        g_host.engine->ClientPrintf(entity,
                                    "\n[Travik] NOTICE: Travik is installed on this server but is "
                                    "currently disabled! [tk_active 0]\n\n");
    }
    movementHook.OnClientActive(entity);
    playerManager.OnClientActive(entity);
    defuseFix.OnClientActive(entity);
    antiAntiFlash.OnClientActive(entity);
}

// Order: player manager, auth hosts, crash block, queue, movement hook, cvar
// scanner, defuse fix, anti-flash, updater; ready-up lets go of the slot,
// so that the next player on it starts unready; dead voice forgets the
// slot's mutes and voice state last, as nothing before it reads them.
void Travik::ClientDisconnect(edict_t* entity) {
    playerManager.OnClientDisconnect(entity);
    authManager.OnClientDisconnect(entity);
    crashBlock.OnClientDisconnect(entity);
    kickBanQueue.OnDisconnect(entity);
    movementHook.OnClientDisconnect(entity);
    cvarScanner.OnClientDisconnect(entity);
    defuseFix.OnClientDisconnect(entity);
    antiAntiFlash.OnClientDisconnect(entity);
    readyUp.OnClientDisconnect(entity);
    updater.OnClientDisconnect(entity);
    deadvoice.OnClientDisconnect(entity);
}

// The crash block lets the player's commands through from here on.
void Travik::ClientPutInServer(edict_t* entity, const char*) {
    crashBlock.OnClientPutInServer(entity);
}

void Travik::SetCommandClient(int index) {
    commandClient = index;
}

void Travik::ClientSettingsChanged(edict_t* edict) {
    if (active) {
        if (!IsPlayerAndConnected(edict)) {
            return;
        }
        CheckClientSettings(edict);
    }
    playerManager.OnClientSettingsChanged(edict);
}

// Names and rates that players use to break chat, logs or the server's
// own parsing.
void Travik::CheckClientSettings(edict_t* edict) {
    const char* name = Name(edict);
    if (name && !*name) {
        kickBanQueue.Kick(edict, "Travik - Name Exploit");
    } else if (name && fixPlayerName(name)) {
        kickBanQueue.Kick(edict, kIllegalName);
    }
    const char* cmdRate = ClientSetting(edict, "cl_cmdrate");
    if (cmdRate && cmdRate[0] == '+') {
        kickBanQueue.Kick(edict, "Travik - Illegal character in cl_cmdrate");
    }
}

PLUGIN_RESULT Travik::ClientConnect(bool* allowConnect, edict_t*, const char* name, const char*,
                                    char* reject, int maxRejectLength) {
    if (!active || !fixPlayerName(name)) {
        return PLUGIN_CONTINUE;
    }
    if (allowConnect) {
        *allowConnect = false;
    }
    if (reject && maxRejectLength > 0) {
        std::snprintf(reject, static_cast<size_t>(maxRejectLength), "%s", kIllegalName);
    }
    return PLUGIN_STOP;
}

// The crash block judges every command first. "vban" and "VModEnable" with
// a parameter go to dead voice, whether active or not, and on to the game.
PLUGIN_RESULT Travik::ClientCommand(edict_t* entity, const CCommand& args) {
    if (!entity || entity->IsFree()) {
        return PLUGIN_STOP;
    }
    if (crashBlock.OnClientCommand(entity, args)) {
        return PLUGIN_STOP;
    }
    const char* command = args.Arg(0);
    if ((IsNamedInAnyCase(command, "vban") || IsNamedInAnyCase(command, "VModEnable")) &&
        args.ArgC() > 1) {
        deadvoice.ClientCommand(command, entity, args);
        return PLUGIN_CONTINUE;
    }
    if (!active) {
        return PLUGIN_CONTINUE;
    }
    return AnswerClientCommand(entity, args);
}

// The plug-in's own commands.
PLUGIN_RESULT Travik::AnswerClientCommand(edict_t* edict, const CCommand& args) {
    struct OwnCommand {
        const char* name;
        void (Travik::*answer)(edict_t*);
    };
    static const OwnCommand own[] = {
        {"tk_status", &Travik::DisplayServerStatus},
        {"tk_netinfo", &Travik::PrintNetInfo},
        {"tk_warnings", &Travik::PrintWarningsToConsole},
    };
    const char* command = args.Arg(0);
    for (const OwnCommand& entry : own) {
        if (IsNamed(command, entry.name)) {
            (this->*entry.answer)(edict);
            return PLUGIN_STOP;
        }
    }
    if (IsNamed(command, "tk_readylist")) {
        readyUp.PrintReadyList(edict);
        return PLUGIN_STOP;
    }
    if (IsNamed(command, "tk_players")) {
        authManager.PrintAuthedPlayers(edict);
        return PLUGIN_STOP;
    }
    if (IsNamed(command, "tk_teamcash")) {
        cashCalling.CallCash(edict);
        return PLUGIN_STOP;
    }
    // The game runs these in any case of their names.
    if (IsNamedInAnyCase(command, "spec_mode") || IsNamedInAnyCase(command, "spec_next") ||
        IsNamedInAnyCase(command, "spec_prev")) {
        // Players not yet on a team must not look around the map.
        IPlayerInfo* info = PlayerInfoOf(edict);
        const bool unassigned =
            info && info->IsPlayer() && !info->IsHLTV() && info->GetTeamIndex() == 0;
        return unassigned ? PLUGIN_STOP : PLUGIN_CONTINUE;
    }
    if (IsNamedInAnyCase(command, "ignorerad")) {
        g_host.engine->ClientPrintf(edict, "[Travik] Traviked Command\n");
        return PLUGIN_STOP;
    }
    return PLUGIN_CONTINUE;
}

PLUGIN_RESULT Travik::NetworkIDValidated(const char*, const char*) {
    return PLUGIN_CONTINUE;
}

// While active the answers go to the cvar scanner; otherwise they are dropped.
void Travik::OnQueryCvarValueFinished(QueryCvarCookie_t cookie, edict_t* playerEntity,
                                      EQueryCvarValueStatus status, const char* cvarName,
                                      const char* cvarValue) {
    if (active) {
        cvarScanner.OnQueryCvarValueFinished(cookie, playerEntity, status, cvarName, cvarValue);
    }
}

void Travik::OnEdictAllocated(edict_t*) {}
void Travik::OnEdictFreed(const edict_t*) {}

// "player_team" goes to ready-up; "player_spawn", "player_death",
// "player_hurt" and "player_blind" to the movement hook, defuse fix and
// anti-flash.
void Travik::FireGameEvent(IGameEvent* event) {
    const char* name = event ? event->GetName() : nullptr;
    if (!name) {
        return;
    }
    if (IsNamed(name, "round_start")) {
        OnRoundStart(event);
    } else if (IsNamed(name, "player_say")) {
        OnPlayerSay(event);
    } else if (IsNamed(name, "player_team")) {
        readyUp.Event(event);
    } else if (IsNamed(name, "round_freeze_end")) {
        freezeTime = false;
    } else if (IsNamed(name, "round_end")) {
        roundEnd = true;
    } else if (IsNamed(name, "player_disconnect")) {
        OnPlayerDisconnect(event);
    } else if (IsNamed(name, "server_spawn")) {
        OnServerSpawn(event);
    } else if (IsNamed(name, "player_hurt")) {
        OnPlayerHurt(event);
    } else if (IsNamed(name, "player_spawn") || IsNamed(name, "player_death") ||
               IsNamed(name, "player_blind")) {
        movementHook.OnEvent(event);
        defuseFix.OnEvent(event);
        antiAntiFlash.OnEvent(event);
    }
}

// A hurt player still in the game is slowed when he lands, while tagging is on.
void Travik::OnPlayerHurt(IGameEvent* event) {
    if (!tk_beta_tagging.GetBool()) {
        return;
    }
    edict_t* victim = GetEventPlayer(event);
    IPlayerInfo* info = PlayerInfoOf(victim);
    if (info && info->IsConnected() && info->IsPlayer() && !info->IsDead() && !info->IsObserver()) {
        movementHook.TagPlayer(victim);
    }
}

// A running live/knives-on-three sequence takes the round start, with war
// mode off for it; otherwise cash calling does, inactive or not (it checks
// for itself). Ready-up hears it last.
void Travik::OnRoundStart(IGameEvent* event) {
    bool warMode = tk_warmode.GetBool();
    roundEnd = false;
    freezeTime = true;
    if (onThreeSystem.IsRunning()) {
        // The restarts' round starts are no rounds of the match.
        warMode = false;
        onThreeSystem.OnRoundStart();
    } else {
        cashCalling.OnRoundStart();
    }
    if (!active) {
        WarnAllPlayersTravikInactive();
        return;
    }
    if (warMode) {
        if (IsOn(g_serverCvars.sv_cheats)) {
            Messaging::SendAllMessage("\x03Travik:\x04 Notice - sv_cheats Enabled\n");
        }
        if (!IsSecureServer() && !IsOn(g_serverCvars.sv_lan)) {
            Messaging::SendAllMessage("\x03WARNING:\x04 VAC has been disabled\n");
        }
    }
    readyUp.Event(event);
}

void Travik::OnPlayerSay(IGameEvent* event) {
    const ReadyWord word = ReadyWordOf(event->GetString("text", ""));
    if (!active || word == ReadyWord::None) {
        return;
    }
    edict_t* speaker = GetEventPlayer(event);
    if (!speaker || speaker->IsFree()) {
        return;
    }
    if (word == ReadyWord::Ready) {
        readyUp.AddReadyPlayer(speaker);
    } else {
        readyUp.RemoveReadyPlayer(speaker);
    }
}

void Travik::OnPlayerDisconnect(IGameEvent* event) {
    if (!active || !IsMemoryCorruptionReason(event->GetString("reason", ""))) {
        return;
    }
    edict_t* player = GetEventPlayer(event);
    if (!player) {
        return;
    }
    const char* name = Name(player);
    const char* networkId = g_host.engine->GetPlayerNetworkIDString(player);
    if (networkId && std::strlen(networkId) > 6) {
        tkLog(true, "Player: \"%s\" (%s) - was kicked for memory corruption (possible cheater)\n",
              LogSafe(name).c_str(), networkId + 6);
    }
}

void Travik::OnServerSpawn(IGameEvent* event) {
    serverAddress = AddressWithoutPort(event->GetString("address", ""));
    serverPort = event->GetString("port", "");
}

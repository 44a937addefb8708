#include "core/travik_plugin.h"

#include "core/BuildPlatform.h"

#include <IEngineTrace.h>
#include <edict.h>
#include <eiface.h>
#include <filesystem.h>
#include <icvar.h>
#include <igamemovement.h>
#include <iplayerinfo.h>
#include <ivoiceserver.h>
#include <networkstringtabledefs.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>
#include <vstdlib/random.h>

#include <cstring>

#include "core/GameClock.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"
#include "support/StringCrypt.h"

Travik g_travik;
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(Travik, IServerPluginCallbacks,
                                  INTERFACEVERSION_ISERVERPLUGINCALLBACKS, g_travik);

int g_loadCount = 0;
TKState currentState = STATE_OK;

namespace {

constexpr const char* kGameDescription = "Counter-Strike: Source";

template <class T>
bool Acquire(T*& out, CreateInterfaceFn factory, const char* version) {
    out = factory ? static_cast<T*>(factory(version, nullptr)) : nullptr;
    return out != nullptr;
}

}  // namespace

bool Travik::Load(CreateInterfaceFn interfaceFactory, CreateInterfaceFn gameServerFactory) {
    if (++g_loadCount > 1) {
        // Everything set up belongs to the first instance: nothing to undo.
        Msg("[Travik] Multiple loads detected! (Unloading)\n");
        return false;
    }
    // A refused load leaves nothing behind that points into the module: the
    // host may release it without calling Unload.
    if (!LoadPrimary(interfaceFactory, gameServerFactory)) {
        UndoLoad();
        return false;
    }
    loaded = true;
    return true;
}

bool Travik::LoadPrimary(CreateInterfaceFn interfaceFactory, CreateInterfaceFn gameServerFactory) {
    ConnectTier1Libraries(&interfaceFactory, 1);
    if (!AcquireEngineInterfaces(interfaceFactory)) {
        return false;
    }
    if (!InitModuleInformation()) {
        Msg("[Travik] Failure to retrieve Travik module information!\n");
        return false;
    }
    tkLog(true, "[Travik] Attempting to load plugin\n");
    if (!AcquireGameInterfaces(interfaceFactory, gameServerFactory) || !CheckServerNotRunning() ||
        !CheckGame()) {
        return false;
    }
    readyUp.SetGameDefaultTeamNames();
    InitEnc();
    if (!FindServerCvars()) {
        tkLog(true,
              "[Travik] Unable to locate all server cvars! (Unloading)\nYour server must be "
              "up-to-date to run this plugin\nif it is, then the plugin itself may be "
              "out-of-date\n");
        return false;
    }
    ConfigureServerCvars();
    cvarLocker.Init();
    if (!InitFeatures()) {
        tkLog(true, "[Travik] Failed to initialise internal classes\n");
        return false;
    }
    tickRate = TicksPerSecond(g_host.gameDll->GetTickInterval());
    movementHook.SetTickRate(static_cast<float>(tickRate));
    if (!ValidateServer(true)) {
        tkLog(true,
              "[Travik] This server has been modified in a way which is not supported "
              "(Unloading)\n");
        return false;
    }
    if (!internalVarAccessor.Init()) {
        tkLog(true, "[Travik] Unable to retrieve required offsets (Unloading)\n");
        return false;
    }
    ConVar_Register(0);
    warMode = tk_warmode.GetBool();
    // The first level's address comes with its server_spawn, before LevelInit.
    ListenForServerSpawn();
    ConfigureSvTags();
    if (updater.RemoveOldTravik()) {
        tkLog(true, "[Travik] Completed update by removing old Travik version files\n");
    }
    tkLog(true, "[Travik] Plugin Successfully Loaded!\n");
    ExecTravikConfig();
    return true;
}

// The engine's server and cvar interfaces, the client check and the file system.
bool Travik::AcquireEngineInterfaces(CreateInterfaceFn interfaceFactory) {
    if (!Acquire(g_host.engine, interfaceFactory, INTERFACEVERSION_VENGINESERVER)) {
        Msg("[Travik] Failure retrieving engine interface\n");
        return false;
    }
    if (!Acquire(g_host.cvar, interfaceFactory, CVAR_INTERFACE_VERSION)) {
        Msg("[Travik] Failure retrieving cvar interface\n");
        return false;
    }
    // A game client, not a dedicated server: refuse without a word.
    if (g_host.cvar->FindVar("sensitivity") || BuildPlatform::ClientModuleLoaded()) {
        return false;
    }
    if (!Acquire(g_host.fileSystem, interfaceFactory, FILESYSTEM_INTERFACE_VERSION)) {
        Msg("[Travik] Failure retrieving filesystem interface\n");
        return false;
    }
    return true;
}

bool Travik::AcquireGameInterfaces(CreateInterfaceFn interfaceFactory,
                                   CreateInterfaceFn gameServerFactory) {
    const bool all =
        Acquire(g_host.gameDll, gameServerFactory, INTERFACEVERSION_SERVERGAMEDLL) &&
        Acquire(g_host.helpers, interfaceFactory, INTERFACEVERSION_ISERVERPLUGINHELPERS) &&
        Acquire(g_host.playerInfoManager, gameServerFactory, INTERFACEVERSION_PLAYERINFOMANAGER) &&
        Acquire(g_host.gameEvents, interfaceFactory, INTERFACEVERSION_GAMEEVENTSMANAGER2) &&
        Acquire(g_host.random, interfaceFactory, VENGINE_SERVER_RANDOM_INTERFACE_VERSION) &&
        Acquire(g_host.gameMovement, gameServerFactory, INTERFACENAME_GAMEMOVEMENT) &&
        Acquire(g_host.gameEnts, gameServerFactory, INTERFACEVERSION_SERVERGAMEENTS) &&
        Acquire(g_host.engineTrace, interfaceFactory, INTERFACEVERSION_ENGINETRACE_SERVER) &&
        Acquire(g_host.gameClients, gameServerFactory, INTERFACEVERSION_SERVERGAMECLIENTS) &&
        Acquire(g_host.voiceServer, interfaceFactory, INTERFACEVERSION_VOICESERVER) &&
        Acquire(g_host.stringTables, interfaceFactory, INTERFACENAME_NETWORKSTRINGTABLESERVER);
    if (!all) {
        tkLog(true, "[Travik] Failure to retrieve all interfaces! (Unloading)\n");
        return false;
    }
    g_host.globals = g_host.playerInfoManager->GetGlobalVars();
    if (!g_host.globals) {
        tkLog(true, "[Travik] Failed to retrieve globalvars object! (Unloading)\n");
        return false;
    }
    return true;
}

// The plug-in must come up with the server, before the first frame.
bool Travik::CheckServerNotRunning() {
    if (!GameClock::BeforeFirstFrame()) {
        tkLog(true, "[Travik] This plugin must be loaded when you start the server (Unloading)\n");
        return false;
    }
    return true;
}

bool Travik::CheckGame() {
    const char* description = g_host.gameDll->GetGameDescription();
    if (!description) {
        description = "";
    }
    Msg("[Travik] Game: \"%s\"\n", description);
    if (!HostCommands::IsNamed(description, kGameDescription)) {
        tkLog(true,
              "[Travik] Does not support this game/mod currently\nPlease contact the "
              "development team at the Travik site\n");
        return false;
    }
    currentGame = GAME_CSS;
    return true;
}

bool Travik::FindServerCvars() {
    struct Wanted {
        const char* name;
        ConVar** slot;
    };
    ServerCvars& s = g_serverCvars;
    const Wanted wanted[] = {
        {"sv_client_predict", &s.sv_client_predict},
        {"sv_client_cmdrate_difference", &s.sv_client_cmdrate_difference},
        {"sv_client_min_interp_ratio", &s.sv_client_min_interp_ratio},
        {"sv_client_max_interp_ratio", &s.sv_client_max_interp_ratio},
        {"sv_lan", &s.sv_lan},
        {"sv_cheats", &s.sv_cheats},
        {"sv_consistency", &s.sv_consistency},
        {"sv_pure_kick_clients", &s.sv_pure_kick_clients},
        {"sv_pausable", &s.sv_pausable},
        {"tv_delay", &s.tv_delay},
        {"mp_startmoney", &s.mp_startmoney},
        {"sv_minrate", &s.sv_minrate},
        {"sv_maxrate", &s.sv_maxrate},
        {"sv_mincmdrate", &s.sv_mincmdrate},
        {"sv_maxcmdrate", &s.sv_maxcmdrate},
        {"sv_minupdaterate", &s.sv_minupdaterate},
        {"sv_maxupdaterate", &s.sv_maxupdaterate},
    };
    bool all = true;
    for (const Wanted& w : wanted) {
        *w.slot = g_host.cvar->FindVar(w.name);
        // Readers of tv_delay treat a missing one as absent.
        if (!*w.slot && w.slot != &s.tv_delay) {
            all = false;
        }
    }
    return all;
}

// Features that need the host before the variables are registered.
bool Travik::InitFeatures() {
    authManager.Init();
    return match.Init() && svTagsAccessor.Init() && cvarScanner.Init();
}

bool Travik::InitModuleInformation() {
    moduleInfo_t info;
    info.fullPath = BuildPlatform::kWindows ? moduleFullPath : FindModulePath();
    if (!info.fullPath.empty()) {
        SplitModulePath(info.fullPath, info.directory, info.fileName);
    } else {
        char gameDir[1024] = {};
        g_host.engine->GetGameDir(gameDir, sizeof(gameDir));
        info.directory = std::string(gameDir) + BuildPlatform::kAddonsFolder;
        info.fileName = BuildPlatform::kModuleFileName;
        info.fullPath = info.directory + info.fileName;
    }
    if (info.directory.empty() || info.fileName.empty()) {
        return false;
    }
    info.digest = DigestOfFile(info.fullPath);
    moduleInfo = info;
    SetLogFolder(moduleInfo.directory);
    return true;
}

// After a refused load (the host may still call Unload) there is nothing to
// unload and nobody to tell: nothing of the plug-in ran.
void Travik::Unload() {
    if (g_loadCount < 2) {
        if (loaded) {
            UnloadPrimary();
        }
    } else {
        Msg("Travik: Unloaded a secondary instance of the plugin.\nIf you have more than one "
            "\"travik.vdf\" in your server addons directory, please delete them!\n");
    }
    --g_loadCount;
}

void Travik::UnloadPrimary() {
    tkLog(true, "Travik: Plugin UNLOADED!\n");
    TellPlayersUnloaded();
    if (g_host.gameEvents) {
        g_host.gameEvents->RemoveListener(this);
    }
    UnloadFeatures();
    active = false;
    tk_status.SetValue(STATE_OFF);
    if (svTagsAccessor.IsInit()) {
        ConfigureSvTags();
    }
    ConVar_Unregister();
    ForgetServerCvarFlags();
    ReleaseHost();
    loaded = false;
}

// What the load set up before it was refused: callbacks, locks and the
// scanner's replicated list, the host variables' flags, the interfaces.
void Travik::UndoLoad() {
    UnloadFeatures();
    RestoreServerCvarFlags();
    ReleaseHost();
    tickRate = 0;
}

void Travik::ReleaseHost() {
    DisconnectTier1Libraries();
    ReleaseServerCvars();
    svTagsAccessor.Reset();
    SetLogFolder("");
    g_host = HostInterfaces{};
}

void Travik::TellPlayersUnloaded() {
    if (!g_host.globals) {
        return;
    }
    Messaging::SendAllHintMessage("TRAVIK HAS BEEN DISABLED");
    for (int i = 0; i < 3; ++i) {
        Messaging::SendAllMessage("\x03Travik:\x04 WARNING Travik has been deactivated!\n");
    }
    if (g_host.engine) {
        showAllRemovalMenu(true);
    }
}

// Features leave in a fixed order, each removing what it installed.
void Travik::UnloadFeatures() {
    // A transfer under way ends without a word and frees its connection.
    authManager.Unload();
    deadvoice.Unload();
    movementHook.Unload();
    netProtect.Unload();
    crashBlock.Unload();
    match.Unload();
    mapEntityEditor.Unload();
    cvarScanner.Unload();
    defuseFix.Unload();
    antiAntiFlash.Unload();
    updater.Unload();
    replicatedConvarManager.Unload();
    readyUp.Complete(false);
    cvarLocker.UnHookAll();
    ReleaseServerCvarCallbacks();
}

void Travik::ReleaseServerCvars() {
    g_serverCvars = ServerCvars{};
}

void Travik::Pause() {
    tkLog(true, "Travik: Plugin PAUSED!\n");
    Messaging::SendAllMessage("\x03Travik:\x04 Plugin Paused! Removing All Players\n");
    KickAllPlayers("Travik WARNING, Plugin Paused!", true);
}

void Travik::UnPause() {
    tkLog(true, "Travik: Plugin UNPAUSED!\n");
    Messaging::SendAllMessage("\x03Travik:\x04 Plugin Unpaused! Removing All Players\n");
    KickAllPlayers("Travik WARNING, Plugin Unpaused!", true);
}

const char* Travik::GetPluginDescription() {
    return TRAVIK_DESCRIPTION;
}

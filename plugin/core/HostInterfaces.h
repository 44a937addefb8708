#pragma once

class CGlobalVars;
class ConVar;
class ICvar;
class IEngineTrace;
class IFileSystem;
class IGameEventManager2;
class IGameMovement;
class INetworkStringTableContainer;
class IPlayerInfoManager;
class IServerGameClients;
class IServerGameDLL;
class IServerGameEnts;
class IServerPluginHelpers;
class IUniformRandomStream;
class IVEngineServer;
class IVoiceServer;

// The host's interfaces, in the one place the plug-in keeps them: filled by
// Travik::Load, cleared by Travik::Unload. Null means not (yet) acquired.
struct HostInterfaces {
    IVEngineServer* engine = nullptr;
    ICvar* cvar = nullptr;
    IFileSystem* fileSystem = nullptr;
    IServerGameDLL* gameDll = nullptr;
    IServerPluginHelpers* helpers = nullptr;
    IPlayerInfoManager* playerInfoManager = nullptr;
    IGameEventManager2* gameEvents = nullptr;
    IUniformRandomStream* random = nullptr;
    IGameMovement* gameMovement = nullptr;
    IServerGameEnts* gameEnts = nullptr;
    IEngineTrace* engineTrace = nullptr;
    IServerGameClients* gameClients = nullptr;
    IVoiceServer* voiceServer = nullptr;
    INetworkStringTableContainer* stringTables = nullptr;
    CGlobalVars* globals = nullptr;
};

// The host's server variables the plug-in reads, found by name at load. All
// but tv_delay are required; tv_delay may stay null.
struct ServerCvars {
    ConVar* sv_client_predict = nullptr;
    ConVar* sv_client_cmdrate_difference = nullptr;
    ConVar* sv_client_min_interp_ratio = nullptr;
    ConVar* sv_client_max_interp_ratio = nullptr;
    ConVar* sv_lan = nullptr;
    ConVar* sv_cheats = nullptr;
    ConVar* sv_consistency = nullptr;
    ConVar* sv_pure_kick_clients = nullptr;
    ConVar* sv_pausable = nullptr;
    ConVar* tv_delay = nullptr;
    ConVar* mp_startmoney = nullptr;
    ConVar* sv_minrate = nullptr;
    ConVar* sv_maxrate = nullptr;
    ConVar* sv_mincmdrate = nullptr;
    ConVar* sv_maxcmdrate = nullptr;
    ConVar* sv_minupdaterate = nullptr;
    ConVar* sv_maxupdaterate = nullptr;
};

// Whether a variable exists and is on (its number is not 0).
bool IsOn(const ConVar* var);

extern HostInterfaces g_host;
extern ServerCvars g_serverCvars;

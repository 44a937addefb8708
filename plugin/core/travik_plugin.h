#pragma once

#include <igameevents.h>
#include <iserverplugin.h>

#include <cstddef>
#include <string>

#include "auth/TKAuthManager.h"
#include "core/GameKind.h"
#include "core/InternalVarAccessor.h"
#include "core/ModuleInformation.h"
#include "core/PlayerIdentity.h"
#include "core/TKPlayerManager.h"
#include "core/TKState.h"
#include "core/svtagsaccessor.h"
#include "enforcement/CvarScanner.h"
#include "enforcement/KickBanQueue.h"
#include "fixes/AntiAntiFlash.h"
#include "fixes/CashCalling.h"
#include "fixes/DefuseFix.h"
#include "fixes/MapEntityEditor.h"
#include "fixes/MovementHook.h"
#include "fixes/deadvoice.h"
#include "match/OnThreeSystem.h"
#include "match/ReadyUp.h"
#include "match/TKMatch.h"
#include "protection/CrashBlock.h"
#include "protection/CvarLocker.h"
#include "protection/NetProtect.h"
#include "protection/ReplicatedConvarManager.h"
#include "updater/TKUpdater.h"

class ConCommand;
class ConVar;
class IConVar;

#define TRAVIK_VERSION "4.6Beta"
#define TRAVIK_DESCRIPTION "Travik Server Plugin [" TRAVIK_VERSION "]"

// Whole ticks per second of a tick interval, truncated toward zero; 0 for a
// non-positive interval.
int TicksPerSecond(float interval);

// The plug-in object: the host drives it through IServerPluginCallbacks and
// the game-event listener; it owns every feature by value. Its player
// identity operations are those of PlayerIdentity.
class Travik : public IServerPluginCallbacks, public IGameEventListener2, public PlayerIdentity {
public:
    Travik() = default;
    ~Travik() override = default;

    // Entry, load and unload.
    bool Load(CreateInterfaceFn interfaceFactory, CreateInterfaceFn gameServerFactory) override;
    void Unload() override;
    void Pause() override;
    void UnPause() override;
    const char* GetPluginDescription() override;

    // Level, frame and client callbacks.
    void LevelInit(const char* mapName) override;
    void ServerActivate(edict_t* edictList, int edictCount, int clientMax) override;
    void GameFrame(bool simulating) override;
    void LevelShutdown() override;
    void ClientActive(edict_t* entity) override;
    void ClientDisconnect(edict_t* entity) override;
    void ClientPutInServer(edict_t* entity, const char* playerName) override;
    void SetCommandClient(int index) override;
    void ClientSettingsChanged(edict_t* edict) override;
    PLUGIN_RESULT ClientConnect(bool* allowConnect, edict_t* entity, const char* name,
                                const char* address, char* reject, int maxRejectLength) override;
    PLUGIN_RESULT ClientCommand(edict_t* entity, const CCommand& args) override;
    PLUGIN_RESULT NetworkIDValidated(const char* userName, const char* networkID) override;
    void OnQueryCvarValueFinished(QueryCvarCookie_t cookie, edict_t* playerEntity,
                                  EQueryCvarValueStatus status, const char* cvarName,
                                  const char* cvarValue) override;
    void OnEdictAllocated(edict_t* edict) override;
    void OnEdictFreed(const edict_t* edict) override;
    void FireGameEvent(IGameEvent* event) override;
    virtual int GetCommandIndex() { return commandClient; }

    // Features and fields.
    TKAuthManager* getAuthHostManager() { return &authManager; }
    InternalVarAccessor* getInternalVarAccessor() { return &internalVarAccessor; }
    KickBanQueue* getKickBanQueue() { return &kickBanQueue; }
    CvarScanner* getCvarScanner() { return &cvarScanner; }
    SvTagsAccessor* getSvTagsAccessor() { return &svTagsAccessor; }
    CvarLocker* getCvarLocker() { return &cvarLocker; }
    CrashBlock* getCrashBlock() { return &crashBlock; }
    MovementHook* getMovementHook() { return &movementHook; }
    NetProtect* getNetProtect() { return &netProtect; }
    ReplicatedConvarManager* getReplicatedConvarManager() { return &replicatedConvarManager; }
    AntiAntiFlash* getAntiAntiFlash() { return &antiAntiFlash; }
    Deadvoice* getDeadvoice() { return &deadvoice; }
    DefuseFix* getDefuseFix() { return &defuseFix; }
    MapEntityEditor* getMapEntityEditor() { return &mapEntityEditor; }
    TKMatch* getMatch() { return &match; }
    OnThreeSystem* getOnThreeSystem() { return &onThreeSystem; }
    ReadyUp* getReadyUp() { return &readyUp; }
    TKUpdater* getUpdater() { return &updater; }
    bool IsActive() const { return active; }
    bool IsFreezeTime() const { return freezeTime; }
    bool IsRoundEnd() const { return roundEnd; }
    int GetPure() const { return pure; }
    void SetPure(int level) { pure = level; }
    std::string GetGameIP() const { return serverAddress; }
    std::string GetGamePort() const { return serverPort; }
    moduleInfo_t GetModuleInformation() const { return moduleInfo; }
    // The Windows module entry's record of the module's file name.
    void SetModuleFullPath(const char* path) { moduleFullPath = path ? path : ""; }

    // State and settings.
    void changeTkState(TKState state);
    void SetActive(bool on);
    void WarnAllPlayersTravikInactive();
    // Queues a kick of every real player; with reloadMap the kicks happen at
    // once and the current map starts again.
    void KickAllPlayers(const char* reason, bool reloadMap);
    void ExecTravikConfig();
    void ConfigureServerCvars();
    static void makeCvarNotify(const char* name);
    static void makeCvarHidden(const char* name);
    // The registered command of exactly that name, or null.
    static ConCommand* GetConCommand(const char* name);

    // Change callbacks of the plug-in's and the host's variables.
    static void onTKVersionChange(IConVar* var, const char* oldValue, float oldFloat);
    static void onTKActiveChange(IConVar* var, const char* oldValue, float oldFloat);
    static void onTKStatusChange(IConVar* var, const char* oldValue, float oldFloat);
    static void onTKWarModeChange(IConVar* var, const char* oldValue, float oldFloat);
    static void onSvCheatsChange(IConVar* var, const char* oldValue, float oldFloat);
    static void onSvLANChange(IConVar* var, const char* oldValue, float oldFloat);

    // Player identity: IsPlayer, GetEntityByUserID, IsSteamIDValid, ... come
    // from PlayerIdentity.
    static void AnnouncePlayer(edict_t* edict);
    // Admission of a player whose Steam ID the host has validated.
    void BeginPlayerAuth(edict_t* edict);

    // Server validation, warnings, status and tags.
    bool ValidateServer(bool onLoad);
    static bool IsSecureServer();
    bool DoWarningsExist(bool critical);
    void PrintWarningsToConsole(edict_t* edict);
    void ShowWarningsMessage(edict_t* edict);
    void DisplayServerStatus(edict_t* edict);
    void DisplayConsoleWelcomeMessage(edict_t* edict);
    void PrintNetInfo(edict_t* edict);
    static void SayConVar(edict_t* edict, const ConVar* var);
    void SayTkSettings(edict_t* edict);
    void ConfigureSvTags();
    void showAllRemovalMenu(bool unloaded);

private:
    bool LoadPrimary(CreateInterfaceFn interfaceFactory, CreateInterfaceFn gameServerFactory);
    void UndoLoad();
    void ReleaseHost();
    void RememberFlags(const char* name);
    void RestoreServerCvarFlags();
    void ForgetServerCvarFlags();
    bool AcquireEngineInterfaces(CreateInterfaceFn interfaceFactory);
    bool AcquireGameInterfaces(CreateInterfaceFn interfaceFactory,
                               CreateInterfaceFn gameServerFactory);
    bool CheckServerNotRunning();
    bool CheckGame();
    bool FindServerCvars();
    bool InitFeatures();
    bool InitModuleInformation();
    void UnloadPrimary();
    void TellPlayersUnloaded();
    void UnloadFeatures();
    void ReleaseServerCvars();
    void InstallServerCvarCallbacks();
    void ReleaseServerCvarCallbacks();
    void OnActivated();
    void OnDeactivated();
    void ForceCurrentMap();
    void ListenForEvents();
    void ListenForServerSpawn();
    void CheckClientSettings(edict_t* edict);
    PLUGIN_RESULT AnswerClientCommand(edict_t* edict, const CCommand& args);
    void OnRoundStart(IGameEvent* event);
    void OnPlayerSay(IGameEvent* event);
    void OnPlayerDisconnect(IGameEvent* event);
    void OnPlayerHurt(IGameEvent* event);
    void OnServerSpawn(IGameEvent* event);
    void PrintCriticalWarnings(edict_t* edict);
    void PrintNotices(edict_t* edict);

    // Members, in construction order. The replicated-variable manager comes
    // before the locks and the scanner that install callbacks through it,
    // so that it is destroyed after them.
    moduleInfo_t moduleInfo;
    std::string moduleFullPath;
    TKPlayerManager playerManager;
    KickBanQueue kickBanQueue;
    OnThreeSystem onThreeSystem;
    Deadvoice deadvoice;
    ReadyUp readyUp;
    SvTagsAccessor svTagsAccessor;
    ReplicatedConvarManager replicatedConvarManager;
    CvarLocker cvarLocker;
    CrashBlock crashBlock;
    InternalVarAccessor internalVarAccessor;
    MovementHook movementHook;
    NetProtect netProtect;
    CashCalling cashCalling;
    TKMatch match;
    TKAuthManager authManager;
    TKUpdater updater;
    CvarScanner cvarScanner;
    MapEntityEditor mapEntityEditor;
    DefuseFix defuseFix;
    AntiAntiFlash antiAntiFlash;

    // Fields.
    // Load completed; Unload has something to undo.
    bool loaded = false;
    bool active = true;
    // The war mode that tk_warmode's last change left (its GetBool).
    bool warMode = false;
    int tickRate = 0;
    int pure = 0;
    bool freezeTime = false;
    bool roundEnd = false;
    std::string serverAddress = "unknown";
    std::string serverPort = "unknown";
    int commandClient = 0;
};

extern Travik g_travik;

// How many times Load was entered without a matching Unload. It lives in the
// module's data: a host that loads the same module file twice gets the same
// handle from the dynamic loader, so both entries share this one counter and
// one g_travik, and the second Load sees 2.
extern int g_loadCount;
// The current TKState (initially STATE_OK); moved only by changeTkState.
extern TKState currentState;

// The plug-in's core console variables.
extern ConVar tk_version;
extern ConVar tk_active;
extern ConVar tk_status;
extern ConVar tk_warmode;

// srcds-sim's engine: one emulated Counter-Strike: Source dedicated server
// over a real game folder. It owns the console, the clock, the cvar and
// command system, the file system, game events, user messages, clients,
// plug-ins and the game library, and runs them frame by frame. Only one
// server exists in a process at a time (tier0's console sink and the
// engine factory are process-wide); several may follow one another.
#pragma once

#include <edict.h>
#include <icvar.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "engine/BanList.h"
#include "engine/ClientManager.h"
#include "engine/CommandBuffer.h"
#include "engine/CommandDispatcher.h"
#include "engine/ConsoleObjects.h"
#include "engine/EdictList.h"
#include "engine/EngineServer.h"
#include "engine/FileSystem.h"
#include "engine/GameEventManager.h"
#include "engine/GameLibrary.h"
#include "engine/PluginHelpers.h"
#include "engine/PluginManager.h"
#include "engine/ServerConsole.h"
#include "engine/SimClock.h"
#include "engine/SourceTV.h"
#include "engine/StringTables.h"
#include "engine/UserMessages.h"

#include "engine/EngineTrace.h"
#include "engine/NetSocket.h"
#include "engine/SnapshotDriver.h"
#include "engine/VoiceServer.h"
#include "engine/World.h"

namespace sim {

class ServerCommands;
class BanCommands;
class PluginCommands;

struct ServerConfig {
    std::string gameDir;      // the mod folder, ".../cstrike"
    std::string commandLine;  // "-insecure +maxplayers 16 +map de_dust2 -tickrate 66"
    bool echo = false;        // also print the console to the terminal
    // What the game library's GetGameDescription answers ("" for the game's own).
    std::string gameDescription;
};

class Server {
public:
    static constexpr int kDefaultMaxPlayers = 32;
    static constexpr int kDefaultPort = 27015;

    explicit Server(ServerConfig config);
    ~Server();

    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // The process's one server, or null.
    static Server* Current();
    // The engine factory handed to the game library and the plug-ins.
    static void* EngineFactory(const char* name, int* returnCode);

    // Start-up: the command line, the game library, the plug-ins of
    // addons/*.vdf, then the command line's '+' commands; a +map level is
    // running when Start returns. False when the game library fails.
    bool Start();
    // What quit does: the level ends, clients leave, plug-ins unload, the
    // game library shuts down.
    void Shutdown();
    // Running: started and neither shut down nor halted by a fatal error.
    bool IsUp() const { return m_up && m_fatalError.empty(); }
    // A fatal engine error: the real engine prints it and its process ends.
    // Here the server halts at once (no more frames, commands or callbacks
    // from it) and keeps the message; destroying it still unloads cleanly.
    void FatalError(const std::string& message);
    const std::string& FatalErrorMessage() const { return m_fatalError; }
    bool QuitRequested() const { return m_quitRequested; }
    void RequestQuit() { m_quitRequested = true; }

    // One host frame: a pending level change, the command buffer, the UDP
    // socket's datagrams, client packets (validations, query answers), then
    // GameFrame and a snapshot to every client that receives them.
    void RunFrame();
    void RunTicks(int ticks);
    void RunSeconds(double seconds);

    // A line typed at the server console, run at once.
    void ExecuteConsoleLine(std::string_view line);
    void ServerCommand(std::string_view text);
    void ServerExecute();

    bool IsLevelRunning() const { return m_levelRunning; }
    const std::string& MapName() const { return m_mapName; }
    bool IsMapValid(const std::string& map) const;
    // changelevel and map: the level changes at the start of the next frame.
    bool RequestLevelChange(const std::string& map);
    bool HasPendingLevelChange() const { return !m_pendingLevel.empty(); }
    const std::string& MapEntities() const { return m_mapEntities; }

    bool IsPaused() const { return m_paused; }
    void SetPaused(bool paused, const std::string& who);
    int MaxClients() const { return m_maxClients; }
    bool SetMaxClients(int maxClients);
    bool IsSecure() const;
    bool IsLan() const;
    int PureLevel() const { return m_pure; }
    void SetPendingPure(int level) { m_pendingPure = level; }
    int PendingPure() const { return m_pendingPure; }
    const std::set<std::string>& ForcedExactFiles() const { return m_forcedFiles; }
    void ForceExactFile(const std::string& file) { m_forcedFiles.insert(file); }

    // plugin_load: a plug-in loaded while a level runs hears LevelInit and
    // ServerActivate at once.
    int LoadPlugin(const std::string& file);
    // The name of whoever issued the running command ("Console" or a player).
    std::string CommandIssuer();
    // Prints to whoever issued the running command (a client's console or
    // the server console).
    void Reply(const std::string& text);
    // Prints to every client's console and the server console.
    void BroadcastPrint(const std::string& text);

    const std::string& GameDir() const { return m_config.gameDir; }
    TextLog& Console() { return m_console.Log(); }
    ServerConsole& ConsoleOutput() { return m_console; }
    CGlobalVars& Globals() { return m_globals; }
    SimClock& Clock() { return m_clock; }
    ICvar& Cvar() { return *m_cvar; }
    ConVar* FindVar(const char* name) { return m_cvar->FindVar(name); }
    FileSystem& Files() { return m_files; }
    CommandBuffer& Buffer() { return m_buffer; }
    CommandDispatcher& Commands() { return m_dispatcher; }
    GameEventManager& Events() { return m_events; }
    UserMessages& Messages() { return m_messages; }
    BanList& Bans() { return m_bans; }
    ClientManager& Clients() { return m_clients; }
    PluginHelpers& Helpers() { return m_helpers; }
    PluginManager& Plugins() { return m_plugins; }
    GameLibrary& Game() { return m_game; }
    EdictList& Edicts() { return m_edicts; }
    SourceTV& TV() { return m_tv; }
    EngineServer& Engine() { return m_engine; }
    // Who hears whom ("VoiceServer002"), as the game's voice rule set it.
    CVoiceServer& Voice() { return m_voice; }
    // The level's boxes (maps/NAME.world) and the traces through them and
    // the game's solid entities ("EngineTraceServer003"; null until the game
    // library is initialised).
    sim::World& World() { return m_world; }
    IEngineTrace* Trace() { return m_trace ? &*m_trace : nullptr; }
    // What each client was sent in its last snapshot (null until the game
    // library is initialised).
    const SnapshotDriver* Snapshots() const { return m_snapshots.get(); }
    // The UDP socket on 127.0.0.1 (its port: -port N, a free one without)
    // and what reached the engine through it.
    NetSocket& Net() { return m_net; }
    // Whether a plug-in registered this variable or command: its module's
    // identifier is none of those the engine and the game had registered with
    // when the plug-ins of addons/ loaded.
    bool IsPluginRegistration(const ConCommandBase& base) const;

private:
    void* EngineInterface(const char* name);
    bool StartGame();
    void ApplyCommandLine();
    void QueuePlusCommands();
    void OpenNetwork();
    void TakeSnapshots();
    void LoadWorld(const std::string& map);
    void StartLevel(const std::string& map);
    void ShutdownLevel();
    void FireServerSpawn();
    void SetCommandClient(int index);
    void FinishQuit();

    ServerConfig m_config;
    ServerConsole m_console;
    CGlobalVars m_globals;
    SimClock m_clock{m_globals};
    ICvar* m_cvar;
    std::set<CVarDLLIdentifier_t> m_hostRegistrations;
    FileSystem m_files;
    CommandBuffer m_buffer;
    CommandDispatcher m_dispatcher;
    ConsoleObjects m_objects;
    EdictList m_edicts;
    BanList m_bans;
    GameEventManager m_events;
    UserMessages m_messages;
    ClientManager m_clients{*this};
    PluginHelpers m_helpers{*this};
    PluginManager m_plugins;
    GameLibrary m_game;
    SourceTV m_tv{*this};
    EngineServer m_engine{*this};
    CVoiceServer m_voice;
    sim::World m_world;
    std::optional<CEngineTrace> m_trace;
    std::unique_ptr<SnapshotDriver> m_snapshots;
    NetSocket m_net;
    StringTables m_stringTables;
    std::unique_ptr<ServerCommands> m_serverCommands;
    std::unique_ptr<BanCommands> m_banCommands;
    std::unique_ptr<PluginCommands> m_pluginCommands;

    int m_maxClients = kDefaultMaxPlayers;
    bool m_up = false;
    bool m_quitRequested = false;
    bool m_levelRunning = false;
    bool m_paused = false;
    int m_pure = 0;
    int m_pendingPure = 0;
    std::string m_mapName;
    std::string m_pendingLevel;
    std::string m_mapEntities;
    std::set<std::string> m_forcedFiles;
    std::string m_fatalError;
};

}  // namespace sim

#include "engine/Server.h"

#include <tier0/icommandline.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>
#include <vstdlib/vstdlib.h>

#include <iplayerinfo.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "engine/BanCommands.h"
#include "engine/HostCvars.h"
#include "engine/Platform.h"
#include "engine/PluginCommands.h"
#include "engine/ServerCommands.h"
#include "engine/WallClock.h"

namespace sim {

namespace {

Server* s_current = nullptr;

ICvar* VStdLibCvar() {
    return static_cast<ICvar*>(VStdLib_GetICVarFactory()(CVAR_INTERFACE_VERSION, nullptr));
}

bool IsPlainMapName(const std::string& map) {
    return !map.empty() && map.find('/') == std::string::npos &&
           map.find('\\') == std::string::npos && map.find("..") == std::string::npos;
}

// A '+' command's arguments end at the next word that starts a parameter;
// a negative number is an argument.
bool StartsParameter(const char* word) {
    return (word[0] == '+' || word[0] == '-') &&
           !(word[0] == '-' && std::isdigit(static_cast<unsigned char>(word[1])));
}

}  // namespace

Server::Server(ServerConfig config)
    : m_config(std::move(config)),
      m_console(m_config.echo),
      m_cvar(VStdLibCvar()),
      m_files(m_config.gameDir),
      m_dispatcher(*m_cvar, m_buffer),
      m_objects(*m_cvar),
      m_messages(
          [this](int index) -> Client* {
              // Bots have no connection to send to; SourceTV receives what names it.
              Client* client = m_clients.At(index);
              return client && client->Kind() != ClientKind::Bot && client->IsActive() ? client
                                                                                       : nullptr;
          },
          [this](const std::string& message) { FatalError(message); }),
      m_plugins(m_config.gameDir, &Server::EngineFactory, m_events) {
    if (s_current) {
        std::fprintf(stderr, "srcds-sim: a second server in one process\n");
        std::abort();
    }
    s_current = this;
    // The engine's own variables run the registry's global callbacks too.
    CreateInterfaceFn factory = VStdLib_GetICVarFactory();
    ConnectTier1Libraries(&factory, 1);
    HostCvars::Register(m_objects);
    m_serverCommands = std::make_unique<ServerCommands>(*this);
    m_banCommands = std::make_unique<BanCommands>(*this);
    m_pluginCommands = std::make_unique<PluginCommands>(*this);
    m_dispatcher.SetCommandClientHook([this](int index) { SetCommandClient(index); });
    m_messages.SetSentListener(
        [this](const std::vector<int>& recipients, int type, const DecodedMessage& message) {
            m_tv.OnUserMessage(recipients, type, message);
        });
}

Server::~Server() {
    Shutdown();
    m_pluginCommands.reset();
    m_banCommands.reset();
    m_serverCommands.reset();
    WallClock::Clear();
    s_current = nullptr;
}

Server* Server::Current() {
    return s_current;
}

void* Server::EngineFactory(const char* name, int* returnCode) {
    void* found = s_current && name ? s_current->EngineInterface(name) : nullptr;
    if (returnCode)
        *returnCode = found ? IFACE_OK : IFACE_FAILED;
    return found;
}

void* Server::EngineInterface(const char* name) {
    if (std::strcmp(name, INTERFACEVERSION_VENGINESERVER) == 0)
        return static_cast<IVEngineServer*>(&m_engine);
    if (std::strcmp(name, FILESYSTEM_INTERFACE_VERSION) == 0)
        return static_cast<IFileSystem*>(&m_files);
    if (std::strcmp(name, INTERFACEVERSION_ISERVERPLUGINHELPERS) == 0)
        return static_cast<IServerPluginHelpers*>(&m_helpers);
    if (std::strcmp(name, INTERFACEVERSION_GAMEEVENTSMANAGER2) == 0)
        return static_cast<IGameEventManager2*>(&m_events);
    if (std::strcmp(name, INTERFACEVERSION_ENGINETRACE_SERVER) == 0)
        return Trace();
    if (std::strcmp(name, INTERFACEVERSION_VOICESERVER) == 0)
        return static_cast<IVoiceServer*>(&m_voice);
    if (std::strcmp(name, INTERFACENAME_NETWORKSTRINGTABLESERVER) == 0)
        return static_cast<INetworkStringTableContainer*>(&m_stringTables);
    // The cvar registry and the random stream are vstdlib's.
    return VStdLib_GetICVarFactory()(name, nullptr);
}

bool Server::Start() {
    if (m_up)
        return true;
    ApplyCommandLine();
    if (!StartGame())
        return false;
    m_up = true;
    // What is registered now is the engine's and the game's; what comes
    // with another identifier later is a plug-in's.
    for (const ConCommandBase* base = m_cvar->GetCommands(); base; base = base->GetNext())
        m_hostRegistrations.insert(base->GetDLLIdentifier());
    OpenNetwork();
    m_plugins.LoadFromAddons();
    QueuePlusCommands();
    ServerExecute();
    if (!m_pendingLevel.empty()) {
        const std::string map = std::move(m_pendingLevel);
        m_pendingLevel.clear();
        StartLevel(map);
        ServerExecute();
    }
    if (m_quitRequested)
        FinishQuit();
    return true;
}

bool Server::IsPluginRegistration(const ConCommandBase& base) const {
    return !m_hostRegistrations.contains(base.GetDLLIdentifier());
}

void Server::ApplyCommandLine() {
    const std::string line = "./srcds_linux -game cstrike " + m_config.commandLine;
    CommandLine_Tier0()->CreateCmdLine(line.c_str());
}

bool Server::StartGame() {
    if (!m_game.Open(m_config.gameDir + "/bin/server" + kModuleExtension))
        return false;
    m_plugins.SetGameFactory(m_game.Factory());
    if (!m_config.gameDescription.empty())
        m_game.Sim()->SetGameDescription(m_config.gameDescription.c_str());
    if (!m_game.Dll()->DLLInit(&Server::EngineFactory, &Server::EngineFactory,
                               &Server::EngineFactory, &m_globals)) {
        Warning("The game library failed to initialise\n");
        m_game.Close();
        return false;
    }
    m_clock.SetTickInterval(m_game.Dll()->GetTickInterval());
    int minPlayers = 1;
    int maxPlayers = ABSOLUTE_PLAYER_LIMIT;
    int defaultPlayers = kDefaultMaxPlayers;
    m_game.Clients()->GetPlayerLimits(minPlayers, maxPlayers, defaultPlayers);
    const int wanted = CommandLine_Tier0()->ParmValue("+maxplayers", defaultPlayers);
    m_maxClients =
        std::clamp(wanted, std::max(1, minPlayers), std::min(maxPlayers, ABSOLUTE_PLAYER_LIMIT));
    m_globals.maxClients = m_maxClients;
    m_game.Dll()->GameInit();
    // Traces see the game's solid entities; snapshots ask the game's entity
    // services the plug-ins hold, so that their hooks see every call.
    m_trace.emplace(m_world, [this](SimSolid* solids, int maxSolids) {
        return m_game.IsOpen() ? m_game.Sim()->GetSolids(solids, maxSolids) : 0;
    });
    m_snapshots = std::make_unique<SnapshotDriver>(m_engine, m_game.Ents());
    return true;
}

void Server::OpenNetwork() {
    const int port = CommandLine_Tier0()->ParmValue("-port", 0);
    std::string error;
    if (!m_net.Open(port, &error)) {
        Warning("Unable to open the UDP socket on 127.0.0.1:%d (%s)\n", port, error.c_str());
        return;
    }
    Msg("Network: IP 127.0.0.1, mode MP, dedicated Yes, ports %d SV / 27005 CL\n", m_net.Port());
    // A print request's text is data, never a format.
    m_net.SetPrintHandler(
        [](std::string_view text) { Msg("%.*s", static_cast<int>(text.size()), text.data()); });
    m_net.SetPlayerListSource([this] {
        std::vector<PlayerListEntry> players;
        for (Client* client : m_clients.Connected()) {
            IPlayerInfo* info =
                m_game.PlayerInfo()->GetPlayerInfo(m_edicts.Get(client->EntityIndex()));
            players.push_back(
                {client->Name(), info ? info->GetFragCount() : 0, client->TimeConnected()});
        }
        return players;
    });
    m_net.SetServerInfoSource([this] {
        ServerInfo info;
        const ConVar* hostname = FindVar("hostname");
        const ConVar* password = FindVar("sv_password");
        const ConVar* tags = FindVar("sv_tags");
        info.name = hostname ? hostname->GetString() : "";
        info.map = m_levelRunning ? m_mapName : "";
        info.folder = "cstrike";
        info.game = m_game.IsOpen() ? m_game.Dll()->GetGameDescription() : "";
        for (Client* client : m_clients.Connected()) {
            ++info.players;
            info.bots += client->Kind() == ClientKind::Bot ? 1 : 0;
        }
        info.maxPlayers = m_maxClients;
        info.password = password && *password->GetString();
        info.secure = IsSecure();
        info.version = "1.0.0.34";
        info.tags = tags ? tags->GetString() : "";
        return info;
    });
}

void Server::QueuePlusCommands() {
    ICommandLine* commandLine = CommandLine_Tier0();
    std::string name;
    std::string command;
    auto flush = [&] {
        // +maxplayers was applied before the game started.
        if (!name.empty() && name != "maxplayers")
            ServerCommand(command + "\n");
        name.clear();
        command.clear();
    };
    for (int i = 1; i < commandLine->ParmCount(); ++i) {
        const char* word = commandLine->GetParm(i);
        if (StartsParameter(word)) {
            flush();
            if (word[0] == '+')
                name = command = word + 1;
        } else if (!name.empty()) {
            command.append(" \"").append(word).append("\"");
        }
    }
    flush();
}

void Server::Shutdown() {
    if (!m_up)
        return;
    if (m_levelRunning) {
        m_clients.DisconnectAll("Server shutting down");
        ShutdownLevel();
    }
    m_plugins.UnloadAll();
    m_net.Close();
    m_snapshots.reset();
    m_trace.reset();
    if (m_game.IsOpen()) {
        m_game.Dll()->GameShutdown();
        m_game.Dll()->DLLShutdown();
        m_game.Close();
    }
    m_buffer.Clear();
    m_up = false;
    m_quitRequested = false;
}

void Server::FatalError(const std::string& message) {
    if (!m_fatalError.empty() || !m_up)
        return;
    m_fatalError = message;
    m_buffer.Clear();  // nothing more runs, not even the rest of a command line
    Msg("FATAL ERROR: %s\n", message.c_str());
}

void Server::FinishQuit() {
    Msg("Shutting down the server\n");
    Shutdown();
}

void Server::RunFrame() {
    if (!IsUp())
        return;
    if (!m_pendingLevel.empty()) {
        const std::string map = std::move(m_pendingLevel);
        m_pendingLevel.clear();
        StartLevel(map);
    }
    m_buffer.OnFrame();
    m_clock.RunFrame(m_levelRunning && !m_paused);
    ServerExecute();
    if (m_quitRequested) {
        FinishQuit();
        return;
    }
    m_net.ReadFrame();
    m_clients.OnFrame();
    m_helpers.OnFrame();
    if (m_levelRunning && IsUp()) {
        const bool simulating = !m_paused;
        m_plugins.ForEach(
            [simulating](IServerPluginCallbacks& plugin) { plugin.GameFrame(simulating); });
        if (!IsUp())
            return;
        m_game.Dll()->GameFrame(simulating);
        if (IsUp())
            TakeSnapshots();
    }
    if (m_quitRequested)
        FinishQuit();
}

void Server::TakeSnapshots() {
    // Humans and SourceTV receive snapshots; bots have no connection.
    edict_t* receivers[ABSOLUTE_PLAYER_LIMIT];
    size_t count = 0;
    for (Client* client : m_clients.Connected())
        if (client->IsActive() && client->IsInServer() && client->Kind() != ClientKind::Bot)
            receivers[count++] = m_edicts.Get(client->EntityIndex());
    if (m_snapshots && count > 0)
        m_snapshots->TakeSnapshot(std::span<edict_t* const>(receivers, count));
}

void Server::RunTicks(int ticks) {
    for (int i = 0; i < ticks && IsUp(); ++i)
        RunFrame();
}

void Server::RunSeconds(double seconds) {
    RunTicks(m_clock.TicksFor(seconds));
}

void Server::ExecuteConsoleLine(std::string_view line) {
    ServerCommand(std::string(line) + "\n");
    ServerExecute();
    if (m_quitRequested && m_up)
        FinishQuit();
}

void Server::ServerCommand(std::string_view text) {
    m_buffer.AddText(text);
}

void Server::ServerExecute() {
    if (m_fatalError.empty())
        m_dispatcher.Execute();
}

bool Server::IsMapValid(const std::string& map) const {
    return IsPlainMapName(map) &&
           !m_files.FindExisting(("maps/" + map + ".bsp").c_str(), "GAME").empty();
}

bool Server::RequestLevelChange(const std::string& map) {
    if (!IsMapValid(map))
        return false;
    m_pendingLevel = map;
    return true;
}

void Server::StartLevel(const std::string& map) {
    if (m_levelRunning)
        ShutdownLevel();
    m_mapName = map;
    m_globals.mapname = m_mapName.c_str();
    m_globals.maxClients = m_maxClients;
    m_pure = m_pendingPure;
    m_paused = false;
    m_clock.StartLevel();
    m_edicts.Use(0);
    m_mapEntities.clear();
    m_files.ReadFile(("maps/" + map + ".ent").c_str(), "GAME", m_mapEntities);
    LoadWorld(map);
    m_voice.SetMaxClients(m_maxClients);
    FireServerSpawn();
    m_plugins.ForEach([&](IServerPluginCallbacks& plugin) { plugin.LevelInit(m_mapName.c_str()); });
    m_game.Dll()->LevelInit(m_mapName.c_str());
    m_levelRunning = true;
    const int extent = std::max(m_edicts.Extent(), m_maxClients + 1);
    m_game.Dll()->ServerActivate(m_edicts.Base(), extent, m_maxClients);
    m_plugins.ForEach([&](IServerPluginCallbacks& plugin) {
        plugin.ServerActivate(m_edicts.Base(), extent, m_maxClients);
    });
    m_clients.OnLevelStart();
    m_tv.OnLevelStart();
    const ConVar* serverConfig = FindVar("servercfgfile");
    if (serverConfig && *serverConfig->GetString())
        ServerCommand(std::string("exec ") + serverConfig->GetString() + "\n");
}

void Server::LoadWorld(const std::string& map) {
    m_world.Clear();
    std::string text;
    std::string error;
    const std::string file = "maps/" + map + ".world";
    if (m_files.ReadFile(file.c_str(), "GAME", text) && !m_world.LoadText(text, &error))
        Warning("%s: %s\n", file.c_str(), error.c_str());
}

void Server::ShutdownLevel() {
    m_tv.OnLevelShutdown();
    m_plugins.ForEach([](IServerPluginCallbacks& plugin) { plugin.LevelShutdown(); });
    m_game.Dll()->LevelShutdown();
    m_levelRunning = false;
    for (Client* client : m_clients.Connected())
        client->SetInServer(false);
    for (int i = m_maxClients + 1; i < MAX_EDICTS; ++i)
        if (edict_t* edict = m_edicts.Get(i); edict && !edict->IsFree())
            m_edicts.Free(edict, m_globals.curtime);
}

void Server::FireServerSpawn() {
    IGameEvent* event = m_events.CreateEvent("server_spawn", true);
    const ConVar* hostname = FindVar("hostname");
    const ConVar* password = FindVar("sv_password");
    event->SetString("hostname", hostname ? hostname->GetString() : "");
    // The address and port the server listens on: -port's, or 27015 as the
    // real server's default when no socket could be opened.
    const int port =
        m_net.IsOpen() ? m_net.Port() : CommandLine_Tier0()->ParmValue("-port", kDefaultPort);
    event->SetString("address", ("127.0.0.1:" + std::to_string(port)).c_str());
    event->SetInt("port", port);
    event->SetString("game", "cstrike");
    event->SetString("mapname", m_mapName.c_str());
    event->SetInt("maxplayers", m_maxClients);
    event->SetString("os", "L");
    event->SetBool("dedicated", true);
    event->SetBool("password", password && *password->GetString());
    m_events.FireEvent(event, false);
}

void Server::SetPaused(bool paused, const std::string& who) {
    if (paused == m_paused)
        return;
    m_paused = paused;
    BroadcastPrint(who + (paused ? " paused the game\n" : " unpaused the game\n"));
}

bool Server::SetMaxClients(int maxClients) {
    if (m_levelRunning || maxClients < 1)
        return false;
    m_maxClients = std::min(maxClients, ABSOLUTE_PLAYER_LIMIT);
    m_globals.maxClients = m_maxClients;
    return true;
}

bool Server::IsSecure() const {
    return CommandLine_Tier0()->CheckParm("-insecure") == nullptr;
}

bool Server::IsLan() const {
    const ConVar* lan = m_cvar->FindVar("sv_lan");
    return lan && lan->GetBool();
}

int Server::LoadPlugin(const std::string& file) {
    const int index = m_plugins.Load(file);
    IServerPluginCallbacks* plugin = m_plugins.Callbacks(index);
    if (plugin && m_levelRunning) {
        plugin->LevelInit(m_mapName.c_str());
        plugin->ServerActivate(m_edicts.Base(), std::max(m_edicts.Extent(), m_maxClients + 1),
                               m_maxClients);
    }
    return index;
}

void Server::SetCommandClient(int index) {
    if (!m_game.IsOpen())
        return;
    m_game.Clients()->SetCommandClient(index);
    m_plugins.ForEach([index](IServerPluginCallbacks& plugin) { plugin.SetCommandClient(index); });
}

std::string Server::CommandIssuer() {
    const int source = m_dispatcher.Source();
    const Client* client = source >= 0 ? m_clients.At(source + 1) : nullptr;
    return client ? client->Name() : "Console";
}

void Server::Reply(const std::string& text) {
    const int source = m_dispatcher.Source();
    if (source == CommandDispatcher::kConsole) {
        Msg("%s", text.c_str());
        return;
    }
    if (Client* client = m_clients.At(source + 1))
        client->GetInbox().Print(text);
}

void Server::BroadcastPrint(const std::string& text) {
    Msg("%s", text.c_str());
    for (Client* client : m_clients.ConnectedHumans())
        client->GetInbox().Print(text);
}

}  // namespace sim

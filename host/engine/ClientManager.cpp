#include "engine/ClientManager.h"

#include <strings.h>
#include <tier0/dbg.h>

#include <cstdio>

#include "engine/Server.h"

namespace sim {

namespace {

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Commands the engine runs itself when a client sends them.
const char* const kEngineClientCommands[] = {"status", "pause", "setpause", "unpause"};

}  // namespace

Client& ClientManager::Create(const ClientSpec& spec) {
    m_all.push_back(std::make_unique<Client>(spec, ++m_lastUserId, m_server.Globals()));
    return *m_all.back();
}

int ClientManager::FreeSlot() const {
    for (int slot = 1; slot <= m_server.MaxClients(); ++slot)
        if (!m_slots[slot])
            return slot;
    return 0;
}

void ClientManager::Attach(Client& client, int slot) {
    m_slots[slot] = &client;
    client.AttachToSlot(slot);
    m_server.Edicts().Use(slot);
}

void ClientManager::Detach(Client& client) {
    const int slot = client.EntityIndex();
    if (slot > 0 && m_slots[slot] == &client) {
        m_slots[slot] = nullptr;
        m_server.Edicts().Free(m_server.Edicts().Get(slot), m_server.Globals().curtime);
    }
}

edict_t* ClientManager::EdictOf(const Client& client) const {
    return m_server.Edicts().Get(client.EntityIndex());
}

std::string ClientManager::Refusal(const Client& client) const {
    if (!m_server.IsLevelRunning())
        return "Server is not running.";
    if (m_server.Bans().IsIpBanned(client.Ip()) || m_server.Bans().IsIdBanned(client.SteamId()))
        return "You have been banned from this server.";
    const ConVar* password = m_server.Cvar().FindVar("sv_password");
    if (password && *password->GetString() && client.Password() != password->GetString())
        return "Bad password.";
    if (!FreeSlot())
        return "Server is full.";
    return "";
}

Client& ClientManager::Reject(Client& client, const std::string& reason) {
    if (!client.IsFake())
        client.GetInbox().Print(reason + "\n");
    client.MarkGone(ClientState::Rejected, reason, true);
    return client;
}

Client& ClientManager::Connect(const ClientSpec& spec) {
    ClientSpec human = spec;
    human.kind = ClientKind::Human;
    Client& client = Create(human);
    const std::string refusal = Refusal(client);
    if (!refusal.empty())
        return Reject(client, refusal);
    client.SetLan(m_server.IsLan());
    Attach(client, FreeSlot());
    FireConnectEvent(client);
    std::string reject;
    if (!AskToConnect(client, reject)) {
        FireDisconnectEvent(client, reject);
        Detach(client);
        return Reject(client, reject);
    }
    UpdateListening();
    if (const std::optional<double>& after = client.ValidateAfter()) {
        if (*after == 0.0)
            Validate(client);
        else if (*after > 0.0)
            client.SetValidationFrame(FrameAfter(*after));
    }
    if (client.SignOn() > 0.0)
        client.SetSignOnFrame(FrameAfter(client.SignOn()));
    else
        FinishSignOn(client);
    return client;
}

int ClientManager::FrameAfter(double seconds) const {
    return m_server.Clock().FrameCount() + m_server.Clock().TicksFor(seconds);
}

void ClientManager::FinishSignOn(Client& client) {
    client.SetSignOnFrame(-1);
    PutInServer(client);
    Activate(client);
    AnnounceSettings(client);
    if (!client.ValidateAfter() && client.IsActive() && !client.IsValidated())
        client.SetValidationFrame(FrameAfter(kValidateAfterPutIn));
}

Client& ClientManager::AddFakeClient(const std::string& name, ClientKind kind) {
    ClientSpec spec;
    spec.name = name;
    spec.kind = kind;
    Client& client = Create(spec);
    const int slot = m_server.IsLevelRunning() ? FreeSlot() : 0;
    if (!slot)
        return Reject(client,
                      m_server.IsLevelRunning() ? "Server is full." : "Server is not running.");
    Attach(client, slot);
    FireConnectEvent(client);
    PutInServer(client);
    Activate(client);
    return client;
}

bool ClientManager::AskToConnect(Client& client, std::string& reject) {
    edict_t* edict = EdictOf(client);
    const char* name = client.Name().c_str();
    const char* address = client.Address().c_str();
    char buffer[kRejectLength];
    std::snprintf(buffer, sizeof(buffer), "%s", kRejectDefault);
    bool allow = true;
    bool overridden = false;
    bool overriddenAllow = true;
    const PLUGIN_RESULT result =
        m_server.Plugins().ForEachUntilStop([&](IServerPluginCallbacks& plugin) {
            const PLUGIN_RESULT answer =
                plugin.ClientConnect(&allow, edict, name, address, buffer, sizeof(buffer));
            if (answer == PLUGIN_OVERRIDE && !overridden) {
                overridden = true;
                overriddenAllow = allow;
            }
            return answer;
        });
    bool allowed = allow;
    if (result != PLUGIN_STOP) {
        const bool game =
            m_server.Game().Clients()->ClientConnect(edict, name, address, buffer, sizeof(buffer));
        allowed = overridden ? overriddenAllow : game;
    }
    buffer[sizeof(buffer) - 1] = '\0';
    reject = WithoutLineEnd(buffer);
    return allowed;
}

void ClientManager::PutInServer(Client& client) {
    if (!client.IsConnected())
        return;
    edict_t* edict = EdictOf(client);
    const int index = client.EntityIndex();
    m_server.Game().Sim()->SetClientKind(index, client.IsFake(),
                                         client.Kind() == ClientKind::SourceTV);
    client.SetInServer(true);
    m_server.Game().Clients()->ClientPutInServer(edict, client.Name().c_str());
    m_server.Plugins().ForEach([&](IServerPluginCallbacks& plugin) {
        plugin.ClientPutInServer(edict, client.Name().c_str());
    });
}

void ClientManager::Activate(Client& client) {
    if (!client.IsConnected())
        return;
    edict_t* edict = EdictOf(client);
    client.SetState(ClientState::Active);
    m_server.Game().Clients()->ClientActive(edict, false);
    m_server.Plugins().ForEach([&](IServerPluginCallbacks& plugin) { plugin.ClientActive(edict); });
}

void ClientManager::AnnounceSettings(Client& client) {
    if (!client.IsActive())
        return;
    edict_t* edict = EdictOf(client);
    m_server.Game().Clients()->ClientSettingsChanged(edict);
    m_server.Plugins().ForEach(
        [&](IServerPluginCallbacks& plugin) { plugin.ClientSettingsChanged(edict); });
}

void ClientManager::FireConnectEvent(const Client& client) {
    IGameEvent* event = m_server.Events().CreateEvent("player_connect", true);
    event->SetString("name", client.Name().c_str());
    event->SetInt("index", client.EntityIndex() - 1);
    event->SetInt("userid", client.UserId());
    event->SetString("networkid", client.NetworkId());
    event->SetString("address", client.IsFake() ? "none" : client.Address().c_str());
    event->SetInt("bot", client.IsFake() ? 1 : 0);
    m_server.Events().FireEvent(event, false);
}

void ClientManager::FireDisconnectEvent(const Client& client, const std::string& reason) {
    IGameEvent* event = m_server.Events().CreateEvent("player_disconnect", true);
    event->SetInt("userid", client.UserId());
    event->SetString("reason", reason.c_str());
    event->SetString("name", client.Name().c_str());
    event->SetString("networkid", client.NetworkId());
    event->SetInt("bot", client.IsFake() ? 1 : 0);
    m_server.Events().FireEvent(event, false);
}

void ClientManager::Disconnect(Client& client, const std::string& reason, bool byServer) {
    if (!client.IsConnected() || client.IsLeaving())
        return;
    client.SetLeaving();
    edict_t* edict = EdictOf(client);
    FireDisconnectEvent(client, reason);
    if (client.IsInServer()) {
        m_server.Plugins().ForEach(
            [&](IServerPluginCallbacks& plugin) { plugin.ClientDisconnect(edict); });
        m_server.Game().Clients()->ClientDisconnect(edict);
    }
    m_server.Helpers().ForgetClient(client);
    Detach(client);
    if (!client.IsFake())
        client.GetInbox().Print(reason + "\n");
    client.MarkGone(ClientState::Disconnected, reason, byServer);
    UpdateListening();
}

void ClientManager::DisconnectAll(const std::string& reason) {
    for (Client* client : Connected())
        Disconnect(*client, reason, true);
}

void ClientManager::Validate(Client& client) {
    if (client.IsFake() || client.IsValidated() || !client.IsConnected())
        return;
    client.MarkValidated();
    const std::string name = client.Name();
    const std::string id = client.NetworkId();
    m_server.Plugins().ForEachUntilStop([&](IServerPluginCallbacks& plugin) {
        return plugin.NetworkIDValidated(name.c_str(), id.c_str());
    });
}

void ClientManager::OnFrame() {
    const int frame = m_server.Clock().FrameCount();
    for (Client* client : ConnectedHumans())
        if (client->IsSigningOn() && frame >= client->SignOnFrame())
            FinishSignOn(*client);
    for (Client* client : ConnectedHumans()) {
        if (!client->IsValidated() && client->ValidationFrame() >= 0 &&
            frame >= client->ValidationFrame())
            Validate(*client);
        for (const std::string& command : client->TakeQueuedCommands())
            ExecuteClientCommand(*client, command);
    }
}

void ClientManager::OnLevelStart() {
    for (Client* client : Connected()) {
        // One still loading the old level loads the new one from the start.
        if (client->IsSigningOn()) {
            client->SetSignOnFrame(FrameAfter(client->SignOn()));
            continue;
        }
        PutInServer(*client);
        Activate(*client);
    }
}

void ClientManager::ExecuteClientLine(Client& client, const std::string& line) {
    CommandBuffer commands;
    if (!commands.AddText(line + "\n"))
        return;
    while (auto command = commands.NextCommand()) {
        if (!client.IsConnected())
            return;
        ExecuteClientCommand(client, *command);
    }
}

void ClientManager::Say(Client& client, const std::string& text, bool team) {
    ExecuteClientCommand(client, std::string(team ? "say_team" : "say") + " \"" + text + "\"");
}

bool ClientManager::SetOwnSetting(Client& client, const CCommand& args) {
    const std::string name = args[0];
    const std::string* value = client.Cvar(name);
    if (!value)
        return false;
    if (args.ArgC() == 1)
        client.GetInbox().Print("\"" + name + "\" = \"" + *value + "\"\n");
    else
        SetSetting(client, name, args.ArgC() == 2 ? args[1] : args.ArgS());
    return true;
}

bool ClientManager::RunEngineClientCommand(Client& client, const CCommand& args) {
    const char* name = args[0];
    if (strcasecmp(name, "disconnect") == 0) {
        Disconnect(client, "Disconnect by user.", false);
        return true;
    }
    if (strcasecmp(name, "setinfo") == 0) {
        if (args.ArgC() >= 3) {
            client.MarkUserInfo(args[1]);
            SetSetting(client, args[1], args[2]);
        }
        return true;
    }
    for (const char* engineCommand : kEngineClientCommands) {
        if (strcasecmp(name, engineCommand) != 0)
            continue;
        if (ConCommand* command = m_server.Cvar().FindCommand(name))
            m_server.Commands().DispatchForPlayer(*command, args, client.EntityIndex() - 1);
        return true;
    }
    return false;
}

void ClientManager::ExecuteClientCommand(Client& client, const std::string& command) {
    CCommand args;
    if (!client.IsConnected() || !args.Tokenize(command.c_str()) || args.ArgC() == 0)
        return;
    if (strcasecmp(args[0], "wait") == 0 || SetOwnSetting(client, args) ||
        RunEngineClientCommand(client, args))
        return;
    edict_t* edict = EdictOf(client);
    // Until it is in the game, a client's lines reach the plug-ins only.
    const bool inGame = client.IsActive();
    ConCommandBase* base = m_server.Cvar().FindCommandBase(args[0]);
    if (inGame && base && base->IsCommand() && base->IsFlagSet(FCVAR_GAMEDLL)) {
        const ConVar* cheats = m_server.Cvar().FindVar("sv_cheats");
        if (base->IsFlagSet(FCVAR_CHEAT) && !(cheats && cheats->GetBool())) {
            client.GetInbox().Print("Can't use cheat command " + std::string(args[0]) +
                                    " in multiplayer, unless the server has sv_cheats set to 1.\n");
            return;
        }
        m_server.Commands().DispatchForPlayer(*static_cast<ConCommand*>(base), args,
                                              client.EntityIndex() - 1);
        return;
    }
    bool overridden = false;
    const PLUGIN_RESULT result = m_server.Plugins().ForEachUntilStop(
        [&](IServerPluginCallbacks& plugin) { return plugin.ClientCommand(edict, args); },
        &overridden);
    if (result != PLUGIN_STOP && !overridden && client.IsActive())
        m_server.Game().Clients()->ClientCommand(edict, args);
}

void ClientManager::SetSetting(Client& client, const std::string& name, const std::string& value) {
    client.SetCvar(name, value);
    if (client.IsUserInfo(name))
        AnnounceSettings(client);
}

void ClientManager::UpdateListening() {
    m_server.Events().SetClientsListening(!ConnectedHumans().empty());
}

Client* ClientManager::At(int entityIndex) const {
    if (entityIndex < 1 || entityIndex > ABSOLUTE_PLAYER_LIMIT)
        return nullptr;
    return m_slots[entityIndex];
}

Client* ClientManager::Find(const std::string& name) const {
    for (auto it = m_all.rbegin(); it != m_all.rend(); ++it)
        if ((*it)->Name() == name)
            return it->get();
    return nullptr;
}

Client* ClientManager::FindByUserId(int userId) const {
    for (Client* client : Connected())
        if (client->UserId() == userId)
            return client;
    return nullptr;
}

std::vector<Client*> ClientManager::Connected() const {
    std::vector<Client*> clients;
    for (int slot = 1; slot <= ABSOLUTE_PLAYER_LIMIT; ++slot)
        if (m_slots[slot])
            clients.push_back(m_slots[slot]);
    return clients;
}

std::vector<Client*> ClientManager::ConnectedHumans() const {
    std::vector<Client*> clients = Connected();
    std::erase_if(clients, [](const Client* client) { return client->IsFake(); });
    return clients;
}

}  // namespace sim

// The server's clients: the connect sequence with its plug-in and game
// callbacks in the real server's order, client commands and chat, changes
// of client settings, Steam validation, and leaving. Every client ever
// connected stays on record (with how it left) for tests to inspect.
#pragma once

#include <eiface.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/Client.h"

namespace sim {

class Server;

class ClientManager {
public:
    static constexpr const char* kRejectDefault = "Connection rejected by game\n";
    static constexpr int kRejectLength = 255;

    explicit ClientManager(Server& server) : m_server(server) {}

    // A human client joins: ban and password checks, a slot, the
    // player_connect event, ClientConnect (plug-ins, then the game). If
    // accepted it signs on for its sign-on time (frames pass; its lines reach
    // only the plug-ins) and is then put in the server, active and its
    // settings announced; with no sign-on time all of it happens here.
    // Rejected clients end Rejected (with the text they were shown).
    Client& Connect(const ClientSpec& spec);
    // A bot or SourceTV: no ClientConnect and no validation.
    Client& AddFakeClient(const std::string& name, ClientKind kind);

    // player_disconnect, then ClientDisconnect (plug-ins, then the game) for
    // a client that was put in; byServer for kicks and bans.
    void Disconnect(Client& client, const std::string& reason, bool byServer);
    void DisconnectAll(const std::string& reason);

    // A line typed in the client's console: split like the server's and
    // run command by command.
    void ExecuteClientLine(Client& client, const std::string& line);
    void Say(Client& client, const std::string& text, bool team);
    // A change of one client setting; a user-info one is announced with
    // ClientSettingsChanged (the game, then plug-ins).
    void SetSetting(Client& client, const std::string& name, const std::string& value);
    void Validate(Client& client);

    // Sign-ons that end and Steam validations that are due.
    void OnFrame();
    // After a level change the clients still connected come in again.
    void OnLevelStart();

    // The connected client of a slot, or null.
    Client* At(int entityIndex) const;
    // The most recent client of that name, connected or not.
    Client* Find(const std::string& name) const;
    Client* FindByUserId(int userId) const;
    std::vector<Client*> Connected() const;
    std::vector<Client*> ConnectedHumans() const;
    const std::vector<std::unique_ptr<Client>>& All() const { return m_all; }

private:
    Client& Create(const ClientSpec& spec);
    int FreeSlot() const;
    void Attach(Client& client, int slot);
    void Detach(Client& client);
    Client& Reject(Client& client, const std::string& reason);
    std::string Refusal(const Client& client) const;
    bool AskToConnect(Client& client, std::string& reject);
    int FrameAfter(double seconds) const;
    void FinishSignOn(Client& client);
    void PutInServer(Client& client);
    void Activate(Client& client);
    void AnnounceSettings(Client& client);
    void FireConnectEvent(const Client& client);
    void FireDisconnectEvent(const Client& client, const std::string& reason);
    void ExecuteClientCommand(Client& client, const std::string& command);
    bool RunEngineClientCommand(Client& client, const CCommand& args);
    bool SetOwnSetting(Client& client, const CCommand& args);
    void UpdateListening();
    edict_t* EdictOf(const Client& client) const;

    Server& m_server;
    std::vector<std::unique_ptr<Client>> m_all;
    Client* m_slots[ABSOLUTE_PLAYER_LIMIT + 1] = {};
    int m_lastUserId = 1;
};

}  // namespace sim

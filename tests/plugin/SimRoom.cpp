#include "SimRoom.h"

#include <eiface.h>
#include <iplayerinfo.h>
#include <shareddefs.h>

#include "core/HostInterfaces.h"

SimRoom::SimRoom() : folder(SRCDS_SIM_TEMPLATE) {
    sim::ServerConfig config;
    config.gameDir = folder.GameDir();
    config.commandLine = "+map de_dust2";
    server = std::make_unique<sim::Server>(config);
    started = server->Start();
    alice = Human("alice", TEAM_TERRORIST);
    bob = Human("bob", TEAM_TERRORIST);
    carol = Human("carol", TEAM_CT);
    dave = Human("dave", TEAM_SPECTATOR);
    erin = Human("erin", TEAM_SPECTATOR);
    bot = &server->Clients().AddFakeClient("bot", sim::ClientKind::Bot);
    server->Game().Sim()->SetTeam(bot->EntityIndex(), TEAM_TERRORIST);
    tv = &server->Clients().AddFakeClient("SourceTV", sim::ClientKind::SourceTV);

    CreateInterfaceFn game = server->Game().Factory();
    g_host.engine = static_cast<IVEngineServer*>(
        sim::Server::EngineFactory(INTERFACEVERSION_VENGINESERVER, nullptr));
    g_host.playerInfoManager =
        static_cast<IPlayerInfoManager*>(game(INTERFACEVERSION_PLAYERINFOMANAGER, nullptr));
    g_host.gameDll = static_cast<IServerGameDLL*>(game(INTERFACEVERSION_SERVERGAMEDLL, nullptr));
    g_host.gameEnts = static_cast<IServerGameEnts*>(game(INTERFACEVERSION_SERVERGAMEENTS, nullptr));
    g_host.globals = g_host.playerInfoManager->GetGlobalVars();
    for (sim::Client* client : Humans()) {
        client->GetInbox().Clear();
    }
}

SimRoom::~SimRoom() {
    g_host = HostInterfaces{};
    server.reset();
}

sim::Client* SimRoom::Human(const std::string& name, int team) {
    sim::ClientSpec spec;
    spec.name = name;
    spec.signOn = 0.0;  // in the game at once
    spec.validateAfter = 0.0;
    sim::Client* client = &server->Clients().Connect(spec);
    server->Game().Sim()->SetTeam(client->EntityIndex(), team);
    return client;
}

edict_t* SimRoom::EdictOf(const sim::Client* client) const {
    return g_host.engine->PEntityOfEntIndex(client->EntityIndex());
}

std::vector<std::string> SimRoom::Received(sim::InboxKind kind) const {
    std::vector<std::string> seen;
    for (sim::Client* client : Humans()) {
        for (const sim::InboxEntry* entry : client->GetInbox().OfKind(kind)) {
            seen.push_back(client->Name() + ": " + entry->text);
        }
    }
    return seen;
}

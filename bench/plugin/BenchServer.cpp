#include "BenchServer.h"

#include <IEngineTrace.h>
#include <eiface.h>
#include <igamemovement.h>
#include <iplayerinfo.h>

#include "core/HostInterfaces.h"

BenchServer::BenchServer(const std::string& commandLine) : folder(SRCDS_SIM_TEMPLATE) {
    sim::ServerConfig config;
    config.gameDir = folder.GameDir();
    config.commandLine = commandLine;
    server = std::make_unique<sim::Server>(config);
    started = server->Start();
}

BenchServer::~BenchServer() {
    g_host = HostInterfaces{};
    server.reset();
}

sim::Client& BenchServer::Join(const std::string& name, int team) {
    sim::ClientSpec spec;
    spec.name = name;
    spec.signOn = 0.0;
    spec.validateAfter = 0.0;
    sim::Client& client = server->Clients().Connect(spec);
    if (team != TEAM_UNASSIGNED) {
        server->Game().Sim()->SetTeam(client.EntityIndex(), team);
    }
    return client;
}

edict_t* BenchServer::EdictOf(const sim::Client& client) const {
    return server->Edicts().Get(client.EntityIndex());
}

void BenchServer::HandToPlugin() {
    CreateInterfaceFn game = server->Game().Factory();
    g_host.engine = static_cast<IVEngineServer*>(
        sim::Server::EngineFactory(INTERFACEVERSION_VENGINESERVER, nullptr));
    g_host.engineTrace = static_cast<IEngineTrace*>(
        sim::Server::EngineFactory(INTERFACEVERSION_ENGINETRACE_SERVER, nullptr));
    g_host.playerInfoManager =
        static_cast<IPlayerInfoManager*>(game(INTERFACEVERSION_PLAYERINFOMANAGER, nullptr));
    g_host.gameDll = static_cast<IServerGameDLL*>(game(INTERFACEVERSION_SERVERGAMEDLL, nullptr));
    g_host.gameEnts = static_cast<IServerGameEnts*>(game(INTERFACEVERSION_SERVERGAMEENTS, nullptr));
    g_host.gameMovement = static_cast<IGameMovement*>(game(INTERFACENAME_GAMEMOVEMENT, nullptr));
    g_host.voiceServer = &server->Voice();
    g_host.globals = g_host.playerInfoManager->GetGlobalVars();
}

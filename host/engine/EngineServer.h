// IVEngineServer ("VEngineServer021"): the engine's services for the game
// library and the plug-ins, over this server's state.
#pragma once

#include <eiface.h>

namespace sim {

class Server;

class EngineServer final : public IVEngineServer {
public:
    explicit EngineServer(Server& server) : m_server(server) {}

    void ChangeLevel(const char* s1, const char* s2) override;
    int IsMapValid(const char* fileName) override;
    bool IsDedicatedServer() override { return true; }
    void ServerCommand(const char* text) override;
    void ServerExecute() override;
    void ClientPrintf(edict_t* edict, const char* text) override;
    bf_write* UserMessageBegin(IRecipientFilter* filter, int messageType) override;
    void MessageEnd() override;
    int IndexOfEdict(const edict_t* edict) override;
    edict_t* PEntityOfEntIndex(int entityIndex) override;
    int GetPlayerUserId(const edict_t* edict) override;
    const char* GetPlayerNetworkIDString(const edict_t* edict) override;
    const char* GetClientConVarValue(int clientIndex, const char* name) override;
    INetChannelInfo* GetPlayerNetInfo(int playerIndex) override;
    int GetEntityCount() override;
    edict_t* CreateEdict(int forceEdictIndex) override;
    void RemoveEdict(edict_t* edict) override;
    void GetGameDir(char* gameDir, int maxLength) override;
    const char* GetMapEntitiesString() override;
    void ForceExactFile(const char* fileName) override;
    void LogPrint(const char* text) override;

private:
    class Client* ClientOf(const edict_t* edict);

    Server& m_server;
};

}  // namespace sim

// The engine's edicts and map text for the game-side tests: just enough of
// IVEngineServer for the game to put its entities on edicts.
#pragma once

#include <eiface.h>

#include <array>
#include <string>

class FakeEngine : public IVEngineServer {
public:
    explicit FakeEngine(int maxClients = 32);

    // A connecting client's slot (entity index 1 to maxClients) comes into use.
    edict_t* ConnectClient(int index);
    void SetMapEntities(std::string text) { m_MapEntities = std::move(text); }
    int CreatedEdicts() const { return m_Created; }
    int GetMapEntitiesCalls() const { return m_MapEntitiesCalls; }

    void ChangeLevel(const char*, const char*) override {}
    int IsMapValid(const char*) override { return 1; }
    bool IsDedicatedServer() override { return true; }
    void ServerCommand(const char*) override {}
    void ServerExecute() override {}
    void ClientPrintf(edict_t*, const char*) override {}
    bf_write* UserMessageBegin(IRecipientFilter*, int) override { return nullptr; }
    void MessageEnd() override {}
    int IndexOfEdict(const edict_t* edict) override;
    edict_t* PEntityOfEntIndex(int index) override;
    int GetPlayerUserId(const edict_t*) override { return -1; }
    const char* GetPlayerNetworkIDString(const edict_t*) override { return nullptr; }
    const char* GetClientConVarValue(int, const char*) override { return ""; }
    INetChannelInfo* GetPlayerNetInfo(int) override { return nullptr; }
    int GetEntityCount() override;
    edict_t* CreateEdict(int forceEdictIndex = -1) override;
    void RemoveEdict(edict_t* edict) override;
    void GetGameDir(char* dir, int maxLength) override;
    const char* GetMapEntitiesString() override;
    void ForceExactFile(const char*) override {}
    void LogPrint(const char*) override {}

private:
    std::array<edict_t, MAX_EDICTS> m_Edicts{};
    int m_MaxClients;
    int m_Created = 0;
    int m_MapEntitiesCalls = 0;
    std::string m_MapEntities;
};

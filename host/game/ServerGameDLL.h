// The game library's entry points for the engine ("ServerGameDLL006"): the
// game description, the tick interval, the server classes, the level cycle.
#pragma once

#include <eiface.h>

class ServerGameDLL final : public IServerGameDLL {
public:
    bool DLLInit(CreateInterfaceFn engineFactory, CreateInterfaceFn physicsFactory,
                 CreateInterfaceFn fileSystemFactory, CGlobalVars* globals) override;
    bool GameInit() override { return true; }
    bool LevelInit(const char* mapName) override;
    void ServerActivate(edict_t* edictList, int edictCount, int clientMax) override;
    void GameFrame(bool simulating) override;
    void LevelShutdown() override;
    void GameShutdown() override {}
    void DLLShutdown() override;
    float GetTickInterval() const override;
    ServerClass* GetAllServerClasses() override;
    const char* GetGameDescription() override;
};

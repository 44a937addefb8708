#include "game/ServerGameDLL.h"

#include <tier0/icommandline.h>

#include "cstrike/ServerClasses.h"
#include "game/Game.h"

bool ServerGameDLL::DLLInit(CreateInterfaceFn engineFactory, CreateInterfaceFn, CreateInterfaceFn,
                            CGlobalVars* globals) {
    return Game::Get().Connect(engineFactory, globals);
}

bool ServerGameDLL::LevelInit(const char*) {
    Game::Get().LevelInit();
    return true;
}

void ServerGameDLL::ServerActivate(edict_t*, int, int) {}

void ServerGameDLL::GameFrame(bool simulating) {
    if (simulating && Game::Get().IsConnected())
        Game::Get().Tick();
}

void ServerGameDLL::LevelShutdown() {
    Game::Get().LevelShutdown();
}

void ServerGameDLL::DLLShutdown() {
    Game::Get().Disconnect();
}

float ServerGameDLL::GetTickInterval() const {
    return cstrike::GameTickInterval(CommandLine_Tier0()->ParmValue("-tickrate", 0.0f));
}

ServerClass* ServerGameDLL::GetAllServerClasses() {
    return cstrike::GetAllServerClasses();
}

const char* ServerGameDLL::GetGameDescription() {
    return Game::Get().Description().c_str();
}

#include "game/ServerGameDLL.h"

#include <server_class.h>
#include <tier0/icommandline.h>

#include "game/Game.h"

namespace {

constexpr float kDefaultTickInterval = 0.015f;
constexpr float kMinTickrate = 10.0f;
constexpr float kMaxTickrate = 128.0f;

// The networked classes so far: names only, their tables come with the
// entities that fill them.
SendTable s_emptyTables[3];
ServerClass s_classes[3];

ServerClass* BuildClassList() {
    const char* const names[3][2] = {{"CCSPlayer", "DT_CSPlayer"},
                                     {"CBasePlayer", "DT_BasePlayer"},
                                     {"CBaseEntity", "DT_BaseEntity"}};
    for (int i = 0; i < 3; ++i) {
        s_emptyTables[i].m_pNetTableName = names[i][1];
        s_classes[i].m_pNetworkName = names[i][0];
        s_classes[i].m_pTable = &s_emptyTables[i];
        s_classes[i].m_ClassID = i;
        s_classes[i].m_pNext = i < 2 ? &s_classes[i + 1] : nullptr;
    }
    return &s_classes[0];
}

}  // namespace

bool ServerGameDLL::DLLInit(CreateInterfaceFn engineFactory, CreateInterfaceFn, CreateInterfaceFn,
                            CGlobalVars* globals) {
    return Game::Get().Connect(engineFactory, globals);
}

bool ServerGameDLL::LevelInit(const char*) {
    Game::Get().ClearLevel();
    return true;
}

void ServerGameDLL::ServerActivate(edict_t*, int, int) {}

void ServerGameDLL::GameFrame(bool) {}

void ServerGameDLL::LevelShutdown() {
    Game::Get().ClearLevel();
}

void ServerGameDLL::DLLShutdown() {
    Game::Get().Disconnect();
}

float ServerGameDLL::GetTickInterval() const {
    const float tickrate = CommandLine_Tier0()->ParmValue("-tickrate", 0.0f);
    if (tickrate < kMinTickrate || tickrate > kMaxTickrate)
        return kDefaultTickInterval;
    return 1.0f / tickrate;
}

ServerClass* ServerGameDLL::GetAllServerClasses() {
    static ServerClass* head = BuildClassList();
    return head;
}

const char* ServerGameDLL::GetGameDescription() {
    return Game::Get().Description().c_str();
}

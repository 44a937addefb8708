// The game library, cstrike/bin/server.so (server.dll on Windows): opened like
// the real one, and reached only through the interfaces its own CreateInterface
// hands out (the game-server factory that plug-ins receive).
#pragma once

#include <eiface.h>
#include <igamemovement.h>
#include <iplayerinfo.h>
#include <tier1/interface.h>

#include <string>

#include "sim/ISimGame.h"

namespace sim {

class GameLibrary {
public:
    GameLibrary() = default;
    ~GameLibrary() { Close(); }

    GameLibrary(const GameLibrary&) = delete;
    GameLibrary& operator=(const GameLibrary&) = delete;

    // Opens the module and takes its interfaces; false (with a message) when
    // the module or one of them is missing.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }

    CreateInterfaceFn Factory() const { return m_factory; }
    IServerGameDLL* Dll() const { return m_dll; }
    IServerGameClients* Clients() const { return m_clients; }
    IServerGameEnts* Ents() const { return m_ents; }
    IPlayerInfoManager* PlayerInfo() const { return m_playerInfo; }
    IGameMovement* Movement() const { return m_movement; }
    ISimGame* Sim() const { return m_sim; }

private:
    template <typename T>
    bool Take(T*& out, const char* version);

    void* m_handle = nullptr;
    CreateInterfaceFn m_factory = nullptr;
    IServerGameDLL* m_dll = nullptr;
    IServerGameClients* m_clients = nullptr;
    IServerGameEnts* m_ents = nullptr;
    IPlayerInfoManager* m_playerInfo = nullptr;
    IGameMovement* m_movement = nullptr;
    ISimGame* m_sim = nullptr;
};

}  // namespace sim

#include "engine/GameLibrary.h"

#include <tier0/dbg.h>

#include "engine/Platform.h"

namespace sim {

template <typename T>
bool GameLibrary::Take(T*& out, const char* version) {
    out = static_cast<T*>(m_factory(version, nullptr));
    if (!out)
        Warning("The game library does not answer \"%s\"\n", version);
    return out != nullptr;
}

bool GameLibrary::Open(const std::string& path) {
    std::string error;
    m_handle = SharedModule::Open(path, error);
    if (!m_handle) {
        Warning("Unable to load the game library %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    m_factory =
        reinterpret_cast<CreateInterfaceFn>(SharedModule::Symbol(m_handle, "CreateInterface"));
    if (!m_factory) {
        Warning("The game library %s has no CreateInterface\n", path.c_str());
        Close();
        return false;
    }
    const bool complete = Take(m_dll, INTERFACEVERSION_SERVERGAMEDLL) &&
                          Take(m_clients, INTERFACEVERSION_SERVERGAMECLIENTS) &&
                          Take(m_ents, INTERFACEVERSION_SERVERGAMEENTS) &&
                          Take(m_playerInfo, INTERFACEVERSION_PLAYERINFOMANAGER) &&
                          Take(m_movement, INTERFACENAME_GAMEMOVEMENT) &&
                          Take(m_sim, SIMGAME_INTERFACE_VERSION);
    if (!complete)
        Close();
    return complete;
}

void GameLibrary::Close() {
    if (m_handle)
        SharedModule::Close(m_handle);
    m_handle = nullptr;
    m_factory = nullptr;
    m_dll = nullptr;
    m_clients = nullptr;
    m_ents = nullptr;
    m_playerInfo = nullptr;
    m_movement = nullptr;
    m_sim = nullptr;
}

}  // namespace sim

#pragma once

#include <tier1/iconvar.h>

#include <memory>
#include <vector>

#include "protection/ReplicatedConvar.h"

class ConVar;

// Shares the one change-callback slot of host variables between the parts
// of the plug-in that need it (server variable locks, the sv_cheats handler,
// the cvar scanner). One entry per variable, made on its first registration
// and dropped with its last callback.
class ReplicatedConvarManager {
public:
    ReplicatedConvarManager() = default;
    ReplicatedConvarManager(const ReplicatedConvarManager&) = delete;
    ReplicatedConvarManager& operator=(const ReplicatedConvarManager&) = delete;

    // Runs before the later ordinary callbacks and before priority callbacks
    // registered earlier.
    void InstallPriorityChangeCallback(ConVar* var, FnChangeCallback_t callback);
    void InstallChangeCallback(ConVar* var, FnChangeCallback_t callback);
    void RemoveChangeCallback(ConVar* var, FnChangeCallback_t callback);
    void ReinstallChangeCallback(ConVar* var);
    ReplicatedConvar* GetReplicatedCvar(const ConVar* var) const;
    // Empties every shared slot and forgets every entry.
    void Unload();

private:
    ReplicatedConvar* FindOrCreate(ConVar* var);

    std::vector<std::unique_ptr<ReplicatedConvar>> m_Cvars;
};

#include "protection/ReplicatedConvarManager.h"

#include <algorithm>

ReplicatedConvar* ReplicatedConvarManager::GetReplicatedCvar(const ConVar* var) const {
    for (const std::unique_ptr<ReplicatedConvar>& entry : m_Cvars) {
        if (entry->GetConVar() == var) {
            return entry.get();
        }
    }
    return nullptr;
}

ReplicatedConvar* ReplicatedConvarManager::FindOrCreate(ConVar* var) {
    if (ReplicatedConvar* entry = GetReplicatedCvar(var)) {
        return entry;
    }
    m_Cvars.push_back(std::make_unique<ReplicatedConvar>(var));
    return m_Cvars.back().get();
}

void ReplicatedConvarManager::InstallPriorityChangeCallback(ConVar* var,
                                                            FnChangeCallback_t callback) {
    if (var && callback) {
        FindOrCreate(var)->AddPriorityChangeCallback(callback);
    }
}

void ReplicatedConvarManager::InstallChangeCallback(ConVar* var, FnChangeCallback_t callback) {
    if (var && callback) {
        FindOrCreate(var)->AddChangeCallback(callback);
    }
}

void ReplicatedConvarManager::RemoveChangeCallback(ConVar* var, FnChangeCallback_t callback) {
    ReplicatedConvar* entry = GetReplicatedCvar(var);
    if (!entry) {
        return;
    }
    entry->RemoveChangeCallback(callback);
    if (entry->GetNumCallbacks() == 0) {
        std::erase_if(m_Cvars, [entry](const auto& owned) { return owned.get() == entry; });
    }
}

void ReplicatedConvarManager::ReinstallChangeCallback(ConVar* var) {
    if (ReplicatedConvar* entry = GetReplicatedCvar(var)) {
        entry->ReinstallGlobalCallback();
    }
}

void ReplicatedConvarManager::Unload() {
    for (const std::unique_ptr<ReplicatedConvar>& entry : m_Cvars) {
        entry->RemoveAllChangeCallbacks();
    }
    m_Cvars.clear();
}

#include "protection/ReplicatedConvar.h"

#include <icvar.h>
#include <tier1/convar.h>

#include <algorithm>

#include "core/HostInterfaces.h"
#include "core/travik_services.h"
#include "protection/ReplicatedConvarManager.h"

ReplicatedConvar::ReplicatedConvar(ConVar* var) : m_Var(var), m_Name(var ? var->GetName() : "") {}

bool ReplicatedConvar::IsRegistered() const {
    return m_Var && (!g_host.cvar || g_host.cvar->FindVar(m_Name.c_str()) == m_Var);
}

bool ReplicatedConvar::HasCallback(FnChangeCallback_t callback) const {
    return std::find(m_Callbacks.begin(), m_Callbacks.end(), callback) != m_Callbacks.end();
}

bool ReplicatedConvar::Add(FnChangeCallback_t callback, bool atFront) {
    if (!callback || HasCallback(callback)) {
        return false;
    }
    m_Callbacks.insert(atFront ? m_Callbacks.begin() : m_Callbacks.end(), callback);
    ReinstallGlobalCallback();
    return true;
}

void ReplicatedConvar::AddPriorityChangeCallback(FnChangeCallback_t callback) {
    Add(callback, true);
}

void ReplicatedConvar::AddChangeCallback(FnChangeCallback_t callback) {
    Add(callback, false);
}

void ReplicatedConvar::RemoveChangeCallback(FnChangeCallback_t callback) {
    std::erase(m_Callbacks, callback);
    if (m_Callbacks.empty() && IsRegistered()) {
        m_Var->InstallChangeCallback(nullptr);
    }
}

void ReplicatedConvar::RemoveAllChangeCallbacks() {
    m_Callbacks.clear();
    if (IsRegistered()) {
        m_Var->InstallChangeCallback(nullptr);
    }
}

void ReplicatedConvar::ReinstallGlobalCallback() {
    if (IsRegistered()) {
        m_Var->InstallChangeCallback(OnCvarChange);
    }
}

// Callbacks may set the variable again (a lock correcting it), which runs
// this dispatcher nested, or remove callbacks, which may delete the entry.
// So the list is walked as it was when the change came, and each callback
// is called only while the entry still holds it.
void ReplicatedConvar::OnCvarChange(IConVar* var, const char* oldValue, float oldFloat) {
    ConVar* host = static_cast<ConVar*>(var);
    ReplicatedConvarManager* manager = travik::getReplicatedConvarManager();
    const ReplicatedConvar* entry = manager->GetReplicatedCvar(host);
    if (!entry) {
        return;
    }
    const std::vector<FnChangeCallback_t> callbacks = entry->m_Callbacks;
    for (FnChangeCallback_t callback : callbacks) {
        entry = manager->GetReplicatedCvar(host);
        if (!entry) {
            return;
        }
        if (entry->HasCallback(callback)) {
            callback(var, oldValue, oldFloat);
        }
    }
}

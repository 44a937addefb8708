#pragma once

#include <tier1/iconvar.h>

#include <string>
#include <vector>

class ConVar;

// One host variable whose single change-callback slot is shared: the slot
// holds the dispatcher OnCvarChange, which calls every registered callback in
// order. Priority callbacks stand at the front (the latest first), ordinary
// ones at the back (in the order they came).
class ReplicatedConvar {
public:
    explicit ReplicatedConvar(ConVar* var);

    // Nothing when the callback is registered already.
    void AddPriorityChangeCallback(FnChangeCallback_t callback);
    void AddChangeCallback(FnChangeCallback_t callback);
    // The slot is emptied when no callback is left.
    void RemoveChangeCallback(FnChangeCallback_t callback);
    void RemoveAllChangeCallbacks();
    // Puts the dispatcher back after someone else took the slot.
    void ReinstallGlobalCallback();

    // The dispatcher: the callbacks of the plug-in's entry for the variable.
    static void OnCvarChange(IConVar* var, const char* oldValue, float oldFloat);

    ConVar* GetConVar() const { return m_Var; }
    const std::vector<FnChangeCallback_t>& GetCallbacks() const { return m_Callbacks; }
    int GetNumCallbacks() const { return static_cast<int>(m_Callbacks.size()); }
    bool HasCallback(FnChangeCallback_t callback) const;
    // False once the variable's module has taken it away (another plug-in
    // unloaded): its slot is then never written again.
    bool IsRegistered() const;

private:
    bool Add(FnChangeCallback_t callback, bool atFront);

    ConVar* m_Var;
    std::string m_Name;
    std::vector<FnChangeCallback_t> m_Callbacks;
};

// The host's registry of console variables and commands.
#pragma once

#include <icvar.h>

#include <vector>

class CCvar final : public ICvar {
public:
    CVarDLLIdentifier_t AllocateDLLIdentifier() override;
    bool RegisterConCommand(ConCommandBase* commandBase) override;
    void UnregisterConCommand(ConCommandBase* commandBase) override;
    void UnregisterConCommands(CVarDLLIdentifier_t id) override;
    ConCommandBase* FindCommandBase(const char* name) override;
    ConVar* FindVar(const char* name) override;
    ConCommand* FindCommand(const char* name) override;
    ConCommandBase* GetCommands() override;
    void InstallGlobalChangeCallback(FnChangeCallback_t callback) override;
    void RemoveGlobalChangeCallback(FnChangeCallback_t callback) override;
    void CallGlobalChangeCallbacks(ConVar* var, const char* oldString, float oldFloat) override;

private:
    static void Unlink(ConCommandBase*& link);

    ConCommandBase* m_pHead = nullptr;  // newest registration first
    CVarDLLIdentifier_t m_nextDLLIdentifier = 0;
    std::vector<FnChangeCallback_t> m_globalCallbacks;
};

// The host's registry of console variables and commands: registration,
// lookup by name and iteration. Version "VEngineCvar004" (engine factory).
//
// Rules: names compare case-insensitively. A variable and a command of the
// same name cannot coexist, nor can two variables: the second is refused with
// a warning. Two commands of the same name may: the one registered later is
// found first (a plug-in's replacement of a host command wins). GetCommands
// lists the newest registration first.
#pragma once

#include <tier0/platform.h>
#include <tier1/iconvar.h>
#include <tier1/interface.h>

class ConCommandBase;
class ConCommand;
class ConVar;

typedef int CVarDLLIdentifier_t;

#define CVAR_INTERFACE_VERSION "VEngineCvar004"

class ICvar {
public:
    // Slots, in order:
    //  0 AllocateDLLIdentifier
    //  1 RegisterConCommand
    //  2 UnregisterConCommand
    //  3 UnregisterConCommands
    //  4 FindCommandBase
    //  5 FindVar
    //  6 FindCommand
    //  7 GetCommands
    //  8 InstallGlobalChangeCallback
    //  9 RemoveGlobalChangeCallback
    // 10 CallGlobalChangeCallbacks

    // A fresh identifier for a module's registrations.
    virtual CVarDLLIdentifier_t AllocateDLLIdentifier() = 0;
    // Answers whether the object is now registered (false when refused or
    // already registered).
    virtual bool RegisterConCommand(ConCommandBase* commandBase) = 0;
    virtual void UnregisterConCommand(ConCommandBase* commandBase) = 0;
    // Removes every registration made with that identifier.
    virtual void UnregisterConCommands(CVarDLLIdentifier_t id) = 0;

    virtual ConCommandBase* FindCommandBase(const char* name) = 0;
    virtual ConVar* FindVar(const char* name) = 0;
    virtual ConCommand* FindCommand(const char* name) = 0;
    // The first registered entry; ConCommandBase::GetNext gives the rest.
    virtual ConCommandBase* GetCommands() = 0;

    // Callbacks run after a variable's own callback on every change of any
    // variable (the host uses them for notify and replicated variables).
    virtual void InstallGlobalChangeCallback(FnChangeCallback_t callback) = 0;
    virtual void RemoveGlobalChangeCallback(FnChangeCallback_t callback) = 0;
    virtual void CallGlobalChangeCallbacks(ConVar* var, const char* oldString, float oldFloat) = 0;

protected:
    ~ICvar() = default;
};

#pragma once

#include <tier1/convar.h>

#include "core/HostCommands.h"
#include "core/VirtualHook.h"

// A hook on the Dispatch of one host console command object. The command
// may belong to another module that unloads meanwhile: one that is no
// longer registered is only forgotten, never touched.
template <class Owner>
class CommandDispatchHook : public VirtualHook<&ConCommand::Dispatch, Owner> {
public:
    using Base = VirtualHook<&ConCommand::Dispatch, Owner>;
    using Base::Base;
    using Base::Install;

    // Hooks the registered command of exactly that name; false when the host
    // has none, the hook could not be added or this one is in place already.
    bool Install(const char* name) { return Install(HostCommands::Find(name)); }

    void Remove() { Remove(HostCommands::IsRegistered(Command())); }
    // For callers that know whether the command is still registered (one
    // look at the host's list for many hooks).
    void Remove(bool registered) {
        if (registered) {
            Base::Remove();
        } else {
            Base::Forget();
        }
    }

    ConCommand* Command() const { return Base::Object(); }
};

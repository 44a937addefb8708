#pragma once

#include <tier1/convar.h>

#include "core/HostCommands.h"
#include "hook/Hook.h"

// A hook on the Dispatch of one host console command object, calling a
// member of its owner before (Pre) or after (Post) the command's own handler.
// It is removed with the arguments it was added with; a command that is no
// longer registered (its module unloaded) is only forgotten, never touched.
template <class Owner>
class CommandDispatchHook {
public:
    using Call = travik::hook::CallFor<&ConCommand::Dispatch>;
    using Handler = void (Owner::*)(Call& call, const CCommand& args);

    CommandDispatchHook(travik::hook::Phase phase, Owner* owner, Handler handler)
        : m_Phase(phase), m_Owner(owner), m_Handler(handler) {}

    // Hooks the registered command of exactly that name; false when the host
    // has none, the hook could not be added or this one is in place already.
    bool Install(const char* name) { return Install(HostCommands::Find(name)); }
    bool Install(ConCommand* command) {
        if (m_Command || !command ||
            !travik::hook::add<&ConCommand::Dispatch>(command, m_Phase, m_Owner, m_Handler)) {
            return false;
        }
        m_Command = command;
        return true;
    }

    void Remove() { Remove(HostCommands::IsRegistered(m_Command)); }
    // For callers that know whether the command is still registered (one
    // look at the host's list for many hooks).
    void Remove(bool registered) {
        if (!m_Command) {
            return;
        }
        if (registered) {
            travik::hook::remove<&ConCommand::Dispatch>(m_Command, m_Phase, m_Owner, m_Handler);
        } else {
            travik::hook::forget<&ConCommand::Dispatch>(m_Command);
        }
        m_Command = nullptr;
    }

    bool IsInstalled() const { return m_Command != nullptr; }
    ConCommand* Command() const { return m_Command; }

private:
    travik::hook::Phase m_Phase;
    Owner* m_Owner;
    Handler m_Handler;
    ConCommand* m_Command = nullptr;
};

#include "engine/ConsoleObjects.h"

namespace sim {

ConsoleObjects::~ConsoleObjects() {
    // Newest first, so a name registered twice leaves in the right order.
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it)
        m_cvar.UnregisterConCommand(it->get());
}

void ConsoleObjects::Register(ConCommandBase& base) {
    m_cvar.RegisterConCommand(&base);
}

ConVar& ConsoleObjects::AddVar(const CvarSpec& spec) {
    auto var = std::make_unique<ConVar>(spec.name, spec.defaultValue, spec.flags, spec.help,
                                        spec.hasMin, spec.min, spec.hasMax, spec.max);
    ConVar& ref = *var;
    m_objects.push_back(std::move(var));
    Register(ref);
    return ref;
}

void ConsoleObjects::AddVars(const CvarSpec* specs, size_t count) {
    for (size_t i = 0; i < count; ++i)
        AddVar(specs[i]);
}

HostCommand& ConsoleObjects::AddCommand(const char* name, const char* help, int flags,
                                        HostCommand::Handler handler) {
    auto command = std::make_unique<HostCommand>(name, help, flags, std::move(handler));
    HostCommand& ref = *command;
    m_objects.push_back(std::move(command));
    Register(ref);
    return ref;
}

}  // namespace sim

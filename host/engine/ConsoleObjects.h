// Console variables and commands that the engine itself owns: created at
// server start-up, registered straight with the cvar registry, and removed
// from it again when the server goes.
#pragma once

#include <icvar.h>
#include <tier1/convar.h>

#include <memory>
#include <vector>

#include "engine/HostCommand.h"

namespace sim {

// One variable of a table: name, default, flags, help text and bounds.
// The texts must outlive the variable (string literals).
struct CvarSpec {
    const char* name;
    const char* defaultValue;
    int flags;
    const char* help;
    bool hasMin = false;
    float min = 0.0f;
    bool hasMax = false;
    float max = 0.0f;
};

class ConsoleObjects {
public:
    explicit ConsoleObjects(ICvar& cvar) : m_cvar(cvar) {}
    ~ConsoleObjects();

    ConsoleObjects(const ConsoleObjects&) = delete;
    ConsoleObjects& operator=(const ConsoleObjects&) = delete;

    ConVar& AddVar(const CvarSpec& spec);
    void AddVars(const CvarSpec* specs, size_t count);
    HostCommand& AddCommand(const char* name, const char* help, int flags,
                            HostCommand::Handler handler);

private:
    void Register(ConCommandBase& base);

    ICvar& m_cvar;
    std::vector<std::unique_ptr<ConCommandBase>> m_objects;
};

}  // namespace sim

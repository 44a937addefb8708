// Runs console command lines: registered commands, variables (shown or set)
// and aliases, in that order; anything else is an unknown command. Keeps
// track of who issued the command that runs (the server console or a
// player), which host commands such as status and kickid need.
#pragma once

#include <icvar.h>
#include <tier1/convar.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/CommandBuffer.h"

namespace sim {

class CommandDispatcher {
public:
    static constexpr int kConsole = -1;
    static constexpr size_t kMaxAliasName = 32;
    // Commands one Execute may run before it gives up (an alias calling
    // itself would otherwise never end).
    static constexpr int kMaxCommandsPerExecute = 20000;

    CommandDispatcher(ICvar& cvar, CommandBuffer& buffer) : m_cvar(cvar), m_buffer(buffer) {}

    // Told the command client before a command runs (game and plug-ins).
    void SetCommandClientHook(std::function<void(int)> hook) {
        m_setCommandClient = std::move(hook);
    }

    // Runs queued commands until the buffer is empty or waiting.
    void Execute();
    // Runs one line from the server console now (no ';' splitting).
    void ExecuteLine(const std::string& line);
    // Runs a registered command that a player issued.
    void DispatchForPlayer(ConCommand& command, const CCommand& args, int playerIndex);

    // kConsole, or the player index (entity index - 1) of the running command.
    int Source() const { return m_source; }

    // Aliases, in the order they were first defined.
    const std::vector<std::pair<std::string, std::string>>& Aliases() const { return m_aliases; }
    // Defines or replaces an alias; prints why when it refuses.
    bool DefineAlias(const std::string& name, const std::string& value);
    const std::string* FindAlias(const std::string& name) const;

    static void PrintVar(const ConVar& var);

private:
    void SetVar(ConVar& var, const CCommand& args);
    void NotifyCommandClient(int index);

    ICvar& m_cvar;
    CommandBuffer& m_buffer;
    std::function<void(int)> m_setCommandClient;
    std::vector<std::pair<std::string, std::string>> m_aliases;
    int m_source = kConsole;
    int m_depth = 0;
    int m_commandsRun = 0;
};

}  // namespace sim

#include "engine/CommandDispatcher.h"

#include <strings.h>
#include <tier0/dbg.h>

#include <cstdlib>
#include <string_view>

namespace sim {

namespace {

// Restores the command source when a dispatch ends, however it ends.
class SourceScope {
public:
    SourceScope(int& source, int value) : m_source(source), m_saved(source) { source = value; }
    ~SourceScope() { m_source = m_saved; }

private:
    int& m_source;
    int m_saved;
};

void AppendFlag(std::string& out, const ConVar& var, int flag, const char* name) {
    if (var.IsFlagSet(flag)) {
        out += ' ';
        out += name;
    }
}

}  // namespace

void CommandDispatcher::Execute() {
    if (m_depth == 0)
        m_commandsRun = 0;
    ++m_depth;
    while (auto line = m_buffer.NextCommand()) {
        if (++m_commandsRun > kMaxCommandsPerExecute) {
            Warning(
                "Cbuf_Execute: too many commands in one frame (an alias loop?); buffer "
                "cleared\n");
            m_buffer.Clear();
            break;
        }
        ExecuteLine(*line);
    }
    --m_depth;
}

void CommandDispatcher::NotifyCommandClient(int index) {
    if (m_setCommandClient)
        m_setCommandClient(index);
}

void CommandDispatcher::ExecuteLine(const std::string& line) {
    CCommand args;
    if (!args.Tokenize(line.c_str()) || args.ArgC() == 0)
        return;
    const char* name = args[0];
    if (strcasecmp(name, "wait") == 0) {
        // Ignored when the server forbids it, as on the real server.
        const ConVar* allow = m_cvar.FindVar("sv_allow_wait_command");
        if (!allow || allow->GetBool())
            m_buffer.Wait(args.ArgC() > 1 ? std::atoi(args[1]) : 1);
        return;
    }
    ConCommandBase* base = m_cvar.FindCommandBase(name);
    if (base && base->IsCommand()) {
        SourceScope scope(m_source, kConsole);
        NotifyCommandClient(kConsole);
        static_cast<ConCommand*>(base)->Dispatch(args);
        return;
    }
    if (base) {
        SetVar(*static_cast<ConVar*>(base), args);
        return;
    }
    if (const std::string* alias = FindAlias(name)) {
        m_buffer.InsertText(*alias);
        return;
    }
    Msg("Unknown command \"%s\"\n", name);
}

void CommandDispatcher::DispatchForPlayer(ConCommand& command, const CCommand& args,
                                          int playerIndex) {
    SourceScope scope(m_source, playerIndex);
    NotifyCommandClient(playerIndex);
    command.Dispatch(args);
}

void CommandDispatcher::SetVar(ConVar& var, const CCommand& args) {
    if (args.ArgC() < 2) {
        PrintVar(var);
        return;
    }
    var.SetValue(args.ArgC() == 2 ? args[1] : args.ArgS());
}

void CommandDispatcher::PrintVar(const ConVar& var) {
    std::string text;
    text.append("\"").append(var.GetName()).append("\" = \"").append(var.GetString()).append("\"");
    if (std::string_view(var.GetString()) != var.GetDefault())
        text.append(" ( def. \"").append(var.GetDefault()).append("\" )");
    float bound = 0.0f;
    if (var.GetMin(bound))
        text.append(" min. ").append(std::to_string(bound));
    if (var.GetMax(bound))
        text.append(" max. ").append(std::to_string(bound));
    text.append("\n");
    std::string flags;
    AppendFlag(flags, var, FCVAR_GAMEDLL, "game");
    AppendFlag(flags, var, FCVAR_NOTIFY, "notify");
    AppendFlag(flags, var, FCVAR_REPLICATED, "replicated");
    AppendFlag(flags, var, FCVAR_CHEAT, "cheat");
    AppendFlag(flags, var, FCVAR_PROTECTED, "protected");
    if (!flags.empty())
        text.append(flags).append("\n");
    if (*var.GetHelpText())
        text.append(" - ").append(var.GetHelpText()).append("\n");
    Msg("%s", text.c_str());
}

const std::string* CommandDispatcher::FindAlias(const std::string& name) const {
    for (const auto& [aliasName, value] : m_aliases)
        if (strcasecmp(aliasName.c_str(), name.c_str()) == 0)
            return &value;
    return nullptr;
}

bool CommandDispatcher::DefineAlias(const std::string& name, const std::string& value) {
    if (name.size() >= kMaxAliasName) {
        Msg("Alias name is too long\n");
        return false;
    }
    for (auto& [aliasName, aliasValue] : m_aliases) {
        if (strcasecmp(aliasName.c_str(), name.c_str()) == 0) {
            aliasValue = value;
            return true;
        }
    }
    if (const ConCommandBase* existing = m_cvar.FindCommandBase(name.c_str())) {
        Msg("Cannot alias an existing %s\n", existing->IsCommand() ? "concommand" : "convar");
        return false;
    }
    m_aliases.emplace_back(name, value);
    return true;
}

}  // namespace sim

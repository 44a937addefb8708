#include "engine/ServerCommands.h"

#include <strings.h>
#include <tier0/dbg.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/Server.h"

namespace sim {

namespace {

constexpr int kToggle = 0;
constexpr int kPauseOnly = 1;
constexpr int kUnpauseOnly = 2;

bool IsPlainConfigName(const std::string& name) {
    return !name.empty() && name[0] != '/' && name.find("..") == std::string::npos &&
           name.find(':') == std::string::npos;
}

std::string Format(const char* format, ...) FMTFUNCTION(1, 2);
std::string Format(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

std::string Duration(float seconds) {
    const int whole = static_cast<int>(seconds);
    return Format("%02d:%02d", whole / 60, whole % 60);
}

}  // namespace

ServerCommands::ServerCommands(Server& server) : m_server(server), m_objects(server.Cvar()) {
    auto bind = [this](void (ServerCommands::*method)(const CCommand&)) {
        return [this, method](const CCommand& args) { (this->*method)(args); };
    };
    m_objects.AddCommand("map", "Start playing on specified map.", 0, bind(&ServerCommands::Map));
    m_objects.AddCommand("changelevel", "Change server to the specified map", 0,
                         bind(&ServerCommands::ChangeLevel));
    m_objects.AddCommand("exec", "Execute script file.", 0, bind(&ServerCommands::Exec));
    m_objects.AddCommand("alias", "Alias a command.", 0, bind(&ServerCommands::Alias));
    m_objects.AddCommand("echo", "Echo text to console.", 0, [this](const CCommand& args) {
        m_server.Reply(std::string(args.ArgS()) + "\n");
    });
    m_objects.AddCommand("status", "Display map and connection status.", 0,
                         bind(&ServerCommands::Status));
    m_objects.AddCommand("pause", "Toggle the server pause state.", 0,
                         [this](const CCommand& args) { Pause(args, kToggle); });
    m_objects.AddCommand("setpause", "Set the pause state of the server.", 0,
                         [this](const CCommand& args) { Pause(args, kPauseOnly); });
    m_objects.AddCommand("unpause", "Unpause the game.", 0,
                         [this](const CCommand& args) { Pause(args, kUnpauseOnly); });
    m_objects.AddCommand("sv_pure", "Show user data.", 0, bind(&ServerCommands::Pure));
    m_objects.AddCommand("tv_record", "Starts SourceTV demo recording.", 0,
                         [this](const CCommand& args) {
                             if (args.ArgC() < 2)
                                 Msg("tv_record <filename>\n");
                             else
                                 m_server.TV().Record(args[1]);
                         });
    m_objects.AddCommand("tv_stoprecord", "Stops SourceTV demo recording.", 0,
                         [this](const CCommand&) { m_server.TV().StopRecord(); });
    m_objects.AddCommand("maxplayers",
                         "Change the maximum number of players allowed on this server.", 0,
                         bind(&ServerCommands::MaxPlayers));
    m_objects.AddCommand("cvarlist", "Show the list of convars/concommands.", 0,
                         bind(&ServerCommands::CvarList));
    m_objects.AddCommand("quit", "Exit the engine.", 0,
                         [this](const CCommand&) { m_server.RequestQuit(); });
    m_objects.AddCommand("exit", "Exit the engine.", 0,
                         [this](const CCommand&) { m_server.RequestQuit(); });
}

void ServerCommands::Map(const CCommand& args) {
    if (args.ArgC() < 2) {
        Msg("Usage:  map <mapname>\n");
        return;
    }
    if (!m_server.RequestLevelChange(args[1]))
        Msg("map load failed: %s not found or invalid\n", args[1]);
}

void ServerCommands::ChangeLevel(const CCommand& args) {
    if (args.ArgC() < 2) {
        Msg("changelevel <levelname> : continue game on a new level\n");
        return;
    }
    if (!m_server.IsLevelRunning()) {
        Msg("Can't changelevel, not running server\n");
        return;
    }
    if (!m_server.RequestLevelChange(args[1]))
        Msg("changelevel failed: %s not found\n", args[1]);
}

void ServerCommands::Exec(const CCommand& args) {
    if (args.ArgC() < 2) {
        Msg("exec <filename>: execute a script file\n");
        return;
    }
    std::string name = args[1];
    if (!IsPlainConfigName(name)) {
        Msg("exec %s: invalid path.\n", name.c_str());
        return;
    }
    if (name.find('.') == std::string::npos)
        name += ".cfg";
    std::string contents;
    if (!m_server.Files().ReadFile(("cfg/" + name).c_str(), "GAME", contents)) {
        Msg("'%s' not present; not executing.\n", name.c_str());
        return;
    }
    m_server.Buffer().InsertText(contents);
}

void ServerCommands::Alias(const CCommand& args) {
    CommandDispatcher& commands = m_server.Commands();
    if (args.ArgC() == 1) {
        Msg("Current alias commands:\n");
        for (const auto& [name, value] : commands.Aliases())
            Msg("%s : %s\n", name.c_str(), value.c_str());
        return;
    }
    if (args.ArgC() == 2) {
        if (const std::string* value = commands.FindAlias(args[1]))
            Msg("%s : %s\n", args[1], value->c_str());
        return;
    }
    std::string value;
    for (int i = 2; i < args.ArgC(); ++i) {
        if (!value.empty())
            value += ' ';
        value += args[i];
    }
    commands.DefineAlias(args[1], value);
}

void ServerCommands::Status(const CCommand&) {
    const ConVar* hostname = m_server.FindVar("hostname");
    std::string text;
    text += Format("hostname: %s\n", hostname ? hostname->GetString() : "");
    text += Format("version : 1.0.0.34/7 5135 %s\n", m_server.IsSecure() ? "secure" : "insecure");
    text += Format("udp/ip  :  127.0.0.1:%d\n", m_server.Net().Port());
    if (m_server.IsLevelRunning())
        text += Format("map     :  %s at: 0 x, 0 y, 0 z\n", m_server.MapName().c_str());
    const auto clients = m_server.Clients().Connected();
    text += Format("players :  %zu (%d max)\n\n", clients.size(), m_server.MaxClients());
    text += "# userid name                uniqueid            connected ping loss state  adr\n";
    for (Client* client : clients) {
        const std::string name = "\"" + client->Name() + "\"";
        if (client->IsFake()) {
            text += Format("#%7d %-19s %-19s %s\n", client->UserId(), name.c_str(),
                           client->NetworkId(), "active");
            continue;
        }
        text +=
            Format("#%7d %-19s %-19s %9s %4d %4d %-6s %s\n", client->UserId(), name.c_str(),
                   client->NetworkId(), Duration(client->Channel()->GetTimeConnected()).c_str(), 25,
                   0, client->IsActive() ? "active" : "spawning", client->Address().c_str());
    }
    m_server.Reply(text);
}

void ServerCommands::Pause(const CCommand&, int mode) {
    const ConVar* pausable = m_server.FindVar("sv_pausable");
    if (!pausable || !pausable->GetBool()) {
        m_server.Reply("Pause not allowed.\n");
        return;
    }
    const bool paused = mode == kToggle ? !m_server.IsPaused() : mode == kPauseOnly;
    m_server.SetPaused(paused, m_server.CommandIssuer());
}

void ServerCommands::Pure(const CCommand& args) {
    if (args.ArgC() < 2) {
        Msg("Current sv_pure value is %d.\n", m_server.PureLevel());
        if (m_server.PendingPure() != m_server.PureLevel())
            Msg("It will be %d after the next map change.\n", m_server.PendingPure());
        return;
    }
    const std::string value = args[1];
    if (value != "0" && value != "1" && value != "2") {
        Msg("sv_pure: Only values 0, 1, and 2 are allowed.\n");
        return;
    }
    m_server.SetPendingPure(value[0] - '0');
    Msg("sv_pure set to %s.\nNote: Changes to sv_pure take effect when the server restarts a "
        "map.\n",
        value.c_str());
}

void ServerCommands::MaxPlayers(const CCommand& args) {
    if (args.ArgC() < 2) {
        Msg("\"maxplayers\" is \"%d\"\n", m_server.MaxClients());
        return;
    }
    if (!m_server.SetMaxClients(std::atoi(args[1])))
        Msg("Cannot change maxplayers while the server is running\n");
}

void ServerCommands::CvarList(const CCommand& args) {
    const char* prefix = args.ArgC() > 1 ? args[1] : "";
    int count = 0;
    for (ConCommandBase* base = m_server.Cvar().GetCommands(); base; base = base->GetNext()) {
        if (strncasecmp(base->GetName(), prefix, std::strlen(prefix)) != 0)
            continue;
        ++count;
        if (base->IsCommand())
            Msg("%-40s : cmd : %s\n", base->GetName(), base->GetHelpText());
        else
            Msg("%-40s : %-8s : %s\n", base->GetName(), static_cast<ConVar*>(base)->GetString(),
                base->GetHelpText());
    }
    Msg("--------------\n%d total convars/concommands\n", count);
}

}  // namespace sim

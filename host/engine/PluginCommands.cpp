#include "engine/PluginCommands.h"

#include <tier0/dbg.h>

#include "engine/CommandArgs.h"
#include "engine/Server.h"

namespace sim {

PluginCommands::PluginCommands(Server& server) : m_server(server), m_objects(server.Cvar()) {
    m_objects.AddCommand("plugin_load", "plugin_load <filename> : loads a plugin", 0,
                         [this](const CCommand& args) {
                             if (args.ArgC() < 2) {
                                 Msg("plugin_load <filename>\n");
                                 return;
                             }
                             if (m_server.LoadPlugin(args[1]) < 0)
                                 Warning("Unable to load plugin \"%s\"\n", args[1]);
                             else
                                 Msg("Loaded plugin \"%s\"\n", args[1]);
                         });
    m_objects.AddCommand("plugin_unload", "plugin_unload <index> : unloads a plugin", 0,
                         [this](const CCommand& args) {
                             OnIndex(args, "unload", "Unloaded", &PluginCommands::Unload);
                         });
    m_objects.AddCommand(
        "plugin_pause", "plugin_pause <index> : pauses a loaded plugin", 0,
        [this](const CCommand& args) { OnIndex(args, "pause", "Paused", &PluginCommands::Pause); });
    m_objects.AddCommand("plugin_unpause", "plugin_unpause <index> : unpauses a disabled plugin", 0,
                         [this](const CCommand& args) {
                             OnIndex(args, "unpause", "Unpaused", &PluginCommands::UnPause);
                         });
    m_objects.AddCommand("plugin_pause_all", "pauses all loaded plugins", 0,
                         [this](const CCommand&) {
                             for (int i = 0; i < m_server.Plugins().Count(); ++i)
                                 Pause(i);
                         });
    m_objects.AddCommand("plugin_unpause_all", "unpauses all disabled plugins", 0,
                         [this](const CCommand&) {
                             for (int i = 0; i < m_server.Plugins().Count(); ++i)
                                 UnPause(i);
                         });
    m_objects.AddCommand("plugin_print", "Prints details about loaded plugins", 0,
                         [this](const CCommand&) { m_server.Plugins().Print(); });
}

void PluginCommands::OnIndex(const CCommand& args, const char* verb, const char* done,
                             bool (PluginCommands::*action)(int)) {
    if (args.ArgC() < 2) {
        Msg("Usage: plugin_%s <index>\n", verb);
        return;
    }
    int index = -1;
    if (!CommandArgs::ParseIndex(args[1], index) || !(this->*action)(index))
        Warning("Unable to %s plugin \"%s\", not found\n", verb, args[1]);
    else
        Msg("%s plugin \"%s\"\n", done, args[1]);
}

bool PluginCommands::Unload(int index) {
    return m_server.Plugins().Unload(index);
}

bool PluginCommands::Pause(int index) {
    return m_server.Plugins().Pause(index);
}

bool PluginCommands::UnPause(int index) {
    return m_server.Plugins().UnPause(index);
}

}  // namespace sim

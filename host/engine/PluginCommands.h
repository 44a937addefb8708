// plugin_load, plugin_unload, plugin_pause, plugin_unpause,
// plugin_pause_all, plugin_unpause_all and plugin_print.
#pragma once

#include "engine/ConsoleObjects.h"

namespace sim {

class Server;

class PluginCommands {
public:
    explicit PluginCommands(Server& server);

private:
    // Runs action on the plug-in the first argument indexes; prints the
    // outcome with the verb ("unload", "pause", ...).
    void OnIndex(const CCommand& args, const char* verb, const char* done,
                 bool (PluginCommands::*action)(int));
    bool Unload(int index);
    bool Pause(int index);
    bool UnPause(int index);

    Server& m_server;
    ConsoleObjects m_objects;
};

}  // namespace sim

// The engine's console commands for the level, configuration and state:
// map, changelevel, exec, alias, echo, status, pause, sv_pure, tv_record,
// tv_stoprecord, maxplayers, cvarlist, quit.
#pragma once

#include "engine/ConsoleObjects.h"

namespace sim {

class Server;

class ServerCommands {
public:
    explicit ServerCommands(Server& server);

private:
    void Map(const CCommand& args);
    void ChangeLevel(const CCommand& args);
    void Exec(const CCommand& args);
    void Alias(const CCommand& args);
    void Status(const CCommand& args);
    void Pause(const CCommand& args, int mode);
    void Pure(const CCommand& args);
    void MaxPlayers(const CCommand& args);
    void CvarList(const CCommand& args);

    Server& m_server;
    ConsoleObjects m_objects;
};

}  // namespace sim

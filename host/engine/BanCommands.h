// The engine's kick and ban commands: kickid, kick, banid, removeid, addip,
// removeip, listid, listip, writeid (cfg/banned_user.cfg) and writeip
// (cfg/banned_ip.cfg).
#pragma once

#include "engine/CommandArgs.h"
#include "engine/ConsoleObjects.h"

namespace sim {

class Server;
class Client;

class BanCommands {
public:
    explicit BanCommands(Server& server);

private:
    void KickId(const CCommand& args);
    void Kick(const CCommand& args);
    void BanId(const CCommand& args);
    void RemoveId(const CCommand& args);
    void AddIp(const CCommand& args);
    void RemoveIp(const CCommand& args);
    void ListId(const CCommand& args);
    void ListIp(const CCommand& args);
    void WriteId(const CCommand& args);
    void WriteIp(const CCommand& args);

    // The connected client a target names (bots only by user ID).
    Client* Find(const CommandTarget& target) const;
    void ReportNotFound(const CommandTarget& target) const;
    void Remove(Client& client, const std::string& reason);

    Server& m_server;
    ConsoleObjects m_objects;
};

}  // namespace sim

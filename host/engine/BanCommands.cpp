#include "engine/BanCommands.h"

#include <strings.h>
#include <tier0/dbg.h>

#include <cstdlib>

#include "engine/Server.h"
#include "engine/WallClock.h"

namespace sim {

namespace {

// Only a proper Steam ID can be banned; pending, LAN, bot and SourceTV IDs cannot.
bool IsBannableId(const std::string& id) {
    return strncasecmp(id.c_str(), "STEAM_", 6) == 0 &&
           strncasecmp(id.c_str(), "STEAM_ID_", 9) != 0;
}

std::string BanLength(double minutes) {
    if (minutes <= 0.0)
        return "permanently";
    char text[64];
    std::snprintf(text, sizeof(text), "for %.2f minutes", minutes);
    return text;
}

}  // namespace

BanCommands::BanCommands(Server& server) : m_server(server), m_objects(server.Cvar()) {
    auto bind = [this](void (BanCommands::*method)(const CCommand&)) {
        return [this, method](const CCommand& args) { (this->*method)(args); };
    };
    m_objects.AddCommand("kickid", "Kick a player by userid or uniqueid, with a message.", 0,
                         bind(&BanCommands::KickId));
    m_objects.AddCommand("kick", "Kick a player by name.", 0, bind(&BanCommands::Kick));
    m_objects.AddCommand("banid", "Add a user ID to the ban list.", 0, bind(&BanCommands::BanId));
    m_objects.AddCommand("removeid", "Remove a user ID from the ban list.", 0,
                         bind(&BanCommands::RemoveId));
    m_objects.AddCommand("addip", "Add an IP address to the ban list.", 0,
                         bind(&BanCommands::AddIp));
    m_objects.AddCommand("removeip", "Remove an IP address from the ban list.", 0,
                         bind(&BanCommands::RemoveIp));
    m_objects.AddCommand("listid", "Lists banned users.", 0, bind(&BanCommands::ListId));
    m_objects.AddCommand("listip", "List IP addresses on the ban list.", 0,
                         bind(&BanCommands::ListIp));
    m_objects.AddCommand("writeid",
                         "Writes a list of permanently-banned user IDs to banned_user.cfg.", 0,
                         bind(&BanCommands::WriteId));
    m_objects.AddCommand("writeip", "Save the ban list to banned_ip.cfg.", 0,
                         bind(&BanCommands::WriteIp));
}

Client* BanCommands::Find(const CommandTarget& target) const {
    if (target.userId >= 0)
        return m_server.Clients().FindByUserId(target.userId);
    for (Client* client : m_server.Clients().Connected())
        if (!client->IsFake() && strcasecmp(client->NetworkId(), target.networkId.c_str()) == 0)
            return client;
    return nullptr;
}

void BanCommands::ReportNotFound(const CommandTarget& target) const {
    if (target.userId >= 0)
        Msg("userid \"%d\" not found\n", target.userId);
    else
        Msg("uniqueid \"%s\" not found\n", target.networkId.c_str());
}

void BanCommands::Remove(Client& client, const std::string& reason) {
    m_server.Clients().Disconnect(client, reason, true);
}

void BanCommands::KickId(const CCommand& args) {
    if (args.ArgC() <= 1) {
        Msg("Usage:  kickid < userid | uniqueid > { message }\n");
        return;
    }
    const CommandTarget target = CommandArgs::Target(args, 1);
    Client* client = Find(target);
    if (!client) {
        ReportNotFound(target);
        return;
    }
    // The message is the rest of the line as typed, quotes and all.
    const std::string message = CommandArgs::RawRestFrom(args, target.nextArg);
    std::string reason = "Kicked by " + m_server.CommandIssuer();
    if (!message.empty())
        reason += " : " + message;
    Remove(*client, reason);
}

void BanCommands::Kick(const CCommand& args) {
    if (args.ArgC() <= 1) {
        Msg("Usage:  kick < name >\n");
        return;
    }
    const std::string name = CommandArgs::RestFrom(args, 1);
    for (Client* client : m_server.Clients().Connected()) {
        if (strcasecmp(client->Name().c_str(), name.c_str()) == 0) {
            Remove(*client, "Kicked by " + m_server.CommandIssuer());
            return;
        }
    }
    Msg("Can't kick \"%s\", name not found\n", name.c_str());
}

void BanCommands::BanId(const CCommand& args) {
    if (args.ArgC() < 3) {
        Msg("Usage:  banid <minutes> <userid | uniqueid> { kick }\n");
        return;
    }
    if (m_server.IsLan()) {
        Msg("Can't ban users on a LAN\n");
        return;
    }
    double minutes = std::atof(args[1]);
    if (minutes < 0.01)
        minutes = 0.0;
    const CommandTarget target = CommandArgs::Target(args, 2);
    Client* client = Find(target);
    if (target.userId >= 0 && !client) {
        ReportNotFound(target);
        return;
    }
    const std::string id = client ? client->NetworkId() : target.networkId;
    if (!IsBannableId(id)) {
        Msg("Can't ban users with ID \"%s\"\n", id.c_str());
        return;
    }
    m_server.Bans().BanId(id, minutes);
    Msg("Banid: \"%s<%s><%s><>\" was banned \"%s\" by \"%s\"\n",
        client ? client->Name().c_str() : "",
        client ? std::to_string(client->UserId()).c_str() : "", id.c_str(),
        BanLength(minutes).c_str(), m_server.CommandIssuer().c_str());
    if (client && strcasecmp(args[target.nextArg], "kick") == 0)
        Remove(*client, "Kicked and banned");
}

void BanCommands::RemoveId(const CCommand& args) {
    if (args.ArgC() < 2) {
        Msg("Usage:  removeid < userid | uniqueid >\n");
        return;
    }
    const CommandTarget target = CommandArgs::Target(args, 1);
    const Client* client = target.userId >= 0 ? Find(target) : nullptr;
    const std::string id = client ? client->NetworkId() : target.networkId;
    if (m_server.Bans().RemoveId(id))
        Msg("removeid: filter removed for %s\n", id.c_str());
    else
        Msg("removeid: couldn't find %s\n", id.empty() ? args[1] : id.c_str());
}

void BanCommands::AddIp(const CCommand& args) {
    if (args.ArgC() != 3) {
        Msg("Usage: addip <minutes> <ipaddress>\nuse 0 minutes for permanent\n");
        return;
    }
    double minutes = std::atof(args[1]);
    if (minutes < 0.01)
        minutes = 0.0;
    const std::string ip = args[2];
    if (!BanList::IsValidIp(ip)) {
        Msg("Invalid IP address!\n");
        return;
    }
    m_server.Bans().BanIp(ip, minutes);
    Msg("Addip: \"<><><>\" was banned by IP \"%s\" by \"%s\" (IP \"%s\")\n",
        BanLength(minutes).c_str(), m_server.CommandIssuer().c_str(), ip.c_str());
    for (Client* client : m_server.Clients().ConnectedHumans())
        if (client->Ip() == ip)
            Remove(*client, "Added to banned list");
}

void BanCommands::RemoveIp(const CCommand& args) {
    if (args.ArgC() != 2) {
        Msg("Usage: removeip <ipaddress>\n");
        return;
    }
    if (m_server.Bans().RemoveIp(args[1]))
        Msg("removeip: filter removed for %s\n", args[1]);
    else
        Msg("removeip: couldn't find %s\n", args[1]);
}

void BanCommands::ListId(const CCommand&) {
    const auto& bans = m_server.Bans().Ids();
    Msg("ID filter list: %zu entries\n", bans.size());
    int number = 0;
    for (const BanList::Ban& ban : bans) {
        if (ban.Permanent())
            Msg("%d %s : permanent\n", ++number, ban.key.c_str());
        else
            Msg("%d %s : %.3f min\n", ++number, ban.key.c_str(),
                (ban.expires - WallClock::Now()) / 60.0);
    }
}

void BanCommands::ListIp(const CCommand&) {
    const auto& bans = m_server.Bans().Ips();
    if (bans.empty()) {
        Msg("IP filter list: empty\n");
        return;
    }
    Msg("IP filter list:\n");
    for (const BanList::Ban& ban : bans) {
        if (ban.Permanent())
            Msg("%-16s : permanent\n", ban.key.c_str());
        else
            Msg("%-16s : %.3f min\n", ban.key.c_str(), (ban.expires - WallClock::Now()) / 60.0);
    }
}

void BanCommands::WriteId(const CCommand&) {
    if (!m_server.Files().WriteFile("cfg/banned_user.cfg", "GAME",
                                    m_server.Bans().PermanentIdsText()))
        Msg("Couldn't open banned_user.cfg\n");
}

void BanCommands::WriteIp(const CCommand&) {
    if (!m_server.Files().WriteFile("cfg/banned_ip.cfg", "GAME",
                                    m_server.Bans().PermanentIpsText()))
        Msg("Couldn't open banned_ip.cfg\n");
}

}  // namespace sim

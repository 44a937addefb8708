#include "SoakLoad.h"

#include <shareddefs.h>

#include <cmath>
#include <limits>

#include "sim/ISimGame.h"

namespace soak {

namespace {

constexpr int kStormSize = 4;

const Hostility kHostileKinds[] = {
    Hostility::SpeedHack,    Hostility::NanUsercmds, Hostility::CheatCvar, Hostility::SilentCvar,
    Hostility::CommandFlood, Hostility::Name,        Hostility::Storm};

// Names that break format strings, console lines, logs and fixed buffers.
const char* const kHostileNames[] = {
    "%s%s%s%n%n",
    "x\";quit;echo \"",
    "line\nbreak\rand\ttab",
    "\x01\x02\x03\x07\x1b[31mred",
    "kickid 2;banid 0 STEAM_0:0:1;writeid",
    "ååååååååååååååååååååååååååååååååå\xff\xfe",
    "//comment ; alias quit echo",
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA",
};

// Kinds the plug-in removes: a client still there long after is stuck.
bool ExpectRemoval(Hostility hostility) {
    return hostility == Hostility::SpeedHack || hostility == Hostility::NanUsercmds ||
           hostility == Hostility::CheatCvar || hostility == Hostility::SilentCvar;
}

}  // namespace

const char* NameOf(Hostility hostility) {
    switch (hostility) {
        case Hostility::None:
            return "honest";
        case Hostility::SpeedHack:
            return "speed hack";
        case Hostility::NanUsercmds:
            return "NaN usercmds";
        case Hostility::CheatCvar:
            return "cheat cvar answers";
        case Hostility::SilentCvar:
            return "silent cvar answers";
        case Hostility::CommandFlood:
            return "command flood";
        case Hostility::Name:
            return "hostile name";
        case Hostility::Storm:
            return "reconnect storm";
    }
    return "?";
}

SoakLoad::SoakLoad(sim::Server& server, int hostile) : m_server(server), m_random(1) {
    const int honest = kSlots - kBots - hostile;
    for (int i = 0; i < honest; ++i) {
        Player player;
        player.client = &ConnectHuman("player" + std::to_string(i), Hostility::None);
        m_players.push_back(player);
    }
    for (int i = 0; i < kBots; ++i) {
        Player player;
        player.client =
            &m_server.Clients().AddFakeClient("Bot" + std::to_string(i), sim::ClientKind::Bot);
        m_players.push_back(player);
    }
    for (int i = 0; i < hostile; ++i) {
        const Hostility kind = kHostileKinds[i % std::size(kHostileKinds)];
        Player player;
        player.hostility = kind;
        player.client = &ConnectHuman("hostile" + std::to_string(i), kind);
        m_players.push_back(player);
    }
    for (Player& player : m_players)
        Begin(player);
}

// The run's own time: game time starts again at every level.
double SoakLoad::Now() const {
    return m_frame * static_cast<double>(m_server.Globals().interval_per_tick);
}

sim::Client& SoakLoad::ConnectHuman(const std::string& name, Hostility hostility) {
    sim::ClientSpec spec;
    const int id = m_nextId++;
    spec.name = name;
    if (hostility == Hostility::Name)
        spec.name = kHostileNames[id % std::size(kHostileNames)];
    spec.steamId = "STEAM_0:" + std::to_string(id % 2) + ":" + std::to_string(700000 + id);
    spec.address = "10." + std::to_string(1 + id / 65000) + "." + std::to_string(id / 250 % 250) +
                   "." + std::to_string(1 + id % 250) + ":27005";
    spec.signOn = 0.5;
    spec.validateAfter = 1.0;
    ++m_connects;
    return m_server.Clients().Connect(spec);
}

// Joins a team and starts the client's behaviour once it is in the game.
void SoakLoad::Begin(Player& player) {
    player.since = Now();
    player.exposed = 0;
    sim::Client& client = *player.client;
    if (!client.IsConnected())
        return;
    switch (player.hostility) {
        case Hostility::CheatCvar:
            client.ScriptAnswer("mat_wireframe", sim::QueryScript::Intact, "1");
            client.ScriptAnswer("r_drawothermodels", sim::QueryScript::Intact, "2");
            client.ScriptAnswer("cl_leveloverview", sim::QueryScript::Intact, "3");
            break;
        case Hostility::SilentCvar:
            client.ScriptAnswer("fps_max", sim::QueryScript::Silent, "");
            client.ScriptAnswer("cl_interpolate", sim::QueryScript::Silent, "");
            client.ScriptAnswer("mat_picmip", sim::QueryScript::Silent, "");
            break;
        default:
            break;
    }
}

void SoakLoad::BeforeFrame() {
    ++m_frame;
    ISimGame* game = m_server.Game().Sim();
    for (Player& player : m_players) {
        sim::Client& client = *player.client;
        if (!client.IsActive())
            continue;
        const int index = client.EntityIndex();
        if (game->IsAlive(index))
            player.exposed += m_server.Globals().interval_per_tick;
        if (game->GetTeam(index) < TEAM_TERRORIST &&
            (m_random = m_random * 1103515245 + 12345) % 8 == 0)
            m_server.Clients().ExecuteClientLine(client,
                                                 m_random % 2 ? "jointeam 2" : "jointeam 3");
        SimUsercmd input;
        input.viewangles[1] = static_cast<float>((m_frame + index * 7) % 360);
        input.forwardmove = 250.0f;
        input.buttons = (m_frame + index) % 66 == 0 ? 2 : 0;  // a jump now and then
        switch (player.hostility) {
            case Hostility::SpeedHack:
                game->SetUsercmdRate(index, 150.0f);
                break;
            case Hostility::NanUsercmds:
                if (Now() - player.since > 3.0)
                    input.viewangles[0] = std::numeric_limits<float>::quiet_NaN();
                break;
            case Hostility::CommandFlood:
                if (m_frame % 2 == 0)
                    m_server.Clients().ExecuteClientLine(
                        client, "menuselect 1;say_team flood;menuselect 2");
                break;
            default:
                break;
        }
        if (!client.IsFake())
            game->SetUsercmdInput(index, input);
    }
    // A datagram flood: empty datagrams and print requests, as attackers send.
    if (m_udpOpen && m_frame % 5 == 0) {
        const int port = m_server.Net().Port();
        // The socket opens with the first send; a failure ends the flood.
        m_udpOpen = m_udp.Send(port, "", 20).empty() &&
                    m_udp.Send(port, std::string("\xff\xff\xff\xffl", 5), 20).empty();
        m_datagrams += 40;
    }
    if (m_frame % 66 == 0)
        ReplaceGone();
    if (m_frame % (66 * 20) == 0)
        Storm();
}

// A storm: the storm clients leave and come back with new connections.
void SoakLoad::Storm() {
    int left = kStormSize;
    for (Player& player : m_players) {
        if (player.hostility != Hostility::Storm || !player.client->IsConnected() || left-- == 0)
            continue;
        m_server.Clients().Disconnect(*player.client, "Disconnect by user.", false);
    }
}

void SoakLoad::ReplaceGone() {
    for (Player& player : m_players) {
        if (player.client->IsConnected())
            continue;
        if (player.client->WasRemovedByServer()) {
            ++m_removed[player.hostility];
            if (player.hostility == Hostility::None)
                m_honestRemoved[player.client->SteamId()] = player.client->DisconnectReason();
        }
        // What the host kept of the departed client's traffic is not needed;
        // a fresh inbox, since a cleared one keeps its capacity, and the host
        // keeps every departed client, so that the heap would grow with the
        // traffic each client saw.
        player.client->GetInbox() = sim::Inbox();
        if (player.client->IsFake()) {
            player.client = &m_server.Clients().AddFakeClient("Bot" + std::to_string(m_nextId++),
                                                              sim::ClientKind::Bot);
        } else {
            player.client = &ConnectHuman("again" + std::to_string(m_nextId), player.hostility);
        }
        ++player.generation;
        Begin(player);
    }
}

void SoakLoad::ForgetTexts() {
    m_server.Console().Clear();
    m_server.Events().ClearHistory();
    // Fresh inboxes: a cleared one keeps its capacity, a high-water mark of
    // the chat each client saw, which would count as growth of the heap.
    for (const Player& player : m_players)
        player.client->GetInbox() = sim::Inbox();
}

std::vector<std::string> SoakLoad::Overdue(double seconds) const {
    std::vector<std::string> stuck;
    for (const Player& player : m_players) {
        const bool byMovement =
            player.hostility == Hostility::SpeedHack || player.hostility == Hostility::NanUsercmds;
        const double judged = byMovement ? player.exposed : Now() - player.since;
        if (ExpectRemoval(player.hostility) && player.client->IsConnected() && judged > seconds)
            stuck.push_back(std::string(NameOf(player.hostility)) + " user " +
                            std::to_string(player.client->UserId()));
    }
    return stuck;
}

}  // namespace soak

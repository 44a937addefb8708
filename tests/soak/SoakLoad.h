// A full server's load on srcds-sim for long runs: 64 players, a third of
// them hostile. Honest humans and bots play; hostile clients speed-hack,
// send NaN usercmds, answer cvar queries with cheat values or not at all,
// flood commands, carry hostile names and reconnect in storms, and
// datagrams flood the server's port. A hostile client that the plug-in
// removes is replaced by a fresh one (new Steam ID and address), so the
// hostile third stays. Used by the soak and the whole plug-in's benchmark.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/Server.h"
#include "scenario/ScenarioUdp.h"

namespace soak {

enum class Hostility {
    None,
    SpeedHack,
    NanUsercmds,
    CheatCvar,
    SilentCvar,
    CommandFlood,
    Name,
    Storm
};

const char* NameOf(Hostility hostility);

struct Player {
    sim::Client* client = nullptr;
    Hostility hostility = Hostility::None;
    double since = 0;    // game time its hostility began (or it joined)
    double exposed = 0;  // seconds alive since then: only the living are judged by movement
    int generation = 0;
};

class SoakLoad {
public:
    // Fills the server (64 slots) with 12 bots, `hostile` hostile clients
    // (22, a third, by default) and honest humans in the other slots.
    explicit SoakLoad(sim::Server& server, int hostile = kDefaultHostile);

    static constexpr int kSlots = 64;
    static constexpr int kBots = 12;
    static constexpr int kDefaultHostile = 22;

    // Before each frame: usercmd input, floods, storms, replacements.
    void BeforeFrame();
    // Clears what the host keeps of clients' and the console's texts, so that
    // the host's own memory does not grow with the run.
    void ForgetTexts();

    // Hostile clients the plug-in is expected to remove, still connected
    // more than `seconds` after their hostility began.
    std::vector<std::string> Overdue(double seconds) const;
    // Removals by the server, by hostility.
    const std::map<Hostility, int>& Removed() const { return m_removed; }
    int Connects() const { return m_connects; }
    // Steam IDs of the honest humans the server removed, with the reason it gave.
    const std::map<std::string, std::string>& HonestRemoved() const { return m_honestRemoved; }
    int Datagrams() const { return m_datagrams; }

private:
    double Now() const;
    sim::Client& ConnectHuman(const std::string& name, Hostility hostility);
    void Begin(Player& player);
    void ReplaceGone();
    void Storm();

    sim::Server& m_server;
    sim::ScenarioUdp m_udp;
    bool m_udpOpen = true;
    std::vector<Player> m_players;
    std::map<Hostility, int> m_removed;
    std::map<std::string, std::string> m_honestRemoved;
    uint32_t m_random;
    int m_nextId = 1;
    int m_connects = 0;
    int m_datagrams = 0;
    int m_frame = 0;
};

}  // namespace soak

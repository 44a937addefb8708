// The game-side controls a scenario has over a client's player: its
// usercmds (rate, view angles, moves, buttons), its move type and place, and
// the game's actions (buying, flashes, damage, the bomb). Lines of the form
// "client NAME VERB ...", see docs/scenarios.md.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scenario/ScenarioLine.h"
#include "scenario/ScenarioWords.h"
#include "sim/ISimGame.h"

namespace sim {

class Client;
class Server;

class PlayerControls {
public:
    using ClientLookup = std::function<Client*(const std::string&)>;

    // One "client NAME VERB ..." line for a client in the server.
    struct Line {
        Server& server;
        Client& client;
        ScenarioArgs& args;
        ClientLookup findClient;
    };
    using Handler = std::string (PlayerControls::*)(Line&);
    using Verb = ScenarioVerb<Handler>;
    static const std::vector<Verb>& Verbs();

    // "" or what is wrong with the line (scenario_words::BadLine for its usage).
    std::string Run(const Verb& verb, Line& line) { return (this->*verb.handler)(line); }
    // Forgets the inputs kept for clients (the server is gone).
    void Clear() { m_inputs.clear(); }

    // "use+jump" (or "none") as IN_* bits; false for an unknown name.
    static bool ParseButtons(const std::string& text, int& buttons);
    // "walk", "noclip", "ladder", "fly", "observer" as MOVETYPE_*; -1 when unknown.
    static int MoveTypeNamed(const std::string& name);
    static const char* MoveTypeName(int moveType);

private:
    std::string Usercmds(Line& line);
    std::string Lag(Line& line);
    std::string Input(Line& line);
    std::string MoveType(Line& line);
    std::string Teleport(Line& line);
    std::string Buy(Line& line);
    std::string Flash(Line& line);
    std::string Plant(Line& line);
    std::string Hurt(Line& line);

    // What each client's usercmds carry; "input" changes only what it names.
    std::map<const Client*, SimUsercmd> m_inputs;
};

}  // namespace sim

// The game-side controls a scenario has over a client's player: its
// usercmds (rate, view angles, moves, buttons), its move type and place, and
// the game's actions (buying, flashes, damage, the bomb). Lines of the form
// "client NAME VERB ...", see docs/scenarios.md.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "scenario/ScenarioLine.h"
#include "sim/ISimGame.h"

namespace sim {

class Client;
class Server;

class PlayerControls {
public:
    using ClientLookup = std::function<Client*(const std::string&)>;

    // Runs the verb for the client: nothing when the verb is not one of
    // these controls, else "" or what is wrong with the line.
    std::optional<std::string> Run(Server& server, Client& client, const std::string& verb,
                                   ScenarioArgs& args, const ClientLookup& findClient);
    // Forgets the inputs kept for clients (the server is gone).
    void Clear() { m_inputs.clear(); }

    // "use+jump" (or "none") as IN_* bits; false for an unknown name.
    static bool ParseButtons(const std::string& text, int& buttons);
    // "walk", "noclip", "ladder", "fly", "observer" as MOVETYPE_*; -1 when unknown.
    static int MoveTypeNamed(const std::string& name);
    static const char* MoveTypeName(int moveType);

private:
    std::string Input(ISimGame& game, const Client& client, ScenarioArgs& args);
    static std::string Teleport(ISimGame& game, const Client& client, ScenarioArgs& args);
    static std::string Flash(ISimGame& game, const Client& client, ScenarioArgs& args);
    static std::string Hurt(ISimGame& game, const Client& client, ScenarioArgs& args,
                            const ClientLookup& findClient);

    // What each client's usercmds carry; "input" changes only what it names.
    std::map<const Client*, SimUsercmd> m_inputs;
};

}  // namespace sim

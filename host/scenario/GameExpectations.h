// Expectations about the game side: a client's player (usercmds, money,
// position, flashes, the bomb), what each client was sent, who hears whom,
// the map's entities, traces through the world, and the datagrams that
// reached the server's UDP socket. See docs/scenarios.md.
#pragma once

#include <optional>
#include <string>

#include "scenario/ExpectationReader.h"

struct SimPlayerState;

namespace sim {

class Client;

class GameExpectations : private ExpectationReader {
public:
    GameExpectations(ScenarioArgs& args, const ScenarioWorld& world, std::string& error)
        : ExpectationReader(args, error), m_world(world) {}

    static bool IsPlayerField(const std::string& field);

    // "expect NAME FIELD ...": a number with an optional comparison
    // (usercmds > 100), a state (alive), the move type, "sent TARGET" and
    // "hears OTHER".
    std::optional<ExpectationResult> Player(const std::string& name, Client& client,
                                            const std::string& field);
    // "expect entities model|class NAME [OP] N"
    std::optional<ExpectationResult> Entities();
    // "expect trace FROM to TO blocked|clear [mask=opaque|solid|shot]"
    std::optional<ExpectationResult> Trace();
    // "expect udp empty|game|total|type C [OP] N" and "expect udp reply "text""
    std::optional<ExpectationResult> Udp();

private:
    struct Comparison {
        std::string op = "=";
        double value = 0.0;
        bool Holds(double actual) const;
        std::string Text() const;
    };

    bool ReadComparison(Comparison& comparison);
    std::optional<ExpectationResult> Compare(const std::string& what, double actual);
    std::optional<ExpectationResult> PlayerNumber(const std::string& name,
                                                  const SimPlayerState& state,
                                                  const std::string& field);
    std::optional<ExpectationResult> Sent(const std::string& name, const Client& client);
    std::optional<ExpectationResult> Hears(const std::string& name, const Client& client);
    // A trace end: a client's eyes, or "x,y,z".
    bool ReadPoint(float point[3], int& entityIndex);
    bool PlayerState(const Client& client, SimPlayerState& state);

    const ScenarioWorld& m_world;
};

}  // namespace sim

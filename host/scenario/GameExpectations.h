// Expectations about the game side: a client's player (usercmds, money,
// position, flashes, the bomb), what each client was sent, who hears whom,
// the map's entities, traces through the world, and the datagrams that
// reached the server's UDP socket. See docs/scenarios.md.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scenario/ExpectationReader.h"
#include "scenario/ScenarioWords.h"

struct SimPlayerState;

namespace sim {

class Client;

class GameExpectations : private ExpectationReader {
public:
    GameExpectations(ScenarioArgs& args, const ScenarioWorld& world, std::string& error)
        : ExpectationReader(args, error), m_world(world) {}

    // "expect entities|trace|udp ...": the handler reads the words after the subject.
    using SubjectHandler = std::optional<ExpectationResult> (GameExpectations::*)();
    using Subject = ScenarioVerb<SubjectHandler>;
    static const std::vector<Subject>& Subjects();

    // "expect NAME FIELD ...": a number of the player with an optional
    // comparison (usercmds > 100), a state (alive), the move type, "sent
    // TARGET" and "hears OTHER".
    struct PlayerField;
    struct PlayerLine {
        const std::string& name;
        Client& client;
        const PlayerField& field;
    };
    using PlayerHandler = std::optional<ExpectationResult> (GameExpectations::*)(const PlayerLine&);
    struct PlayerField {
        const char* words;
        PlayerHandler handler;
        // The number (or state, non-zero) read from the player; null when the handler reads none.
        double (*read)(const SimPlayerState&);
        const char* usage;
        const char* about;
    };
    static const std::vector<PlayerField>& PlayerFields();

    std::optional<ExpectationResult> Run(const Subject& subject) {
        return (this->*subject.handler)();
    }
    std::optional<ExpectationResult> Run(const std::string& name, Client& client,
                                         const PlayerField& field) {
        return (this->*field.handler)(PlayerLine{name, client, field});
    }

private:
    struct Comparison {
        std::string op = "=";
        double value = 0.0;
        bool Holds(double actual) const;
        std::string Text() const;
    };

    std::optional<ExpectationResult> Entities();
    std::optional<ExpectationResult> Trace();
    std::optional<ExpectationResult> Udp();

    bool ReadComparison(Comparison& comparison);
    std::optional<ExpectationResult> Compare(const std::string& what, double actual);
    std::optional<ExpectationResult> Judge(const Comparison& comparison, const std::string& what,
                                           double actual);
    std::optional<ExpectationResult> NoPlayer(const PlayerLine& line);
    std::optional<ExpectationResult> Number(const PlayerLine& line);
    std::optional<ExpectationResult> State(const PlayerLine& line);
    std::optional<ExpectationResult> MoveType(const PlayerLine& line);
    std::optional<ExpectationResult> Sent(const PlayerLine& line);
    std::optional<ExpectationResult> Hears(const PlayerLine& line);
    std::optional<ExpectationResult> ObserverMode(const PlayerLine& line);
    std::optional<ExpectationResult> Observing(const PlayerLine& line);
    std::optional<ExpectationResult> Score();
    // A trace end: a client's eyes, or "x,y,z".
    bool ReadPoint(float point[3], int& entityIndex);
    bool PlayerState(const Client& client, SimPlayerState& state);

    const ScenarioWorld& m_world;
};

}  // namespace sim

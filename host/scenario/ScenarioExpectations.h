// The expectations of the scenario language: what a line starting with
// "expect" checks in the running server, its clients and its files.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "scenario/ScenarioLine.h"

namespace sim {

class Server;
class Client;
class GameFolder;
class ScenarioUdp;
class ScenarioProcesses;

// What expectations may look at.
struct ScenarioWorld {
    GameFolder* folder = nullptr;
    Server* server = nullptr;
    // A client by its scenario name, or null.
    std::function<Client*(const std::string&)> client;
    // The scenario's own UDP socket, once it sent something.
    ScenarioUdp* udp = nullptr;
    // The helper programs of "process start".
    ScenarioProcesses* processes = nullptr;
};

struct ExpectationResult {
    bool met = false;
    std::string expected;  // "the console to contain \"x\""
    std::string seen;      // what was there instead
};

class ScenarioExpectations {
public:
    // Checks the expectation whose words follow "expect"; nothing (and an
    // error message) when the words make no expectation.
    static std::optional<ExpectationResult> Check(ScenarioArgs& args, const ScenarioWorld& world,
                                                  std::string& error);
    // One line per expectation, with its usage, for --help.
    static void AppendHelp(std::string& help);
};

}  // namespace sim

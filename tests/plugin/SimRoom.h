// A level on srcds-sim with humans on both teams and in spectators, a bot
// and SourceTV, whose host interfaces are handed to the plug-in's code
// directly: for the plug-in's services that no host-visible feature calls
// yet. Reset on destruction.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/Server.h"
#include "scenario/GameFolder.h"

class SimRoom {
public:
    SimRoom();
    ~SimRoom();

    edict_t* EdictOf(const sim::Client* client) const;
    // Every human's entries of that kind, as "name: text", in slot order.
    std::vector<std::string> Received(sim::InboxKind kind) const;
    int Sent() const { return server->Messages().SentCount(); }

    sim::GameFolder folder;
    std::unique_ptr<sim::Server> server;
    bool started = false;
    sim::Client* alice = nullptr;  // terrorists
    sim::Client* bob = nullptr;    // terrorists
    sim::Client* carol = nullptr;  // counter-terrorists
    sim::Client* dave = nullptr;   // spectators
    sim::Client* erin = nullptr;   // spectators
    sim::Client* bot = nullptr;    // terrorists
    sim::Client* tv = nullptr;

private:
    sim::Client* Human(const std::string& name, int team);
    std::vector<sim::Client*> Humans() const { return {alice, bob, carol, dave, erin}; }
};

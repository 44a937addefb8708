// srcds-sim for a benchmark: the server on a fresh copy of the game folder,
// its clients in the game at once, and the host's interfaces handed to the
// plug-in's code directly, cleared again when it goes.
#pragma once

#include <shareddefs.h>

#include <memory>
#include <string>

#include "engine/Server.h"
#include "scenario/GameFolder.h"

class BenchServer {
public:
    // Started with that command line; `Started` tells whether it came up.
    explicit BenchServer(const std::string& commandLine);
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    // A client in the game and validated at once, put on `team` unless that
    // is TEAM_UNASSIGNED.
    sim::Client& Join(const std::string& name, int team = TEAM_UNASSIGNED);
    edict_t* EdictOf(const sim::Client& client) const;
    // The engine's and the game's interfaces, as the plug-in's load finds
    // them, go to g_host.
    void HandToPlugin();

    sim::Server* operator->() const { return server.get(); }
    bool Started() const { return started; }

private:
    sim::GameFolder folder;
    std::unique_ptr<sim::Server> server;
    bool started = false;
};

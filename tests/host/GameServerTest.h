// The fixture of the suites about the wired game (SrcdsSimGameServer...): a
// server on de_dust2 without freeze time, players on teams, and the game's
// and engine's objects as the engine and the plug-ins receive them.
#pragma once

#include <IEngineTrace.h>

#include <string>

#include "SimServerTest.h"
#include "sim/ISimGame.h"

class GameServerTest : public SimServerTest {
protected:
    static constexpr const char* kCommandLine = "-insecure +mp_freezetime 0 +map de_dust2";

    sim::Server& StartGame(const std::string& commandLine = kCommandLine) {
        return StartServer(commandLine);
    }
    ISimGame& Game() { return *server->Game().Sim(); }

    // A human who joins a team (2 terrorists, 3 counter-terrorists); before
    // the first frame of a level without freeze time he spawns at once.
    sim::Client& Player(const std::string& name, int team);
    // Both sides have players: past the "Game Commencing" round end and the
    // restart 3 s later, into a round being played.
    void Commence() { server->RunSeconds(3.1); }
    SimPlayerState State(const sim::Client& client);
    Vector Origin(const sim::Client& client);
    // What every later usercmd of the client carries.
    void Input(const sim::Client& client, float yaw, float forward, int buttons = 0);
    // The trace the engine factory hands out, as a plug-in receives it.
    IEngineTrace* FactoryTrace();
    trace_t Trace(const Vector& from, const Vector& to, unsigned int mask);
};

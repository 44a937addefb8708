// The plug-in's frame on a war-mode server with one player: with no auth
// host (the baseline), and with the player's request in flight to a league
// host on 127.0.0.1 that takes it and never answers, so that every seventh
// frame (0.1 s of game time) polls a live transfer. The wall clock is held
// still, so the transfer never times out during a run. A counting allocator
// shows what a frame allocates once the transfer is under way.
#include <benchmark/benchmark.h>
#include <edict.h>
#include <tier1/convar.h>

#include <chrono>
#include <string>

#include "BenchServer.h"
#include "CountingAllocator.h"
#include "InterleavedMain.h"
#include "TestHttpServer.h"
#include "TimeRatioReporter.h"
#include "auth/TKAuthManager.h"
#include "core/HostInterfaces.h"
#include "core/travik_plugin.h"
#include "engine/WallClock.h"

namespace {

constexpr float kTick = 0.015f;

struct Room {
    Room() : server("+map de_dust2") {
        sim::WallClock::Set(1.7e9);
        // Before any player or interface: nobody to remove, no map to reload.
        tk_warmode.SetValue(1);
        server.Join("alice");
        server.HandToPlugin();
    }
    ~Room() {
        g_travik.getAuthHostManager()->Unload();
        tk_warmode.SetValue(0);
        sim::WallClock::Clear();
    }
    void Frame() {
        g_host.globals->curtime += kTick;
        g_travik.GameFrame(true);
    }

    BenchServer server;
};

void Run(benchmark::State& state, Room& room, TKAuthManager& manager) {
    for (int i = 0; i < 70; ++i)
        room.Frame();  // warm-up: ten polls
    const long before = AllocationCount();
    long frames = 0;
    for (auto _ : state) {
        room.Frame();
        ++frames;
    }
    const long allocations = AllocationCount() - before;
    state.counters["allocs/frame"] = static_cast<double>(allocations) / frames;
    state.counters["inFlight"] =
        manager.GetCurrentAuthHost() && manager.GetCurrentAuthHost()->IsBusy() ? 1 : 0;
}

void BM_AuthFrameIdle(benchmark::State& state) {
    Room room;
    Run(state, room, *g_travik.getAuthHostManager());
}

void BM_AuthFrameInFlight(benchmark::State& state) {
    testnet::TestHttpServer league(testnet::Behaviour::Silent);
    Room room;
    TKAuthManager& manager = *g_travik.getAuthHostManager();
    // Asks every player at once: alice's request goes out.
    manager.SetAuthHost(new TKAuthHost(league.Url("/auth")));
    for (int i = 0; i < 2000 && !league.WaitForRequests(1, std::chrono::milliseconds(5)); ++i)
        room.Frame();
    if (league.Requests() != 1) {
        state.SkipWithError("the league host never got the request");
        return;
    }
    Run(state, room, manager);
}

BENCHMARK(BM_AuthFrameIdle)->Repetitions(7);
BENCHMARK(BM_AuthFrameInFlight)->Repetitions(7);

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("The plug-in's frame on a war-mode server", "BM_AuthFrameIdle",
                               {"BM_AuthFrameInFlight"});
    return RunInterleaved(argc, argv, reporter);
}

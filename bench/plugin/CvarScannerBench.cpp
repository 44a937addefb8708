// One frame of the cvar scanner with 64 players whose six queries are all
// outstanding: the worst frame it has, as every scan is looked at and every
// twelve seconds all of them are sent again. The baseline is a walk over
// the 64 slots asking the host whether each is a human player, the least
// that any per-player frame work pays. A counting allocator shows that,
// after warm-up, the scanner's frame allocates nothing.
#include <benchmark/benchmark.h>
#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <iserverplugin.h>

#include <string>

#include "BenchServer.h"
#include "CountingAllocator.h"
#include "core/HostInterfaces.h"
#include "core/travik_plugin.h"
#include "enforcement/CvarScanner.h"
#include "support/StringCrypt.h"

namespace {

// Hands out cookies and never answers; the sim's own helper would keep
// every query in a list of its own, which is the host's cost, not ours.
class SilentHelpers : public IServerPluginHelpers {
public:
    QueryCvarCookie_t StartQueryCvarValue(edict_t*, const char*) override { return ++m_Cookie; }
    void ClientCommand(edict_t*, const char*) override {}

private:
    int m_Cookie = 0;
};

struct Room {
    Room() : server("+maxplayers 64 +map de_dust2") {
        for (int i = 0; i < 64; ++i) {
            server.Join("player" + std::to_string(i));
        }
        server.HandToPlugin();
        g_host.helpers = &helpers;
        InitEnc();
        scanner.PopulateScanningList();
    }
    ~Room() { g_travik.getKickBanQueue()->Reset(); }
    // A quarter second later, as the host's clock moves between scans.
    void ScannerFrame() {
        g_host.globals->curtime += CvarScanner::kScanInterval;
        scanner.OnGameFrame();
    }

    BenchServer server;
    SilentHelpers helpers;
    CvarScanner scanner;
};

void BM_SlotWalk64(benchmark::State& state) {
    Room room;
    for (auto _ : state) {
        int humans = 0;
        for (int index = 1; index <= 64; ++index) {
            humans += Travik::IsPlayerAndConnected(g_host.engine->PEntityOfEntIndex(index)) ? 1 : 0;
        }
        benchmark::DoNotOptimize(humans);
    }
}

void BM_ScannerFrame64(benchmark::State& state) {
    Room room;
    // Warm-up: every queue fills, silence runs its course and every player
    // is queued for a kick the bench never carries out.
    for (int i = 0; i < 4 * 100; ++i) {
        room.ScannerFrame();
    }
    const long before = AllocationCount();
    long frames = 0;
    for (auto _ : state) {
        room.ScannerFrame();
        ++frames;
    }
    // Read before the counters below allocate their own entries.
    const long allocations = AllocationCount() - before;
    state.counters["allocs"] = static_cast<double>(allocations);
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["outstanding"] = static_cast<double>(room.scanner.GetScans().size());
}

BENCHMARK(BM_SlotWalk64);
BENCHMARK(BM_ScannerFrame64);

}  // namespace

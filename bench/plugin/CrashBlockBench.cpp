// A console command dispatched by a player who is in the game, plain and
// with the crash block's dispatch pre-hook on the command; the figure kept
// is the hooked dispatch's time as a ratio to the plain one of the same run.

#include <benchmark/benchmark.h>
#include <edict.h>
#include <tier1/convar.h>

#include <climits>
#include <string>
#include <vector>

#include "FakeEngine.h"
#include "InterleavedMain.h"
#include "TimeRatioReporter.h"
#include "core/HostInterfaces.h"
#include "core/travik_plugin.h"
#include "hook/Hook.h"
#include "protection/CrashBlock.h"

namespace hook = travik::hook;

namespace {

constexpr int kBatch = 256;

int g_runs = 0;

void Count(const CCommand&) {
    ++g_runs;
}

// A host with one player in the game at entity index 1, who issues the
// commands; the budget is never exceeded, so every command is counted and runs.
struct Room {
    Room() : command("bench_command", Count, "") {
        globals.framecount = 1;
        globals.curtime = 1.0f;
        g_host.engine = &engine;
        g_host.globals = &globals;
        g_travik.SetCommandClient(0);
        block.SetMaxSpamCmdsPerSec(INT_MAX);
        block.OnClientPutInServer(engine.ConnectClient(1));
        args.Tokenize("bench_command now");
    }
    ~Room() { g_host = HostInterfaces{}; }

    // A new window now and then keeps the count far from overflowing.
    void Dispatch(benchmark::State& state) {
        ConCommand* target = &command;
        for (auto _ : state) {
            benchmark::DoNotOptimize(target);
            for (int i = 0; i < kBatch; ++i) {
                target->Dispatch(args);
            }
            globals.curtime += 2.0f;
        }
        state.SetItemsProcessed(state.iterations() * kBatch);
    }

    FakeEngine engine;
    CGlobalVars globals{};
    ConCommand command;
    CCommand args;
    CrashBlock block;
};

void BM_DispatchPlain(benchmark::State& state) {
    Room room;
    room.Dispatch(state);
}

void BM_DispatchHooked(benchmark::State& state) {
    Room room;
    if (!hook::add<&ConCommand::Dispatch>(&room.command, hook::Pre, &room.block,
                                          &CrashBlock::OnConCommandDispatch)) {
        state.SkipWithError("the command could not be hooked");
        return;
    }
    const int before = g_runs;
    room.Dispatch(state);
    hook::remove<&ConCommand::Dispatch>(&room.command, hook::Pre, &room.block,
                                        &CrashBlock::OnConCommandDispatch);
    if (g_runs - before != static_cast<int>(state.iterations()) * kBatch) {
        state.SkipWithError("the hook refused commands");
    }
}

BENCHMARK(BM_DispatchPlain)->Repetitions(9);
BENCHMARK(BM_DispatchHooked)->Repetitions(9);

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("Dispatch time per command", "BM_DispatchPlain",
                               {"BM_DispatchHooked"}, kBatch);
    return RunInterleaved(argc, argv, reporter);
}

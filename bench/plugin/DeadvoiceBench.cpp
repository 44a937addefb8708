// The game's voice routing on a full server: 64 players, half of each team
// dead, every one with voice on, and the game's answer for each of the
// 64 x 64 pairs handed to the engine's SetClientListening, as the voice
// manager does on every update. The baseline is the plain call; the hooked
// sweep runs dead voice's pre-hook on every pair and recalls the pairs of a
// dead talker and his living team-mates. The figure kept is the hooked time
// as a ratio to the baseline of the same run; a counting allocator shows the
// hook allocates nothing.
#include <benchmark/benchmark.h>
#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <ivoiceserver.h>
#include <shareddefs.h>
#include <tier1/convar.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "InterleavedMain.h"
#include "core/HostInterfaces.h"
#include "engine/Server.h"
#include "fixes/deadvoice.h"
#include "scenario/GameFolder.h"

namespace {

constexpr int kPlayers = 64;

std::atomic<long> g_allocations{0};

struct Room {
    Room() : folder(SRCDS_SIM_TEMPLATE) {
        sim::ServerConfig config;
        config.gameDir = folder.GameDir();
        config.commandLine = "+maxplayers 64 +map de_dust2";
        server = std::make_unique<sim::Server>(config);
        server->Start();
        for (int i = 0; i < kPlayers; ++i) {
            sim::ClientSpec spec;
            spec.name = "player" + std::to_string(i);
            spec.signOn = 0.0;
            spec.validateAfter = 0.0;
            sim::Client& client = server->Clients().Connect(spec);
            server->Game().Sim()->SetTeam(client.EntityIndex(), i % 2 ? TEAM_CT : TEAM_TERRORIST);
        }
        server->RunFrame();
        g_host.engine = static_cast<IVEngineServer*>(
            sim::Server::EngineFactory(INTERFACEVERSION_VENGINESERVER, nullptr));
        g_host.playerInfoManager = static_cast<IPlayerInfoManager*>(
            server->Game().Factory()(INTERFACEVERSION_PLAYERINFOMANAGER, nullptr));
        g_host.globals = g_host.playerInfoManager->GetGlobalVars();
        g_host.voiceServer = &server->Voice();
        voice.Init(g_host.globals->maxClients);
        CCommand enable;
        enable.Tokenize("VModEnable 1");
        // Every fourth player of each team dies: 16 dead on each side.
        for (int index = 1; index <= kPlayers; ++index) {
            voice.ClientCommand("VModEnable", g_host.engine->PEntityOfEntIndex(index), enable);
            if ((index - 1) % 4 < 2) {
                server->Game().Sim()->Kill(index);
            }
        }
        // Two updates of the game's voice manager: its own answers.
        server->RunSeconds(0.6);
        for (int receiver = 1; receiver <= kPlayers; ++receiver) {
            for (int sender = 1; sender <= kPlayers; ++sender) {
                game[receiver - 1][sender - 1] =
                    server->Voice().GetClientListening(receiver, sender);
            }
        }
    }
    ~Room() {
        voice.Unload();
        g_host = HostInterfaces{};
    }

    bool Alive(int index) { return server->Game().Sim()->IsAlive(index); }
    bool Ready() {
        int alive = 0;
        for (int index = 1; index <= kPlayers; ++index) {
            alive += Alive(index) ? 1 : 0;
        }
        // A dead terrorist (1) and a living one (3): the game keeps him from her.
        return alive == kPlayers / 2 && !game[2][0] && game[0][2];
    }

    // One update of the routing: every pair, with the game's answer.
    int Sweep() {
        int accepted = 0;
        for (int receiver = 1; receiver <= kPlayers; ++receiver) {
            for (int sender = 1; sender <= kPlayers; ++sender) {
                accepted += g_host.voiceServer->SetClientListening(receiver, sender,
                                                                   game[receiver - 1][sender - 1])
                                ? 1
                                : 0;
            }
        }
        return accepted;
    }

    void Run(benchmark::State& state) {
        Sweep();
        const long before = g_allocations.load();
        for (auto _ : state) {
            benchmark::DoNotOptimize(Sweep());
        }
        state.counters["allocs"] = static_cast<double>(g_allocations.load() - before);
        int heard = 0;
        for (int receiver = 1; receiver <= kPlayers; ++receiver) {
            for (int sender = 1; sender <= kPlayers; ++sender) {
                heard += server->Voice().GetClientListening(receiver, sender) ? 1 : 0;
            }
        }
        state.counters["heard"] = heard;
    }

    sim::GameFolder folder;
    std::unique_ptr<sim::Server> server;
    bool game[kPlayers][kPlayers] = {};
    Deadvoice voice;
};

void BM_SetClientListening64x64Plain(benchmark::State& state) {
    Room room;
    if (!room.Ready()) {
        state.SkipWithError("no game of 64 players, half of them dead");
        return;
    }
    room.Run(state);
}

void BM_SetClientListening64x64(benchmark::State& state) {
    Room room;
    if (!room.Ready() || !room.voice.Configure()) {
        state.SkipWithError("no game of 64 players to hook");
        return;
    }
    room.Run(state);
    if (!room.server->Voice().GetClientListening(3, 1) ||
        room.server->Voice().GetClientListening(2, 1)) {
        state.SkipWithError("the hook did not let the living hear their own dead alone");
    }
}

BENCHMARK(BM_SetClientListening64x64Plain)->Repetitions(7);
BENCHMARK(BM_SetClientListening64x64)->Repetitions(7);

// Passes every run on to the console and, at the end, prints the hooked
// sweep's time as a ratio to the plain one.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times_[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const char* const baseline = "BM_SetClientListening64x64Plain";
        const char* const hooked = "BM_SetClientListening64x64";
        if (times_.count(baseline) == 0 || times_.count(hooked) == 0) {
            return;
        }
        const double plain = Median(times_[baseline]);
        const double time = Median(times_[hooked]);
        std::printf("\nOne 64 x 64 voice update, median of repetitions:\n");
        std::printf("  %-34s %10.0f ns  1.00x\n", baseline, plain);
        std::printf("  %-34s %10.0f ns  %5.2fx\n", hooked, time, time / plain);
    }

private:
    static double Median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    std::map<std::string, std::vector<double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    if (!InitInterleaved(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The counting allocator: malloc and free under the global new and delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

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

#include <string>
#include <vector>

#include "BenchServer.h"
#include "CountingAllocator.h"
#include "InterleavedMain.h"
#include "TimeRatioReporter.h"
#include "core/HostInterfaces.h"
#include "fixes/deadvoice.h"

namespace {

constexpr int kPlayers = 64;

struct Room {
    Room() : server("+maxplayers 64 +map de_dust2") {
        for (int i = 0; i < kPlayers; ++i) {
            server.Join("player" + std::to_string(i), i % 2 ? TEAM_CT : TEAM_TERRORIST);
        }
        server->RunFrame();
        server.HandToPlugin();
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
    ~Room() { voice.Unload(); }

    bool Alive(int index) { return server->Game().Sim()->IsAlive(index); }
    bool Ready() {
        if (!server.Started()) {
            return false;
        }
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
        RunCountingAllocations(state, [this] { return Sweep(); });
        int heard = 0;
        for (int receiver = 1; receiver <= kPlayers; ++receiver) {
            for (int sender = 1; sender <= kPlayers; ++sender) {
                heard += server->Voice().GetClientListening(receiver, sender) ? 1 : 0;
            }
        }
        state.counters["heard"] = heard;
    }

    BenchServer server;
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

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("One 64 x 64 voice update", "BM_SetClientListening64x64Plain",
                               {"BM_SetClientListening64x64"});
    return RunInterleaved(argc, argv, reporter);
}

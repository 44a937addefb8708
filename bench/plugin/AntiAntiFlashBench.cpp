// The game's transmit check for 64 clients on a full server of 64 armed
// players, as the engine asks it every snapshot: without the anti-flash hook
// (the baseline), with it while nobody is blinded, and with everybody
// blinded, when each client's check also takes the 63 others and their
// weapons out. The figures kept are the hooked times as ratios to the
// baseline of the same run; a counting allocator shows the hook allocates
// nothing.
#include <benchmark/benchmark.h>
#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <iservernetworkable.h>
#include <shareddefs.h>

#include <string>
#include <vector>

#include "BenchServer.h"
#include "CountingAllocator.h"
#include "InterleavedMain.h"
#include "TimeRatioReporter.h"
#include "core/HostInterfaces.h"
#include "fixes/AntiAntiFlash.h"

namespace {

constexpr int kPlayers = 64;

struct Room {
    Room() : server("+maxplayers 64 +map de_dust2") {
        for (int i = 0; i < kPlayers; ++i) {
            sim::Client& client =
                server.Join("player" + std::to_string(i), i % 2 ? TEAM_CT : TEAM_TERRORIST);
            clients.push_back(server.EdictOf(client));
        }
        server->RunFrame();
        server.HandToPlugin();
        for (int index = 0; index < MAX_EDICTS; ++index) {
            const edict_t* edict = server->Edicts().Get(index);
            if (edict && !edict->IsFree()) {
                candidates.push_back(static_cast<unsigned short>(index));
            }
        }
    }
    ~Room() { flash.Unload(); }

    bool Ready() const {
        if (!server.Started()) {
            return false;
        }
        int alive = 0;
        for (edict_t* client : clients) {
            IPlayerInfo* info = g_host.playerInfoManager->GetPlayerInfo(client);
            alive += info && !info->IsDead() ? 1 : 0;
        }
        return alive == kPlayers;
    }

    // One snapshot: every client's transmit set, built afresh.
    int Snapshot() {
        int sent = 0;
        for (edict_t* client : clients) {
            transmit.ClearAll();
            always.ClearAll();
            CCheckTransmitInfo info;
            info.m_pClientEnt = client;
            info.m_pTransmitEdict = &transmit;
            info.m_pTransmitAlways = &always;
            g_host.gameEnts->CheckTransmit(&info, candidates.data(),
                                           static_cast<int>(candidates.size()));
            sent += transmit.IsBitSet(1) ? 1 : 0;
        }
        return sent;
    }

    void Run(benchmark::State& state) {
        RunCountingAllocations(state, [this] { return Snapshot(); });
        state.counters["candidates"] = static_cast<double>(candidates.size());
        state.counters["sent"] = static_cast<double>(transmit.CountSetBits());
    }

    BenchServer server;
    std::vector<edict_t*> clients;
    std::vector<unsigned short> candidates;
    TransmitBitVec transmit;
    TransmitBitVec always;
    AntiAntiFlash flash;
};

void BM_CheckTransmit64Unhooked(benchmark::State& state) {
    Room room;
    if (!room.Ready()) {
        state.SkipWithError("not every player is in the game");
        return;
    }
    room.Run(state);
}

void Hooked(benchmark::State& state, bool blinded) {
    Room room;
    if (!room.Ready() || !room.flash.Configure()) {
        state.SkipWithError("no game with 64 players to hook");
        return;
    }
    for (edict_t* client : room.clients) {
        if (blinded) {
            room.flash.Flash(client, 10.0f, 255.0f);  // the clock stands still
        }
        if (room.flash.IsBlinded(client) != blinded) {
            state.SkipWithError("a blinding was not recorded as wanted");
            return;
        }
    }
    room.Run(state);
    // What the last client was sent shows the hook's work.
    const bool seesOthers = room.transmit.IsBitSet(1);
    if (seesOthers == blinded) {
        state.SkipWithError("the hook did not do what the blinding asks");
    }
}

void BM_CheckTransmit64NoneBlinded(benchmark::State& state) {
    Hooked(state, false);
}

void BM_CheckTransmit64AllBlinded(benchmark::State& state) {
    Hooked(state, true);
}

BENCHMARK(BM_CheckTransmit64Unhooked)->Repetitions(7);
BENCHMARK(BM_CheckTransmit64NoneBlinded)->Repetitions(7);
BENCHMARK(BM_CheckTransmit64AllBlinded)->Repetitions(7);

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("One snapshot for 64 clients", "BM_CheckTransmit64Unhooked",
                               {"BM_CheckTransmit64NoneBlinded", "BM_CheckTransmit64AllBlinded"});
    return RunInterleaved(argc, argv, reporter);
}

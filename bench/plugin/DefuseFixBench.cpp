// A counter-terrorist's use search that finds the planted bomb, as the game
// runs it for every usercmd with the use key held: the game's own search
// (the baseline), and the same search on a hooked player whose every call
// makes a fresh line-of-sight trace (game time moves past the re-check
// window between calls). The figure kept is the hooked time as a ratio to
// the baseline of the same run; a counting allocator shows the hook
// allocates nothing.
#include <benchmark/benchmark.h>
#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <iserverunknown.h>
#include <shareddefs.h>
#include <tier1/convar.h>

#include "BenchServer.h"
#include "CountingAllocator.h"
#include "InterleavedMain.h"
#include "TimeRatioReporter.h"
#include "core/HostInterfaces.h"
#include "core/travik_services.h"
#include "cstrike/BasePlayer.h"
#include "fixes/DefuseFix.h"

namespace {

// dust2's site A: the bomb west of the wall, the defuser in view of it.
constexpr float kBombSpot[3] = {540, 600, 0};
constexpr float kInView[3] = {480, 600, 0};

struct Room {
    Room() : server("-insecure +mp_freezetime 0 +map de_dust2") {
        sim::Client& planter = server.Join("planter", TEAM_TERRORIST);
        sim::Client& defuser = server.Join("defuser", TEAM_CT);
        server->RunSeconds(3.1);
        server.HandToPlugin();
        ISimGame& sim = *server->Game().Sim();
        sim.Teleport(planter.EntityIndex(), kBombSpot);
        planted = sim.PlantBomb(planter.EntityIndex());
        sim.Teleport(defuser.EntityIndex(), kInView);
        // Through the edict, as a plug-in reaches the game's entity.
        player = static_cast<CBasePlayer*>(server.EdictOf(defuser)->GetUnknown()->GetBaseEntity());
    }
    ~Room() {
        tk_beta_illegaldefusefix.SetValue(0);
        travik::getDefuseFix()->Unload();
    }

    bool Ready() const { return server.Started() && planted && player && Search() != nullptr; }

    CBaseEntity* Search() const { return player->FindUseEntity(); }

    void Run(benchmark::State& state) {
        const float start = g_host.globals->curtime;
        RunCountingAllocations(state, [this] {
            // Past the re-check window: every hooked search traces afresh.
            g_host.globals->curtime += 0.2f;
            return Search();
        });
        g_host.globals->curtime = start;
    }

    BenchServer server;
    CBasePlayer* player = nullptr;
    bool planted = false;
};

void BM_FindUseEntityPlain(benchmark::State& state) {
    Room room;
    if (!room.Ready()) {
        state.SkipWithError("no bomb within the defuser's reach");
        return;
    }
    room.Run(state);
}

void BM_FindUseEntityHooked(benchmark::State& state) {
    Room room;
    tk_beta_illegaldefusefix.SetValue(1);
    const int slot = room.player->entindex() - 1;
    if (!room.Ready() || !travik::getDefuseFix()->State(slot).hooked) {
        state.SkipWithError("the defuser was not hooked");
        return;
    }
    room.Run(state);
    const DefuseFix::DefuseState& verdict = travik::getDefuseFix()->State(slot);
    if (!verdict.allowed || verdict.lastCheckTime == 0.0f) {
        state.SkipWithError("the hook did not trace and allow");
    }
}

BENCHMARK(BM_FindUseEntityPlain)->Repetitions(7);
BENCHMARK(BM_FindUseEntityHooked)->Repetitions(7);

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("One use search that finds the bomb", "BM_FindUseEntityPlain",
                               {"BM_FindUseEntityHooked"});
    return RunInterleaved(argc, argv, reporter);
}

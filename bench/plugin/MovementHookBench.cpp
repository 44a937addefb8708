// One usercmd of a running player through the game's movement, as the game
// runs it: without the movement hook (the baseline) and with it, the speed,
// view-angle and tagging checks all on, at one usercmd per tick of game
// time so that windows close and angle checks run as on a server. The
// figures kept are the hooked time as a ratio to the plain one of the same
// run and the nanoseconds the hook adds; a counting allocator shows that the
// hook allocates nothing.
#include <benchmark/benchmark.h>
#include <edict.h>
#include <eiface.h>
#include <igamemovement.h>
#include <iplayerinfo.h>
#include <shareddefs.h>

#include "BenchServer.h"
#include "CountingAllocator.h"
#include "InterleavedMain.h"
#include "TimeRatioReporter.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/travik_services.h"
#include "fixes/MovementHook.h"

namespace {

constexpr int kBatch = 256;
constexpr float kTick = 0.015f;
// Game time goes back to here before float steps grow coarse.
constexpr float kClockStart = 100.0f;
constexpr float kClockEnd = 5000.0f;

struct Room {
    Room() : server("-insecure +mp_freezetime 0 +map de_dust2") {
        edict = server.EdictOf(server.Join("runner", TEAM_TERRORIST));
        server->RunFrame();
        server.HandToPlugin();
        player = reinterpret_cast<CBasePlayer*>(g_host.gameEnts->EdictToBaseEntity(edict));
        move.m_flMaxSpeed = 250.0f;
        move.m_flForwardMove = 400.0f;
        g_host.globals->curtime = kClockStart;
    }
    ~Room() { travik::getMovementHook()->Unload(); }

    bool Ready() const {
        IPlayerInfo* info = edict ? g_host.playerInfoManager->GetPlayerInfo(edict) : nullptr;
        return server.Started() && player && g_host.gameMovement && info && !info->IsDead() &&
               travik::getInternalVarAccessor()->Init();
    }

    // A batch of usercmds, one a tick; the player runs in place.
    float Batch() {
        for (int i = 0; i < kBatch; ++i) {
            move.m_vecVelocity = Vector(250.0f, 0.0f, 0.0f);
            move.SetAbsOrigin(Vector());
            g_host.gameMovement->ProcessMovement(player, &move);
            g_host.globals->curtime += kTick;
        }
        if (g_host.globals->curtime > kClockEnd) {
            g_host.globals->curtime = kClockStart;
            travik::getMovementHook()->InitialiseMovementStateAllClients();
        }
        return move.m_vecVelocity.x;
    }

    void Run(benchmark::State& state) {
        RunCountingAllocations(state, [this] { return Batch(); });
        state.SetItemsProcessed(state.iterations() * kBatch);
    }

    BenchServer server;
    edict_t* edict = nullptr;
    CBasePlayer* player = nullptr;
    CMoveData move;
};

void BM_ProcessMovementPlain(benchmark::State& state) {
    Room room;
    travik::getMovementHook()->Unload();
    if (!room.Ready()) {
        state.SkipWithError("no running player");
        return;
    }
    room.Run(state);
}

void BM_ProcessMovementHooked(benchmark::State& state) {
    Room room;
    // The variables' callbacks install the plug-in's own hook.
    tk_antispeedhack.SetValue(1);
    tk_checkviewangles.SetValue(1);
    tk_beta_tagging.SetValue(1);
    MovementHook* hook = travik::getMovementHook();
    hook->ConfigureHook();
    if (!room.Ready() || !hook->IsHooked()) {
        state.SkipWithError("the game's movement could not be hooked");
        return;
    }
    room.Run(state);
    // An honest runner is never slowed: the checks ran and let him be.
    if (room.move.m_vecVelocity.x < 249.0f) {
        state.SkipWithError("the hook slowed an honest runner");
    }
}

BENCHMARK(BM_ProcessMovementPlain)->Repetitions(9);
BENCHMARK(BM_ProcessMovementHooked)->Repetitions(9);

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("One usercmd through the game's movement", "BM_ProcessMovementPlain",
                               {"BM_ProcessMovementHooked"}, kBatch);
    return RunInterleaved(argc, argv, reporter);
}

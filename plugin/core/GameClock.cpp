#include "core/GameClock.h"

#include <edict.h>

#include "core/HostInterfaces.h"

float GameClock::Now() {
    return g_host.globals ? g_host.globals->curtime : 0.0f;
}

float GameClock::RealTime() {
    return g_host.globals ? g_host.globals->realtime : 0.0f;
}

bool GameClock::BeforeFirstFrame() {
    const CGlobalVars* globals = g_host.globals;
    return !globals || (globals->curtime <= 0.0f && globals->framecount < 1);
}

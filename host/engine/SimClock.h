// The server's deterministic clock: frames and ticks of the global
// variables, advanced only when the host runs a frame, never by the wall.
#pragma once

#include <edict.h>

namespace sim {

class SimClock {
public:
    explicit SimClock(CGlobalVars& globals) : m_globals(globals) {}

    void SetTickInterval(float interval);
    float TickInterval() const { return m_globals.interval_per_tick; }

    // A new level starts its game time and tick count from zero; the frame
    // count goes on (a plug-in loaded after the first frame can tell).
    void StartLevel();
    // One host frame: the frame count always moves; game time only while
    // the server simulates (a map runs and the game is not paused).
    void RunFrame(bool simulating);

    // Whole ticks that cover the seconds (at least one for a positive time).
    int TicksFor(double seconds) const;

    int FrameCount() const { return m_globals.framecount; }
    int TickCount() const { return m_globals.tickcount; }
    float CurTime() const { return m_globals.curtime; }

private:
    CGlobalVars& m_globals;
};

}  // namespace sim

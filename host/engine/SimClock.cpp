#include "engine/SimClock.h"

#include <cmath>

#include "engine/WallClock.h"

namespace sim {

void SimClock::SetTickInterval(float interval) {
    if (interval > 0.0f)
        m_globals.interval_per_tick = interval;
}

void SimClock::StartLevel() {
    m_globals.tickcount = 0;
    m_globals.curtime = 0.0f;
    m_globals.frametime = 0.0f;
}

void SimClock::RunFrame(bool simulating) {
    const float interval = m_globals.interval_per_tick;
    ++m_globals.framecount;
    m_globals.realtime += interval;
    m_globals.absoluteframetime = interval;
    if (simulating) {
        ++m_globals.tickcount;
        // Computed from the tick count, so time never drifts by summing floats.
        m_globals.curtime = static_cast<float>(m_globals.tickcount * static_cast<double>(interval));
        m_globals.frametime = interval;
        m_globals.simTicksThisFrame = 1;
    } else {
        m_globals.frametime = 0.0f;
        m_globals.simTicksThisFrame = 0;
    }
    WallClock::Advance(interval);
}

int SimClock::TicksFor(double seconds) const {
    if (seconds <= 0.0)
        return 0;
    const double ticks = seconds / m_globals.interval_per_tick;
    // Absorb the float error of intervals like 0.015 or 0.01 before rounding up.
    return static_cast<int>(std::ceil(ticks - 1e-4));
}

}  // namespace sim

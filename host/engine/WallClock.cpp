#include "engine/WallClock.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace sim {

namespace {

bool s_fake = false;
double s_fakeNow = 0.0;

// The operating system's clock, never through the interposed functions.
double RealNow() {
    struct timespec ts {};
    syscall(SYS_clock_gettime, CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

void WallClock::Set(double epochSeconds) {
    s_fake = true;
    s_fakeNow = epochSeconds;
}

void WallClock::Clear() {
    s_fake = false;
}

bool WallClock::IsFake() {
    return s_fake;
}

void WallClock::Advance(double seconds) {
    if (s_fake)
        s_fakeNow += seconds;
}

double WallClock::FakeNow() {
    return s_fakeNow;
}

double WallClock::Now() {
    return s_fake ? s_fakeNow : RealNow();
}

}  // namespace sim

// The process's wall-clock entry points, answering the sim's clock while a
// fake time is set (see WallClock.h). Linked into the executable and the
// test programs only, and exported from them by wallclock.dynlist.
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <cmath>
#include <ctime>

#include "engine/WallClock.h"

namespace {

void FakeTimespec(struct timespec* ts) {
    const double now = sim::WallClock::FakeNow();
    const double whole = std::floor(now);
    ts->tv_sec = static_cast<time_t>(whole);
    ts->tv_nsec = static_cast<long>((now - whole) * 1e9);
}

}  // namespace

extern "C" {

int clock_gettime(clockid_t clock, struct timespec* ts) noexcept {
    if (clock == CLOCK_REALTIME && sim::WallClock::IsFake()) {
        FakeTimespec(ts);
        return 0;
    }
    return static_cast<int>(syscall(SYS_clock_gettime, clock, ts));
}

time_t time(time_t* out) noexcept {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (out)
        *out = ts.tv_sec;
    return ts.tv_sec;
}

int gettimeofday(struct timeval* __restrict tv, void* __restrict) noexcept {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    tv->tv_sec = ts.tv_sec;
    tv->tv_usec = static_cast<suseconds_t>(ts.tv_nsec / 1000);
    return 0;
}

}  // extern "C"

#include "engine/WallClock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace sim {

namespace {

bool s_fake = false;
double s_fakeNow = 0.0;

// The operating system's clock, never through the interposed functions.
#ifdef _WIN32
double RealNow() {
    // Reached through GetProcAddress, never through an import table the
    // sim has pointed elsewhere.
    using Query = void(WINAPI*)(FILETIME*);
    static const Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimeAsFileTime")));
    FILETIME now{};
    query(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    // 100-ns ticks since 1601-01-01.
    return static_cast<double>(ticks) / 1e7 - 11644473600.0;
}
#else
double RealNow() {
    struct timespec ts {};
    syscall(SYS_clock_gettime, CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}
#endif

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

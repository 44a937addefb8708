// The injectable wall clock. While a fake time is set, time(),
// gettimeofday() and clock_gettime(CLOCK_REALTIME) of the whole process
// (the host and every module it loaded) answer it, and it moves on with
// each simulated frame; otherwise they answer the operating system's time.
//
// Mechanism on Linux: the executable and the test programs define those
// three functions (WallClockInterpose.cpp) and export them
// (wallclock.dynlist), so a dlopen'ed module's calls bind to them before the
// C library's. Local time is the C library's localtime() of that time, under
// TZ (scenarios use UTC).
//
// On Windows a DLL binds its imports to the system's DLLs itself, so there
// is nothing to interpose: instead the import table of every module the sim
// loads (and of the executable, tier0 and vstdlib) is pointed at the sim's
// versions of the C library's time(), _time32(), _time64() and _ftime*(),
// and of kernel32's GetSystemTimeAsFileTime() and
// GetSystemTimePreciseAsFileTime() (WallClockWindows.cpp); GetProcAddress
// answers them too, for a module that looks them up at run time.
#pragma once

#include <ctime>

namespace sim {

class WallClock {
public:
    // Fakes the wall clock from this moment (seconds since the epoch, UTC).
    static void Set(double epochSeconds);
    // Back to the operating system's clock.
    static void Clear();
    static bool IsFake();
    // Moves a fake clock on; nothing for the real one.
    static void Advance(double seconds);
    // The fake time; meaningful only while IsFake().
    static double FakeNow();
    // The current wall time, fake or real.
    static double Now();
#ifdef _WIN32
    // Points the module's imports of the wall-clock functions at the sim's.
    static void AttachModule(void* module);
#endif
};

}  // namespace sim

// The simulated clock: ticks, frames and game time without sleeping, tick
// rates from the command line, and the injectable wall clock that modules
// see through time().
#include <ctime>

#include "SimServerTest.h"
#include "engine/Platform.h"
#include "engine/WallClock.h"

namespace {

class SrcdsSimClock : public SimServerTest {};

TEST_F(SrcdsSimClock, FramesAdvanceTicksAndGameTimeByTheInterval) {
    StartServer("+map de_dust2");
    const CGlobalVars& globals = server->Globals();
    EXPECT_EQ(globals.interval_per_tick, 0.015f);
    EXPECT_EQ(globals.framecount, 0);
    server->RunTicks(200);
    EXPECT_EQ(globals.framecount, 200);
    EXPECT_EQ(globals.tickcount, 200);
    EXPECT_FLOAT_EQ(globals.curtime, 3.0f) << "no drift from summing 0.015";
    server->RunSeconds(1.0);
    EXPECT_EQ(globals.tickcount, 267) << "1 s is 66.67 ticks, so 67";
}

TEST_F(SrcdsSimClock, TheTickRateComesFromTheCommandLine) {
    StartServer("-tickrate 100 +map de_dust2");
    EXPECT_FLOAT_EQ(server->Globals().interval_per_tick, 0.01f);
    EXPECT_FLOAT_EQ(server->Game().Dll()->GetTickInterval(), 0.01f);
    server->RunSeconds(0.5);
    EXPECT_EQ(server->Globals().tickcount, 50);
    server.reset();
    StartServer("-tickrate 66 +map de_dust2");
    EXPECT_EQ(static_cast<int>(1.0f / server->Globals().interval_per_tick), 66);
    server.reset();
    StartServer("-tickrate 5000 +map de_dust2");
    EXPECT_EQ(server->Globals().interval_per_tick, 0.015f) << "an impossible rate is ignored";
}

TEST_F(SrcdsSimClock, WithoutALevelFramesRunButGameTimeStands) {
    StartServer("");
    server->RunTicks(5);
    EXPECT_EQ(server->Globals().framecount, 5);
    EXPECT_EQ(server->Globals().curtime, 0.0f);
    Console("map de_inferno");
    server->RunFrame();
    EXPECT_EQ(server->MapName(), "de_inferno");
    EXPECT_EQ(server->Globals().tickcount, 1);
}

TEST_F(SrcdsSimClock, GameFrameSaysWhetherTheServerSimulates) {
    InstallTestPlugin();
    StartServer("+map de_dust2");
    server->RunTicks(3);
    EXPECT_EQ(TestPlugin()->GameFrames(), 3);
    Console("sv_pausable 1");
    Console("pause");
    server->RunTicks(2);
    EXPECT_EQ(TestPlugin()->GameFrames(), 5) << "a paused server still calls GameFrame(false)";
}

TEST_F(SrcdsSimClock, AFakeWallClockMovesWithFramesAndReachesModules) {
    InstallTestPlugin();
    StartServer("+map de_dust2");
    // 7 December 2026 22:31:00 UTC.
    const double start = 1796682660.0;
    sim::WallClock::Set(start);
    EXPECT_EQ(std::time(nullptr), static_cast<time_t>(start));
    EXPECT_EQ(TestPlugin()->WallTime(), static_cast<long long>(start))
        << "a module's time() reads the sim's clock";
    server->RunSeconds(90.0);
    const time_t now = std::time(nullptr);
    EXPECT_EQ(now, static_cast<time_t>(start) + 90);
    struct tm local {};
#ifdef _WIN32
    ASSERT_EQ(localtime_s(&local, &now), 0);
#else
    ASSERT_NE(localtime_r(&now, &local), nullptr);
#endif
    EXPECT_EQ(local.tm_year - 100, 26);
    EXPECT_EQ(local.tm_mon + 1, 12);
    EXPECT_EQ(local.tm_mday, 7);
    EXPECT_EQ(local.tm_hour, 22);
    EXPECT_EQ(local.tm_min, 32);
    sim::WallClock::Set(1e9);
    EXPECT_EQ(std::time(nullptr), 1000000000);
    sim::WallClock::Clear();
    EXPECT_GT(std::time(nullptr), 1100000000) << "back on the real clock";
}

// Every way a module reads the wall clock answers the fake one: on Linux
// the executable's interposed functions, on Windows the import table the sim
// points at its own (a DLL binds its imports itself) and GetProcAddress,
// which answers the sim's functions to a module that looks them up.
TEST_F(SrcdsSimClock, EveryTimeFunctionOfAModuleReadsTheFakeClock) {
    InstallTestPlugin();
    StartServer("+map de_dust2");
    const double start = 1796682660.0;
    sim::WallClock::Set(start);
    server->RunSeconds(2.0);
    const long long expected = static_cast<long long>(start) + 2;
#ifdef _WIN32
    const char* const sources[] = {"time",
                                   "_time32",
                                   "_time64",
                                   "_ftime64",
                                   "GetSystemTimeAsFileTime",
                                   "GetSystemTime",
                                   "lookup:_time64",
                                   "lookup:GetSystemTimeAsFileTime"};
#else
    const char* const sources[] = {"time", "gettimeofday", "clock_gettime"};
#endif
    for (const char* source : sources)
        EXPECT_EQ(TestPlugin()->WallTimeBy(source), expected) << source;
    EXPECT_EQ(TestPlugin()->WallTimeBy("no such function"), -1);

    sim::WallClock::Clear();
    for (const char* source : sources)
        EXPECT_GT(TestPlugin()->WallTimeBy(source), 1100000000) << source << ": the real clock";
}

#ifdef _WIN32
// A module on the Universal CRT (a plug-in of a current Microsoft compiler
// imports _time64 from ucrtbase.dll through an API set), loaded once the sim
// runs, reads the fake clock too.
TEST_F(SrcdsSimClock, AModuleOnTheUniversalCrtLoadedLaterReadsTheFakeClock) {
    InstallTestPlugin();
    StartServer("+map de_dust2");
    std::string error;
    void* module = sim::SharedModule::Open(SIM_TEST_UCRT_MODULE, error);
    ASSERT_NE(module, nullptr) << error;
    using UcrtTime = long long(__cdecl*)();
    const auto time = reinterpret_cast<UcrtTime>(sim::SharedModule::Symbol(module, "UcrtTime"));
    ASSERT_NE(time, nullptr);
    sim::WallClock::Set(1796682660.0);
    EXPECT_EQ(time(), 1796682660);
    sim::WallClock::Clear();
    EXPECT_GT(time(), 1100000000) << "the real clock";
    sim::SharedModule::Close(module);
}
#endif

}  // namespace

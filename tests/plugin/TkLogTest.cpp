// The plug-in log as the operator finds it on disk: stamped lines in
// addons/tk_logs/travik.log, moved to a dated name at 400 KiB, never lost.
#include <filesystem>
#include <string>

#include "TravikServerTest.h"
#include "engine/WallClock.h"

namespace {

constexpr double k2231On7December2026 = 1796682660.0;  // UTC
constexpr size_t kLimit = 409599;

class TkLogFeature : public TravikServerTest {
protected:
    void SetUp() override {
        sim::WallClock::Set(k2231On7December2026);
        InstallTravik();
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        ClearConsole();
    }

    // A line the plug-in logs without echo: a war-mode change.
    void LogALine() {
        warMode = !warMode;
        Console(warMode ? "tk_warmode 1" : "tk_warmode 0");
    }

    static std::string Filler(size_t size) { return std::string(size, 'x'); }

    static constexpr const char* kLine =
        "[07/12/26-22:31] Travik: tk_warmode changed, Removing all players\n";

    bool warMode = false;
};

TEST_F(TkLogFeature, LinesCarryTheLocalTimeStamp) {
    LogALine();
    const std::string log = ReadLog("travik.log");
    EXPECT_NE(log.find(kLine), std::string::npos) << log;
}

TEST_F(TkLogFeature, AnEchoedLineReachesConsoleAndFileOnceEach) {
    Console("plugin_pause 0");
    EXPECT_EQ(ConsoleCount("Travik: Plugin PAUSED!\n"), 1);
    EXPECT_EQ(CountOf(ReadLog("travik.log"), "[07/12/26-22:31] Travik: Plugin PAUSED!\n"), 1);
}

TEST_F(TkLogFeature, ALogOfExactlyTheLimitIsAppendedTo) {
    WriteLog("travik.log", Filler(kLimit));
    LogALine();
    EXPECT_EQ(ReadLog("travik.log"), Filler(kLimit) + kLine);
    EXPECT_FALSE(LogExists("tk261207_2231.log"));
}

TEST_F(TkLogFeature, ALogOneByteOverTheLimitMovesToItsDatedName) {
    WriteLog("travik.log", Filler(kLimit + 1));
    LogALine();
    EXPECT_EQ(ReadLog("tk261207_2231.log"), Filler(kLimit + 1));
    EXPECT_EQ(ReadLog("travik.log"), kLine);
}

TEST_F(TkLogFeature, ASecondRotationInOneMinuteKeepsBothOldLogs) {
    WriteLog("tk261207_2231.log", "the first rotation\n");
    WriteLog("travik.log", Filler(kLimit + 1));
    LogALine();
    EXPECT_EQ(ReadLog("tk261207_2231.log"), "the first rotation\n");
    EXPECT_EQ(ReadLog("tk261207_2231_1.log"), Filler(kLimit + 1));
    EXPECT_EQ(ReadLog("travik.log"), kLine);

    WriteLog("travik.log", Filler(kLimit + 7));
    LogALine();
    EXPECT_EQ(ReadLog("tk261207_2231_2.log"), Filler(kLimit + 7));
    EXPECT_EQ(ReadLog("travik.log"), kLine);
}

TEST_F(TkLogFeature, ALogFolderThatCannotBeMadeSendsLinesToTheConsole) {
    std::filesystem::remove_all(LogPath(""));
    ASSERT_TRUE(folder.WriteFile("addons/tk_logs", "a file where the folder belongs"));
    LogALine();
    EXPECT_EQ(ConsoleCount("Travik: tk_warmode changed, Removing all players\n"), 1);
}

// A name is outside text: it may not start a stamped line of its own nor
// close the quotes it stands in.
TEST_F(TkLogFeature, ANameCannotForgeALineOfItsOwn) {
    const std::string loaded = "[07/12/26-22:31] [Travik] Plugin Successfully Loaded!\n";
    ASSERT_EQ(CountOf(ReadLog("travik.log"), loaded), 1);
    sim::Client& mallory = Connect("m\" x\n" + loaded + "\x1b");
    const std::string id = std::string(mallory.NetworkId()).substr(6);
    server->Clients().Disconnect(mallory, "Memory Corruption Detected", false);

    const std::string log = ReadLog("travik.log");
    EXPECT_EQ(CountOf(log, loaded), 1) << log;
    EXPECT_EQ(CountOf(log,
                      "\n[07/12/26-22:31] Player: \"m\\\" x\\n[07/12/26-22:31] [Travik] "
                      "Plugin Successfully Loaded!\\n\\x1b\" (" +
                          id + ") - was kicked for memory corruption (possible cheater)\n"),
              1)
        << log;
}

}  // namespace

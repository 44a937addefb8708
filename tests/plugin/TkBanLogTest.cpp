// The ban log as the operator finds it on disk when players are banned for a
// cheat variable: one whole line per ban whatever the player is called, and
// a line that cannot be written reaches the console instead.
#include <filesystem>
#include <string>
#include <vector>

#include "TravikServerTest.h"
#include "engine/WallClock.h"

namespace {

constexpr double k2231On7December2026 = 1796682660.0;  // UTC

class TkBanLogFeature : public TravikServerTest {
protected:
    void SetUp() override {
        sim::WallClock::Set(k2231On7December2026);
        InstallTravik();
        // One cheat variable to scan, so that a ban follows within a second.
        ASSERT_TRUE(folder.WriteFile("cfg/travik_scanlist.txt", "cheat mat_wireframe 0\n"));
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    }

    sim::Client& Cheater(const std::string& name) {
        return Connect(name,
                       [](sim::ClientSpec& spec) { spec.cvars.emplace("mat_wireframe", "1"); });
    }

    // Waits for the scan and the ban of every cheater connected.
    void LetTheScanBan(const std::vector<sim::Client*>& cheaters) {
        server->RunSeconds(3.0);
        for (const sim::Client* cheater : cheaters) {
            ASSERT_FALSE(cheater->IsConnected()) << cheater->Name().substr(0, 20);
        }
    }

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end = text.find('\n'); end != std::string::npos;
             start = end + 1, end = text.find('\n', start)) {
            lines.push_back(text.substr(start, end - start));
        }
        EXPECT_EQ(start, text.size()) << "the log ends with a whole line";
        return lines;
    }

    // What follows the player's name in his ban line.
    static std::string Tail(const sim::Client& client) {
        return " (" + client.Ip() + " / " + std::string(client.NetworkId()).substr(6) +
               ") - Reason \"[Travik] Banned for cvar violation \"mat_wireframe 1.00\"\"";
    }

    static std::string Stamp() { return "[07/12/26-22:31] "; }
};

TEST_F(TkBanLogFeature, ALongNameNeverGluesTwoBansTogether) {
    sim::Client& longName = Cheater(std::string(950, 'A'));
    sim::Client& bob = Cheater("bob");
    const std::string bobTail = Tail(bob);
    const std::string longTail = Tail(longName);
    LetTheScanBan({&longName, &bob});

    const std::vector<std::string> lines = Lines(ReadLog("tk_bans.log"));
    ASSERT_EQ(lines.size(), 2u) << ReadLog("tk_bans.log");
    std::string banOfLongName = lines[0];
    std::string banOfBob = lines[1];
    if (banOfBob.find("bob") == std::string::npos) {
        std::swap(banOfLongName, banOfBob);
    }
    EXPECT_EQ(banOfBob, Stamp() + "bob" + bobTail);
    // The name is cut, the identity and reason of the ban are kept.
    EXPECT_TRUE(banOfLongName.starts_with(Stamp() + std::string(100, 'A')));
    EXPECT_TRUE(banOfLongName.ends_with(longTail)) << banOfLongName;
}

TEST_F(TkBanLogFeature, ANameCannotForgeFieldsOrWriteControlBytes) {
    const std::string forged = "evil\" (1.2.3.4 / 0:0:1) - Reason \"x\x1b[2J\b\\";
    sim::Client& evil = Cheater(forged);
    const std::string tail = Tail(evil);
    LetTheScanBan({&evil});

    const std::string log = ReadLog("tk_bans.log");
    EXPECT_EQ(log,
              Stamp() + "evil\\\" (1.2.3.4 / 0:0:1) - Reason \\\"x\\x1b[2J\\x08\\\\" + tail + "\n");
}

// Writes are buffered, so a full disk shows only when the line goes out.
// (Linux's /dev/full is the full disk; Windows has no such device.)
#ifndef _WIN32
TEST_F(TkBanLogFeature, ABanLineThatCannotBeWrittenReachesTheConsole) {
    std::error_code error;
    std::filesystem::create_directories(LogPath(""));
    std::filesystem::create_symlink("/dev/full", LogPath("tk_bans.log"), error);
    if (error) {
        GTEST_SKIP() << "no /dev/full to fill: " << error.message();
    }
    sim::Client& bob = Cheater("bob");
    const std::string line = "bob" + Tail(bob) + "\n";
    LetTheScanBan({&bob});
    EXPECT_EQ(ConsoleCount(line), 1) << ConsoleText();
}
#endif

}  // namespace

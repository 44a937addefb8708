// An update found, downloaded, checked and installed by the built module
// with the build's own extension (travik47beta.so, travik47beta.dll), from a
// scripted update server on 127.0.0.1. The releases are RFC 8032's second and
// third examples: the files 0x72 and 0xaf 0x82 and their signatures under
// the examples' keys.
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "TestHttpServer.h"
#include "TravikServerTest.h"
#include "engine/Platform.h"
#include "engine/WallClock.h"

namespace {

const std::string kExt = sim::kModuleExtension;
constexpr const char* kKey = "PUAXw+hDiVqStwqnTRt+vJyYLM8uxJaMwM1V8Sr0Zgw=";
constexpr const char* kSignature =
    "kqAJqfDUyrhyDoILX2QlQKKye1QWUD+Ps3YiI+vbadoIWsHkPhWZbkWPNhPQ8R2MOHsurrQwKu6wDSkWErsMAA==";
constexpr const char* kRelease = "\x72";
constexpr const char* kReleaseMd5 = "4b43b0aee35624cd95b910189b3dc231";
constexpr const char* kNextKey = "/FHNjmIYoaONpH7QAjDwWAgW7RO6MwOsXeuRFUiQgCU=";
constexpr const char* kNextSignature =
    "YpHWV97sJAJIJ+acOr4BowzlSKKEdDpEXjaA19taw6wY/5tTjRbykK5n92CYTcZZSnwV6XFu0o3AJ77O6h7ECg==";
constexpr const char* kNextRelease = "\xaf\x82";
constexpr const char* kNextReleaseMd5 = "073df80250852716fd1affc6d278fd80";
// 2026-12-07 22:00:00 UTC.
constexpr double kClockStart = 1796680800.0;

class TKUpdaterDownloadFeature : public TravikServerTest {
protected:
    // Frames until done(), for at most 30 s of real time (the server answers
    // in real time); the faked wall clock stands still meanwhile.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        const double wall = sim::WallClock::FakeNow();
        while (std::chrono::steady_clock::now() < deadline) {
            server->RunFrame();
            sim::WallClock::Set(wall);
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    // A file of the game folder, a text file's line ends as on Linux.
    std::string ReadText(const std::string& path) const {
        std::ifstream in(folder.PathOf(path), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        std::string text = bytes.str();
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", at))
            text.erase(at, 1);
        return text;
    }
    bool Exists(const std::string& path) const {
        return std::filesystem::exists(folder.PathOf(path));
    }
    // Files of addons/ that a rewrite left beside the file it rewrote.
    int TemporaryFiles() const {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.PathOf("addons"))) {
            count += entry.path().extension() == ".tmp";
        }
        return count;
    }
    // The update server offers the release, the travik.cfg points at it
    // (unless the test sets tk_updateurl itself) and the examples' keys are
    // trusted.
    void OfferTheRelease(testnet::TestHttpServer& updates, bool configure = true) {
        updates.SetBodyFor("/io/update.php",
                           std::string("1,47beta,4.7Beta,") + kReleaseMd5 + "," + kSignature);
        updates.SetBodyFor("/io/download.php", kRelease);
        WriteConfig(configure ? "tk_updateurl \"" + updates.Url("") + "\"\n" : "");
        ASSERT_TRUE(folder.WriteFile(
            "cfg/travik_trustedkeys.txt",
            std::string("// RFC 8032, tests 2 and 3\n") + kKey + "\n" + kNextKey + "\n"));
    }
    // Another update server offers a later release, and tk_updateurl points
    // at it.
    void OfferTheNextRelease(testnet::TestHttpServer& updates) {
        updates.SetBodyFor("/io/update.php", std::string("1,48beta,4.8Beta,") + kNextReleaseMd5 +
                                                 "," + kNextSignature);
        updates.SetBodyFor("/io/download.php", kNextRelease);
        Console("tk_updateurl \"" + updates.Url("") + "\"");
    }
    // Runs until the update is installed or its description files are not.
    bool RunUntilInstalled() {
        return RunUntil([&] {
            return ConsoleHas("[Travik] VDF files updated following update downloaded!") ||
                   ConsoleHas("[Travik] There was an error updating the plugin vdf file") ||
                   ConsoleHas("Unable to move the download");
        });
    }
};

TEST_F(TKUpdaterDownloadFeature, AnUpdateIsCheckedAndInstalledUnderTheBuildsExtension) {
    InstallTravik();
    testnet::TestHttpServer updates(testnet::Behaviour::Answer);
    OfferTheRelease(updates);
    sim::WallClock::Set(kClockStart);
    StartServer();
    ASSERT_TRUE(RunUntil([&] {
        return ConsoleHas("[Travik] VDF files updated following update downloaded!");
    })) << ConsoleText();
    EXPECT_TRUE(ConsoleHas("[Travik] Update Successfully Downloaded\n")) << ConsoleText();
    EXPECT_EQ(Var("tk_status"), "4");
    EXPECT_EQ(ReadText("addons/travik47beta" + kExt), kRelease);
    EXPECT_EQ(ReadText("addons/travik.vdf"),
              "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik47beta\"\n}\n");
    EXPECT_EQ(ReadText("addons/travikold.txt"), "travik" + kExt);
    EXPECT_EQ(TemporaryFiles(), 0);

    // The query named the build's system; the download asked for its module.
    const std::vector<std::string> requests = updates.RequestTexts();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("GET /io/update.php?build=", 0), 0u) << requests[0];
    EXPECT_EQ(requests[1].rfind("GET /io/download.php?id=47beta&ext=" + kExt.substr(1) + " ", 0),
              0u)
        << requests[1];
}

// An earlier download of the offered version whose install did not take (the
// server went on loading travik, and the rewrite of travik.vdf ended half-way)
// is still in the folder: the new download takes its place, on Windows too,
// where the C library's rename will not replace a file.
TEST_F(TKUpdaterDownloadFeature, AModuleOfTheOfferedVersionLeftInTheFolderIsReplaced) {
    InstallTravik();
    ASSERT_TRUE(folder.WriteFile("addons/travik47beta" + kExt, "an earlier download"));
    ASSERT_TRUE(folder.WriteFile("addons/travik.vdf.tmp", "\"Plugin\"\n{\n\t\"fi"));
    testnet::TestHttpServer updates(testnet::Behaviour::Answer);
    OfferTheRelease(updates);
    sim::WallClock::Set(kClockStart);
    StartServer();
    ASSERT_TRUE(RunUntil([&] {
        return ConsoleHas("[Travik] VDF files updated following update downloaded!") ||
               ConsoleHas("Unable to move the download");
    })) << ConsoleText();
    EXPECT_FALSE(ConsoleHas("Unable to move the download")) << ConsoleText();
    EXPECT_EQ(ReadText("addons/travik47beta" + kExt), kRelease);
    EXPECT_FALSE(
        std::filesystem::exists(folder.PathOf("addons/travik47beta" + kExt + ".download")));
    EXPECT_EQ(ReadText("addons/travik.vdf"),
              "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik47beta\"\n}\n");
    EXPECT_EQ(TemporaryFiles(), 0);
}

// A second release installed before the server restarts replaces the
// description file and the old-file note the first one wrote (on Windows by
// removing them first).
TEST_F(TKUpdaterDownloadFeature, ASecondUpdateInTheSameRunReplacesWhatTheFirstWrote) {
    InstallTravik();
    testnet::TestHttpServer updates(testnet::Behaviour::Answer);
    OfferTheRelease(updates);
    sim::WallClock::Set(kClockStart);
    StartServer();
    ASSERT_TRUE(RunUntilInstalled()) << ConsoleText();
    ASSERT_TRUE(ConsoleHas("[Travik] VDF files updated following update downloaded!"));

    testnet::TestHttpServer next(testnet::Behaviour::Answer);
    OfferTheNextRelease(next);
    ClearConsole();
    sim::WallClock::Set(kClockStart + 1801);
    Console("tk_update");
    ASSERT_TRUE(RunUntilInstalled()) << ConsoleText();
    EXPECT_TRUE(ConsoleHas("[Travik] VDF files updated following update downloaded!"))
        << ConsoleText();
    EXPECT_FALSE(ConsoleHas("Unable to save old filename")) << ConsoleText();
    EXPECT_EQ(ReadText("addons/travik48beta" + kExt), kNextRelease);
    EXPECT_EQ(ReadText("addons/travik.vdf"),
              "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik48beta\"\n}\n");
    EXPECT_EQ(ReadText("addons/travikold.txt"), "travik" + kExt);
    EXPECT_EQ(TemporaryFiles(), 0);
}

// A full disk or a quota: Linux lets a test limit the size of the files the
// process writes, which Windows does not.
#ifndef _WIN32
// While it lives, files of this process cannot grow past the limit: a write
// beyond it fails, as on a full disk, instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN)) {
        m_saved = getrlimit(RLIMIT_FSIZE, &m_limit) == 0;
        rlimit limit = m_limit;
        limit.rlim_cur = std::min(bytes, limit.rlim_max);
        m_set = m_saved && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (m_saved) {
            setrlimit(RLIMIT_FSIZE, &m_limit);
        }
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return m_set; }

private:
    rlimit m_limit{};
    void (*m_handler)(int);
    bool m_saved = false;
    bool m_set = false;
};

// The server started without an update server, so that nothing is written
// under the limit before the test sets it; then tk_update finds and fetches
// the release.
class TKUpdaterFullDiskFeature : public TKUpdaterDownloadFeature {
protected:
    void StartWithoutUpdates(testnet::TestHttpServer& updates) {
        OfferTheRelease(updates, false);
        sim::WallClock::Set(kClockStart);
        StartServer();
    }
    void Update(testnet::TestHttpServer& updates) {
        Console("tk_updateurl \"" + updates.Url("") + "\"");
        Console("tk_update");
    }
};

// The rewrite of a description file that does not fit on the disk leaves the
// file as it was: the next start loads the module it named.
TEST_F(TKUpdaterFullDiskFeature, ADescriptionFileThatCannotBeWrittenWholeIsLeftAsItWas) {
    InstallTravik();
    const std::string vdf = ReadText("addons/travik.vdf");
    testnet::TestHttpServer updates(testnet::Behaviour::Answer);
    StartWithoutUpdates(updates);
    {
        FileSizeLimit full(20);
        ASSERT_TRUE(full.Set());
        Update(updates);
        ASSERT_TRUE(RunUntilInstalled()) << ConsoleText();
    }
    EXPECT_TRUE(ConsoleHas("[Travik] Update Successfully Downloaded\n")) << ConsoleText();
    EXPECT_TRUE(ConsoleHas("[Travik] Unable to write \"travik.vdf\", it is left unchanged\n"))
        << ConsoleText();
    EXPECT_FALSE(ConsoleHas("successfully updated")) << ConsoleText();
    EXPECT_TRUE(
        ConsoleHas("[Travik] There was an error updating the plugin vdf file\n[Travik] Please "
                   "re-download the Travik vdf file and place in the same directory as the "
                   "plugin module\n"))
        << ConsoleText();
    EXPECT_EQ(ReadText("addons/travik.vdf"), vdf);
    EXPECT_EQ(TemporaryFiles(), 0);
    EXPECT_FALSE(Exists("addons/travikold.txt"));
    EXPECT_EQ(Var("tk_status"), "4");

    server.reset();
    StartServer();
    EXPECT_EQ(server->Plugins().Count(), 1);
}

// The description file fits, the note naming the running module does not:
// the operator is told, and no cut name is left to delete at the next start.
TEST_F(TKUpdaterFullDiskFeature, AnOldFileNoteThatCannotBeWrittenWholeIsReported) {
    InstallModule();
    const std::string rewritten = "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik47beta\"\n}\n";
    // The running module's name is longer than the rewritten file.
    const std::string running = "travik" + std::string(rewritten.size(), 'x');
    std::filesystem::rename(folder.PathOf("addons/travik" + kExt),
                            folder.PathOf("addons/" + running + kExt));
    ASSERT_TRUE(folder.WriteFile("addons/travik.vdf",
                                 "\"Plugin\"\n{\n\t\"file\"\t\"addons/" + running + "\"\n}\n"));
    testnet::TestHttpServer updates(testnet::Behaviour::Answer);
    StartWithoutUpdates(updates);
    ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    {
        FileSizeLimit full(rewritten.size());
        ASSERT_TRUE(full.Set());
        Update(updates);
        ASSERT_TRUE(RunUntilInstalled()) << ConsoleText();
    }
    EXPECT_TRUE(ConsoleHas("[Travik] VDF files updated following update downloaded!\n"));
    EXPECT_TRUE(ConsoleHas("[Travik] Error: Unable to save old filename...\n")) << ConsoleText();
    EXPECT_EQ(ReadText("addons/travik.vdf"), rewritten);
    EXPECT_FALSE(Exists("addons/travikold.txt"));
    EXPECT_EQ(TemporaryFiles(), 0);
}
#endif

}  // namespace

// An update found, downloaded, checked and installed by the built module
// with the build's own extension (travik47beta.so, travik47beta.dll), from a
// scripted update server on 127.0.0.1. The release is RFC 8032's second
// example: the one-byte file 0x72 and its signature under the example key.
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
// 2026-12-07 22:00:00 UTC.
constexpr double kClockStart = 1796680800.0;

class TKUpdaterDownloadFeature : public TravikServerTest {
protected:
    // Frames until done(), for at most 30 s of real time (the server answers
    // in real time); the faked wall clock stands still meanwhile.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            server->RunFrame();
            sim::WallClock::Set(kClockStart);
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
    // The update server offers the release, the travik.cfg points at it and
    // the example key is trusted.
    void OfferTheRelease(testnet::TestHttpServer& updates) {
        updates.SetBodyFor("/io/update.php",
                           std::string("1,47beta,4.7Beta,") + kReleaseMd5 + "," + kSignature);
        updates.SetBodyFor("/io/download.php", kRelease);
        WriteConfig("tk_updateurl \"" + updates.Url("") + "\"\n");
        ASSERT_TRUE(folder.WriteFile("cfg/travik_trustedkeys.txt",
                                     std::string("// RFC 8032, test 2\n") + kKey + "\n"));
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

    // The query named the build's system; the download asked for its module.
    const std::vector<std::string> requests = updates.RequestTexts();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("GET /io/update.php?build=", 0), 0u) << requests[0];
    EXPECT_EQ(requests[1].rfind("GET /io/download.php?id=47beta&ext=" + kExt.substr(1) + " ", 0),
              0u)
        << requests[1];
}

// An earlier download of the offered version whose install did not take (the
// server went on loading travik) is still in the folder: the new download
// takes its place, on Windows too, where the C library's rename will not
// replace a file.
TEST_F(TKUpdaterDownloadFeature, AModuleOfTheOfferedVersionLeftInTheFolderIsReplaced) {
    InstallTravik();
    ASSERT_TRUE(folder.WriteFile("addons/travik47beta" + kExt, "an earlier download"));
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
}

}  // namespace

// The updater against real HTTP servers on 127.0.0.1: the reference update
// server with releases signed by the test's own keys, and servers that answer
// what a broken or hostile update server might.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "Ed25519.h"
#include "Releases.h"
#include "TestHttpServer.h"
#include "ToolsTestSupport.h"
#include "TravikServerTest.h"
#include "engine/WallClock.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kModule = TRAVIK_INSTALL_DIR "/addons/travik.so";
// 2026-12-07 22:00:00 UTC, a whole second.
constexpr double kClockStart = 1796680800.0;

// A server whose update answer is scripted and whose download may be a
// module, endless, a trickle or nothing at all.
class ScriptedUpdateServer {
public:
    enum class Download { File, Endless, Trickle, Silent };

    ScriptedUpdateServer(std::string answer, Download download, std::string file = "")
        : m_answer(std::move(answer)), m_download(download), m_file(std::move(file)) {
        m_server.Get("/io/update.php", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(m_answer, "text/plain");
        });
        m_server.Get("/io/download.php",
                     [this](const httplib::Request& req, httplib::Response& res) {
                         m_downloadQuery = req.target;
                         ++m_downloads;
                         Serve(res);
                     });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        for (int i = 0; i < 10000 && !m_server.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~ScriptedUpdateServer() {
        m_stop = true;
        m_server.stop();
        m_thread.join();
    }

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    int Downloads() const { return m_downloads; }
    std::string DownloadQuery() const { return m_downloadQuery; }
    std::size_t Sent() const { return m_sent; }

private:
    void Serve(httplib::Response& res) {
        switch (m_download) {
            case Download::File:
                res.set_content(m_file, "application/octet-stream");
                return;
            case Download::Endless:
                res.set_chunked_content_provider(
                    "application/octet-stream", [this](size_t, httplib::DataSink& sink) {
                        static const std::string block(64 * 1024, 'x');
                        if (m_stop || !sink.write(block.data(), block.size())) {
                            return false;
                        }
                        m_sent += block.size();
                        return true;
                    });
                return;
            case Download::Trickle:
                res.set_content_provider(
                    1000, "application/octet-stream",
                    [this](size_t, size_t, httplib::DataSink& sink) {
                        for (int i = 0; i < 100 && !m_stop; ++i) {
                            std::this_thread::sleep_for(std::chrono::milliseconds(10));
                        }
                        return !m_stop && sink.write("x", 1);
                    });
                return;
            case Download::Silent:
                while (!m_stop) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                return;
        }
    }

    httplib::Server m_server;
    std::string m_answer;
    Download m_download;
    std::string m_file;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_downloads{0};
    std::atomic<std::size_t> m_sent{0};
    std::string m_downloadQuery;
    int m_port = 0;
    std::thread m_thread;
};

class TKUpdaterFeature : public TravikServerTest {
protected:
    ScratchFolder scratch;
    std::string keyPem = scratch / "release.pem";
    std::string publicKey;
    release::ReleaseFolder releases{scratch / "releases"};

    TKUpdaterFeature() {
        std::string error;
        publicKey = release::GenerateKey(keyPem, error);
    }

    // The module as a previous update left it: addons/travik46beta.so,
    // named by addons/travik.vdf.
    void InstallPrevious() {
        InstallModule();
        fs::rename(folder.PathOf("addons/travik.so"), folder.PathOf("addons/travik46beta.so"));
        ASSERT_TRUE(folder.WriteFile("addons/travik.vdf",
                                     "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik46beta\"\n}\n"));
    }
    void Trust(const std::string& key) {
        ASSERT_TRUE(folder.WriteFile("cfg/travik_trustedkeys.txt", "// test key\n" + key + "\n"));
    }
    void Publish(const std::string& version) {
        std::string error;
        ASSERT_TRUE(releases.Add(version, kModule, keyPem, false, error)) << error;
    }
    void Configure(const std::string& url, const std::string& more = "") {
        WriteConfig("tk_updateurl \"" + url + "\"\n" + more);
    }
    // Release 4.7Beta, signed with the test's trusted key, on the reference
    // update server, which travik.cfg names.
    void ServeRelease(const std::string& moreConfig = "") {
        Publish("4.7Beta");
        Trust(publicKey);
        updates = std::make_unique<RunningUpdateServer>(releases.Folder());
        Configure(updates->BaseUrl(), moreConfig);
    }
    std::unique_ptr<RunningUpdateServer> updates;
    void Start() {
        sim::WallClock::Set(kClockStart);
        StartServer();
    }
    // Frames until done(), for at most 30 seconds of real time: the HTTP
    // servers answer in real time. A faked wall clock stands still meanwhile,
    // so that a slow machine never runs a transfer into its time-out; the
    // tests of time-outs move it on themselves.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        const bool fake = sim::WallClock::IsFake();
        const double wall = fake ? sim::WallClock::FakeNow() : 0.0;
        while (std::chrono::steady_clock::now() < deadline) {
            server->RunFrame();
            if (fake) {
                sim::WallClock::Set(wall);
            }
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    bool RunUntilConsole(const std::string& text) {
        return RunUntil([&] { return ConsoleHas(text); });
    }
    bool Exists(const std::string& path) const { return fs::exists(folder.PathOf(path)); }
    std::string Read(const std::string& path) const { return ReadFileBytes(folder.PathOf(path)); }
    // Every file of addons/ whose name holds the text.
    int AddonsNamed(const std::string& part) const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder.PathOf("addons"))) {
            count += entry.path().filename().string().find(part) != std::string::npos;
        }
        return count;
    }
    // A second check within the same run: past the manual spacing.
    void UpdateAgain(const std::string& args = "") {
        sim::WallClock::Advance(1801);
        ClearConsole();
        Console("tk_update" + args);
    }
};

}  // namespace

TEST_F(TKUpdaterFeature, FindsDownloadsAndInstallsAnUpdateThatTheNextStartLoads) {
    InstallPrevious();
    ServeRelease();
    Start();
    ASSERT_TRUE(RunUntilConsole("[Travik] VDF files updated following update downloaded!"))
        << ConsoleText();
    EXPECT_TRUE(ConsoleHas("[Travik] An update was found! (Version: 4.7Beta)\n"));
    EXPECT_TRUE(ConsoleHas("[Travik] Update Successfully Downloaded\n"));
    EXPECT_TRUE(ConsoleHas("[Travik] \"travik.vdf\" successfully updated\n"));
    EXPECT_EQ(Var("tk_status"), "4");
    EXPECT_EQ(Read("addons/travik47beta.so"), ReadFileBytes(scratch / "releases/47beta/travik.so"));
    EXPECT_EQ(AddonsNamed(".download"), 0);
    EXPECT_EQ(Read("addons/travik.vdf"), "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik47beta\"\n}\n");
    EXPECT_EQ(Read("addons/travikold.txt"), "travik46beta.so");
    // The query named the running build; the download the offered release.
    const std::vector<std::string> log = updates->Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_NE(log[0].find("GET /io/update.php?build="), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("GET /io/download.php?ext=so&id=47beta"), std::string::npos) << log[1];

    // An offer of the same file again needs no download.
    UpdateAgain();
    ASSERT_TRUE(RunUntil([&] { return updates->Log().size() >= 3; }));
    server->RunTicks(30);
    EXPECT_EQ(updates->Log().size(), 3u);

    server->Shutdown();
    server.reset();
    StartServer();
    EXPECT_TRUE(ConsoleHas("[Travik] Completed update by removing old Travik version files\n"));
    EXPECT_FALSE(Exists("addons/travik46beta.so"));
    EXPECT_FALSE(Exists("addons/travikold.txt"));
    EXPECT_EQ(server->Plugins().Count(), 1);
    // The running build is the release now.
    ASSERT_TRUE(RunUntilConsole("[Travik] Your plugin version is up-to-date\n")) << ConsoleText();
    EXPECT_EQ(Var("tk_status"), "1");
}

namespace {

// The base URL of a test server (its Url() ends in "/", which the updater
// drops).
std::string BaseOf(const testnet::TestHttpServer& http) {
    return http.Url("");
}

std::string LastRequest(const testnet::TestHttpServer& http) {
    const std::vector<std::string> requests = http.RequestTexts();
    return requests.empty() ? "" : requests.back();
}

}  // namespace

TEST_F(TKUpdaterFeature, EachKindOfAnswerAndTheQueryItCameFrom) {
    InstallTravik();
    testnet::TestHttpServer http(testnet::Behaviour::Answer, "<html><body>gone</body></html>");
    Configure(BaseOf(http));
    Start();
    ASSERT_TRUE(
        RunUntilConsole("Travik: Looks like the update page has disappeared, please "
                        "search for a Travik update :(\n"));
    EXPECT_EQ(Var("tk_status"), "1");
    const std::string query = LastRequest(http);
    EXPECT_EQ(query.rfind("GET /io/update.php?build=", 0), 0u) << query;
#ifdef _WIN32
    const std::string system = "&ext=dll HTTP/1.1";
#else
    const std::string system = "&ext=so HTTP/1.1";
#endif
    // The build is the module's MD5, and the system is named.
    EXPECT_EQ(query.find(system), 25u + 32u) << query;
    EXPECT_NE(query.find("User-Agent: Travik\r\n"), std::string::npos) << query;

    struct Case {
        const char* body;
        const char* line;
        const char* status;
    };
    const Case cases[] = {
        {"1,2,3", "[Travik] Invalid response from update server\n[Travik] Update Failed\n", "7"},
        {"N", "[Travik] Your plugin version is up-to-date\n", "1"},
        {"0,47beta,4.7Beta,0123456789abcdef0123456789abcdef",
         "[Travik] ERROR: Odd update response, there appears to be no update available (Update "
         "Failed)\n",
         "7"},
        {"N\n", "[Travik] Invalid response from update server\n", "7"},
        // Four fields are a whole answer, but no release is taken unsigned.
        {"1,47beta,4.7Beta,0123456789abcdef0123456789abcdef",
         "[Travik] ERROR: The update carries no release signature (Update Failed)\n", "7"},
    };
    for (const Case& c : cases) {
        http.SetBody(c.body);
        UpdateAgain();
        EXPECT_TRUE(ConsoleHas("[Travik] Checking for update\n"));
        EXPECT_TRUE(RunUntilConsole(c.line)) << c.body << "\n" << ConsoleText();
        EXPECT_EQ(Var("tk_status"), c.status) << c.body;
    }
    EXPECT_EQ(http.Requests(), 6);

    UpdateAgain(" beta");
    ASSERT_TRUE(RunUntil([&] { return http.Requests() == 7; }));
    EXPECT_NE(LastRequest(http).find("&beta=1&ext="), std::string::npos) << LastRequest(http);
    // The next check only once this one's answer is taken.
    ASSERT_TRUE(RunUntilConsole("carries no release signature"));
    UpdateAgain(" BETA");
    ASSERT_TRUE(RunUntil([&] { return http.Requests() == 8; }));
    EXPECT_EQ(LastRequest(http).find("beta"), std::string::npos) << LastRequest(http);
}

TEST_F(TKUpdaterFeature, ManualChecksAreThirtyMinutesApart) {
    InstallTravik();
    testnet::TestHttpServer http(testnet::Behaviour::Answer, "N");
    Configure(BaseOf(http));
    Start();
    ASSERT_TRUE(RunUntilConsole("[Travik] Your plugin version is up-to-date\n"));
    ClearConsole();
    sim::WallClock::Advance(605);
    Console("tk_update");
    EXPECT_EQ(ConsoleText(),
              "[Travik] Insufficient time between update queries, please try again later\n"
              "[Travik] 19 minutes 55 seconds remain...\n");
    sim::WallClock::Advance(1195);
    ClearConsole();
    Console("tk_update");
    EXPECT_TRUE(ConsoleHas("0 minutes 0 seconds remain...\n")) << ConsoleText();
    sim::WallClock::Advance(1);
    ClearConsole();
    Console("tk_update");
    EXPECT_TRUE(ConsoleHas("[Travik] Checking for update\n")) << ConsoleText();
    ASSERT_TRUE(RunUntil([&] { return http.Requests() == 2; }));

    // The automatic check waits six hours after the last one, whatever asked.
    ASSERT_TRUE(RunUntilConsole("up-to-date"));
    sim::WallClock::Advance(21000);
    server->RunSeconds(5);
    EXPECT_EQ(http.Requests(), 2);
    // The next "up-to-date" awaited below must be this check's own.
    ClearConsole();
    sim::WallClock::Advance(601);
    ASSERT_TRUE(RunUntil([&] { return http.Requests() == 3; }));

    // A clock set back a day does not hold checks off until it catches up.
    ASSERT_TRUE(RunUntilConsole("up-to-date"));
    sim::WallClock::Set(kClockStart - 86400);
    ClearConsole();
    Console("tk_update");
    EXPECT_TRUE(ConsoleHas("[Travik] Checking for update\n")) << ConsoleText();
}

TEST_F(TKUpdaterFeature, WithoutAnUpdateServerItSaysSoOnce) {
    InstallTravik();
    Start();
    server->RunSeconds(3);
    EXPECT_EQ(ConsoleCount("[Travik] No update server is set (tk_updateurl), updates are not "
                           "checked\n"),
              1);
    Console("tk_update");
    EXPECT_EQ(ConsoleCount("No update server is set"), 2);
    EXPECT_EQ(Var("tk_status"), "1");
}

TEST_F(TKUpdaterFeature, AutoUpdateOffFetchesOnlyWhenAskedOrTheLastPlayerLeaves) {
    InstallPrevious();
    ServeRelease("tk_autoupdate 0\n");
    Start();
    EXPECT_EQ(Var("tk_autoupdate"), "0");
    ASSERT_TRUE(RunUntilConsole("[Travik] An update was found! (Version: 4.7Beta)\n"));
    server->RunSeconds(2);
    EXPECT_EQ(updates->Log().size(), 1u);
    EXPECT_EQ(Var("tk_status"), "2");

    // Once the map runs the setting is fixed.
    Console("tk_autoupdate 1");
    EXPECT_TRUE(ConsoleHas(
        "[Travik] This cvar may not be changed whilst the server is active (in game)\n"));
    EXPECT_EQ(Var("tk_autoupdate"), "0");

    sim::Client& alice = Join("alice", 2);
    server->RunSeconds(1);
    EXPECT_EQ(updates->Log().size(), 1u);
    server->Clients().Disconnect(alice, "Disconnect by user.", false);
    ASSERT_TRUE(RunUntilConsole("[Travik] Update Successfully Downloaded\n")) << ConsoleText();
    EXPECT_EQ(Var("tk_status"), "4");
}

TEST_F(TKUpdaterFeature, AFoundUpdateWaitsForAnEmptyServerUnlessAskedFor) {
    InstallPrevious();
    ServeRelease();
    Start();
    Join("alice", 2);
    ASSERT_TRUE(RunUntilConsole("[Travik] An update was found! (Version: 4.7Beta)\n"));
    server->RunSeconds(2);
    EXPECT_EQ(updates->Log().size(), 1u);
    Console("tk_update");
    EXPECT_EQ(Var("tk_status"), "3");
    Console("tk_update");
    EXPECT_TRUE(ConsoleHas("[Travik] Already downloading an update\n"));
    ASSERT_TRUE(RunUntilConsole("[Travik] Update Successfully Downloaded\n")) << ConsoleText();
    EXPECT_TRUE(Exists("addons/travik47beta.so"));
}

TEST_F(TKUpdaterFeature, AnUpperCaseDigestDeletesTheDownloadAndTheSameOfferIsFetchedAgain) {
    InstallPrevious();
    ServeRelease();
    const std::string md5Path = scratch / "releases/47beta/travik.so.md5";
    std::string digest = ReadFileBytes(md5Path);
    for (char& c : digest) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    WriteFileBytes(md5Path, digest);
    const std::string vdf = "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik46beta\"\n}\n";
    Start();
    ASSERT_TRUE(RunUntilConsole("[Travik] Error downloading update, file appears corrupted\n"))
        << ConsoleText();
    EXPECT_TRUE(ConsoleHas("[Travik] Removed a corrupted download\n"));
    EXPECT_EQ(AddonsNamed("travik47beta"), 0);
    EXPECT_EQ(Read("addons/travik.vdf"), vdf);
    EXPECT_FALSE(Exists("addons/travikold.txt"));
    // Nothing downloads now, but the update is still to be had.
    EXPECT_EQ(Var("tk_status"), "2");

    UpdateAgain();
    ASSERT_TRUE(RunUntil([&] { return updates->Log().size() == 4; }));
    EXPECT_NE(updates->Log()[3].find("download.php"), std::string::npos);
}

TEST_F(TKUpdaterFeature, OnlyReleasesSignedByATrustedKeyAreInstalled) {
    InstallPrevious();
    ServeRelease();
    // Signed, but by a key nobody listed: the built-in key alone does not
    // take it, nor does a list holding only another key and a bad line.
    std::string error;
    const std::string other = release::GenerateKey(scratch / "other.pem", error);
    ASSERT_TRUE(folder.WriteFile("cfg/travik_trustedkeys.txt", other + "\nnot a key\n"));
    Start();
    const std::string refused =
        "[Travik] Error downloading update, its release signature does not verify (Update "
        "Failed)\n";
    ASSERT_TRUE(RunUntilConsole(refused)) << ConsoleText();
    EXPECT_TRUE(ConsoleHas("[Travik] cfg/travik_trustedkeys.txt line 2: not a public key"));
    EXPECT_EQ(AddonsNamed("travik47beta"), 0);
    EXPECT_FALSE(Exists("addons/travikold.txt"));
    EXPECT_EQ(Var("tk_status"), "2");

    // A signature of other bytes under the trusted key is no better.
    Trust(publicKey);
    WriteFileBytes(scratch / "changed.so", "other bytes");
    WriteFileBytes(scratch / "releases/47beta/travik.so.sig",
                   release::SignFile(keyPem, scratch / "changed.so", error));
    UpdateAgain();
    ASSERT_TRUE(RunUntil([&] { return ConsoleHas(refused); })) << ConsoleText();
    EXPECT_EQ(AddonsNamed("travik47beta"), 0);

    // Listed, and signed over these bytes: installed.
    Publish("4.7Beta");
    UpdateAgain();
    ASSERT_TRUE(RunUntilConsole("[Travik] Update Successfully Downloaded\n")) << ConsoleText();
}

TEST_F(TKUpdaterFeature, AVersionThatIsNoPlainNameIsRefused) {
    InstallPrevious();
    const std::string vdf = Read("addons/travik.vdf");
    testnet::TestHttpServer http(testnet::Behaviour::Answer);
    const std::string tail = ",0123456789abcdef0123456789abcdef,c2lnbmF0dXJl";
    http.SetBody("1,47beta,../../cfg/server" + tail);
    Configure(BaseOf(http));
    Start();
    const std::string refused =
        "[Travik] ERROR: The update's version cannot name a module file (Update Failed)\n";
    ASSERT_TRUE(RunUntilConsole(refused)) << ConsoleText();
    for (const char* version : {"4.7\"Beta", "4.7 Beta", "4.7\nBeta", "...", "4.7/Beta"}) {
        http.SetBody(std::string("1,47beta,") + version + tail);
        UpdateAgain();
        ASSERT_TRUE(RunUntilConsole(refused)) << version;
        EXPECT_EQ(Var("tk_status"), "7") << version;
    }
    EXPECT_EQ(Read("addons/travik.vdf"), vdf);
    EXPECT_EQ(http.Requests(), 6) << "nothing was downloaded";
}

TEST_F(TKUpdaterFeature, TheDownloadIdIsEscapedInTheUrl) {
    InstallPrevious();
    ScriptedUpdateServer http("1,a b&c=/..?#,4.7Beta,0123456789abcdef0123456789abcdef,c2lnbmF0dXJl",
                              ScriptedUpdateServer::Download::File, "not the module");
    Configure(http.Url());
    Start();
    ASSERT_TRUE(RunUntilConsole("file appears corrupted")) << ConsoleText();
    EXPECT_EQ(http.DownloadQuery(), "/io/download.php?id=a%20b%26c%3D%2F..%3F%23&ext=so");
}

TEST_F(TKUpdaterFeature, AnEndlessDownloadIsAbandonedAndItsPartialFileDeleted) {
    InstallPrevious();
    ScriptedUpdateServer http("1,47beta,4.7Beta,0123456789abcdef0123456789abcdef,c2lnbmF0dXJl",
                              ScriptedUpdateServer::Download::Endless);
    Configure(http.Url());
    Start();
    ASSERT_TRUE(
        RunUntilConsole("[Travik] TKUpdater returned - the answer is larger than 67108864 "
                        "bytes\n"))
        << ConsoleText();
    EXPECT_GE(http.Sent(), std::size_t{64} << 20);
    EXPECT_EQ(AddonsNamed("travik47beta"), 0);
    EXPECT_EQ(Var("tk_status"), "2");
}

TEST_F(TKUpdaterFeature, SlowAndSilentServersTimeOut) {
    InstallPrevious();
    {
        ScriptedUpdateServer http("1,47beta,4.7Beta,0123456789abcdef0123456789abcdef,c2lnbmF0dXJl",
                                  ScriptedUpdateServer::Download::Trickle);
        Configure(http.Url());
        Start();
        ASSERT_TRUE(RunUntil([&] { return Var("tk_status") == "3"; })) << ConsoleText();
        ASSERT_TRUE(RunUntil([&] { return AddonsNamed(".download") == 1; }));
        sim::WallClock::Advance(15);
        ASSERT_TRUE(RunUntilConsole("[Travik] TKUpdater returned - Operation timed out"))
            << ConsoleText();
        EXPECT_EQ(AddonsNamed("travik47beta"), 0);
        EXPECT_EQ(Var("tk_status"), "2");
    }
    testnet::TestHttpServer silent(testnet::Behaviour::Silent);
    Console("tk_updateurl \"" + BaseOf(silent) + "\"");
    UpdateAgain();
    ASSERT_TRUE(RunUntil([&] { return silent.Requests() == 1; }));
    server->RunSeconds(1);
    EXPECT_EQ(Var("tk_status"), "2");
    Console("tk_update");
    EXPECT_TRUE(ConsoleHas("[Travik] Currently checking for an update, try again later\n"));
    sim::WallClock::Advance(15);
    ASSERT_TRUE(RunUntilConsole("[Travik] TKUpdater returned - Operation timed out"));
}

TEST_F(TKUpdaterFeature, ALevelChangeAbandonsTheDownload) {
    InstallPrevious();
    ScriptedUpdateServer http("1,47beta,4.7Beta,0123456789abcdef0123456789abcdef,c2lnbmF0dXJl",
                              ScriptedUpdateServer::Download::Trickle);
    Configure(http.Url());
    Start();
    ASSERT_TRUE(RunUntil([&] { return AddonsNamed(".download") == 1; })) << ConsoleText();
    Console("changelevel de_inferno");
    server->RunTicks(2);
    EXPECT_EQ(AddonsNamed("travik47beta"), 0);
    EXPECT_EQ(Var("tk_status"), "2");
    Console("tk_update");
    EXPECT_FALSE(ConsoleHas("Already downloading"));
}

TEST_F(TKUpdaterFeature, DescriptionFilesWithoutTravikAreWrittenBackUnchanged) {
    InstallPrevious();
    const std::string other = "\"Plugin\"\n{\n\t\"file\"\t\"addons/other\"\n}\n";
    ASSERT_TRUE(folder.WriteFile("addons/travik.vdf", other));
    ASSERT_TRUE(folder.WriteFile("addons/travik_css.vdf",
                                 "// travik\n\"Plugin\" { \"file\" \"addons/travik\" }\n"));
    ServeRelease();
    // The module is loaded by another description file here.
    ASSERT_TRUE(folder.WriteFile("addons/load.vdf",
                                 "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik46beta\"\n}\n"));
    Start();
    ASSERT_TRUE(RunUntilConsole("[Travik] VDF files updated following update downloaded!\n"))
        << ConsoleText();
    EXPECT_EQ(Read("addons/travik.vdf"), other);
    EXPECT_FALSE(ConsoleHas("\"travik.vdf\" successfully updated"));
    EXPECT_EQ(Read("addons/travik_css.vdf"),
              "// travik\n\"Plugin\" { \"file\" \"addons/travik47beta\" }\n");

    // None changed: the operator is told, the download still counts.
    ASSERT_TRUE(folder.WriteFile("addons/travik_css.vdf", other));
    fs::remove(folder.PathOf("addons/travik47beta.so"));
    Publish("4.8Beta");
    UpdateAgain();
    ASSERT_TRUE(
        RunUntilConsole("[Travik] There was an error updating the plugin vdf file\n"
                        "[Travik] Please re-download the Travik vdf file and place in "
                        "the same directory as the plugin module\n"))
        << ConsoleText();
    EXPECT_EQ(Var("tk_status"), "4");
    EXPECT_EQ(Read("addons/travik_css.vdf"), other);
}

TEST_F(TKUpdaterFeature, TheOldFileNoteDeletesOnlyAnOldModuleBesideTheRunningOne) {
    InstallPrevious();
    // The running module itself, a file outside addons/ and the plain
    // travik.so are never deleted; the note goes in every case.
    for (const char* note : {"travik46beta.so", "../travik45.so", "travik.so"}) {
        ASSERT_TRUE(folder.WriteFile("travik45.so", "old"));
        ASSERT_TRUE(folder.WriteFile("addons/travik.so", "old"));
        ASSERT_TRUE(folder.WriteFile("addons/travikold.txt", note));
        StartServer();
        EXPECT_FALSE(ConsoleHas("Completed update")) << note;
        EXPECT_TRUE(Exists("addons/travik46beta.so") && Exists("travik45.so") &&
                    Exists("addons/travik.so"))
            << note;
        EXPECT_FALSE(Exists("addons/travikold.txt")) << note;
        server.reset();
    }
    ASSERT_TRUE(folder.WriteFile("addons/travik45beta.so", "old"));
    ASSERT_TRUE(folder.WriteFile("addons/travikold.txt", "travik45beta.so"));
    StartServer();
    EXPECT_TRUE(ConsoleHas("[Travik] Completed update by removing old Travik version files\n"));
    EXPECT_FALSE(Exists("addons/travik45beta.so"));
    EXPECT_FALSE(Exists("addons/travikold.txt"));
}

TEST_F(TKUpdaterFeature, AnOversizedAnswerIsNoAnswer) {
    InstallTravik();
    testnet::TestHttpServer http(testnet::Behaviour::Flood);
    Configure(BaseOf(http));
    Start();
    ASSERT_TRUE(
        RunUntilConsole("[Travik] TKUpdater returned - the answer is larger than 4096 "
                        "bytes\n"))
        << ConsoleText();
    EXPECT_EQ(Var("tk_status"), "7");
}

TEST_F(TKUpdaterFeature, AReleaseOfTheRunningVersionReplacesItWithoutNamingItOld) {
    InstallModule();
    fs::rename(folder.PathOf("addons/travik.so"), folder.PathOf("addons/travik47beta.so"));
    const std::string vdf = "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik47beta\"\n}\n";
    ASSERT_TRUE(folder.WriteFile("addons/travik.vdf", vdf));
    ServeRelease();
    Start();
    ASSERT_TRUE(RunUntilConsole("[Travik] VDF files updated following update downloaded!\n"))
        << ConsoleText();
    EXPECT_EQ(Read("addons/travik47beta.so"), ReadFileBytes(scratch / "releases/47beta/travik.so"));
    EXPECT_EQ(Read("addons/travik.vdf"), vdf);
    EXPECT_FALSE(Exists("addons/travikold.txt"));
    server.reset();
    StartServer();
    EXPECT_TRUE(Exists("addons/travik47beta.so"));
    EXPECT_EQ(server->Plugins().Count(), 1);
    ASSERT_TRUE(RunUntilConsole("[Travik] Your plugin version is up-to-date\n")) << ConsoleText();
}

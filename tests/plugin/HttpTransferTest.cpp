// The plug-in's HTTP transfer against real servers on 127.0.0.1: good ones
// and the bad ones an auth host or an update server may turn out to be. The
// time-out runs on the process's wall clock, which these tests fake.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "TestHttpServer.h"
#ifndef _WIN32
#include "SlowNameLookup.h"
#endif
#include "engine/WallClock.h"
#include "net/HttpTransfer.h"

namespace {

using namespace std::chrono_literals;
using testnet::Behaviour;
using testnet::OpenDescriptors;
using testnet::TestHttpServer;
using Outcome = HttpTransfer::Outcome;
using Failure = HttpTransfer::Failure;

class HttpTransferService : public ::testing::Test {
protected:
    void SetUp() override { sim::WallClock::Set(1.7e9); }
    void TearDown() override {
        sim::WallClock::Clear();
        std::filesystem::remove_all(folder);
    }

    static HttpTransfer::Request Post(const std::string& url, const std::string& body = "uid=1") {
        HttpTransfer::Request request;
        request.url = url;
        request.post = true;
        request.postBody = body;
        return request;
    }

    // The most real time a step may take: a loaded machine gets long, a
    // transfer that never ends still fails the test.
    static constexpr auto kPatience = 30s;
    // The longest a poll may take: one that waited on the server would take
    // the transfer's whole time-out, while a loaded machine may hold a sound
    // one back for a good part of a second.
    static constexpr auto kPollBound = 2s;

    // Polls until the transfer ends, for at most kPatience; between polls it
    // waits for the server's next step (at most 5 ms), never for the client.
    Outcome Drive(TestHttpServer* server = nullptr) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto before = std::chrono::steady_clock::now();
            const Outcome outcome = transfer.Poll();
            longestPoll = std::max(longestPoll, std::chrono::steady_clock::now() - before);
            if (outcome != Outcome::Running)
                return outcome;
            if (server)
                server->WaitForActivity(5ms);
            else
                std::this_thread::sleep_for(1ms);
        }
        return Outcome::Running;
    }
    // Polls until the server has read `count` requests, for at most
    // kPatience.
    bool DriveUntilRequests(TestHttpServer& server, int count) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (std::chrono::steady_clock::now() < deadline) {
            if (transfer.Poll() != Outcome::Running)
                return false;
            if (server.WaitForRequests(count, 5ms))
                return true;
        }
        return false;
    }
    std::string Path(const std::string& name) {
        std::filesystem::create_directories(folder);
        return (folder / name).string();
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Each test runs in a process of its own, in parallel with others, and
    // a sanitizer's allocator hands every one the same addresses: the
    // process id keeps their folders apart.
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("httptransfer-" + std::to_string(::getpid()) + "-" +
                                    std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    HttpTransfer transfer;
    std::chrono::steady_clock::duration longestPoll{};
};

TEST_F(HttpTransferService, PostsTheFormAndReadsTheBodyWhateverTheStatus) {
    TestHttpServer server(Behaviour::Answer, "1,bm8=");
    server.SetStatus("500 Internal Server Error");
    ASSERT_TRUE(transfer.Start(Post(server.Url("/auth.php"), "uid=0:1:2&game=0")));
    EXPECT_TRUE(transfer.IsBusy());
    ASSERT_EQ(Drive(&server), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody(), "1,bm8=");
    EXPECT_FALSE(transfer.IsBusy());
    EXPECT_EQ(transfer.Poll(), Outcome::Idle);  // the result is handed out once

    const std::string request = server.RequestTexts().at(0);
    EXPECT_EQ(request.rfind("POST /auth.php HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: Travik\r\n"), std::string::npos);
    EXPECT_NE(request.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos);
    EXPECT_EQ(request.substr(request.size() - 16), "uid=0:1:2&game=0");
}

TEST_F(HttpTransferService, GetsWithoutABodyAndTakesAUrlWithoutSchemeAsHttp) {
    TestHttpServer server(Behaviour::Answer, "ok");
    HttpTransfer::Request request;
    request.url = "127.0.0.1:" + std::to_string(server.Port()) + "/io/update.php?v=1";
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_EQ(Drive(&server), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody(), "ok");
    EXPECT_EQ(server.RequestTexts().at(0).rfind("GET /io/update.php?v=1 HTTP/1.1\r\n", 0), 0u);
}

TEST_F(HttpTransferService, ABodyPastItsBoundFailsWhetherAnnouncedOrNot) {
    // Exactly at the bound is still whole.
    TestHttpServer exact(Behaviour::Answer, std::string(HttpTransfer::kDefaultMaxBody, 'a'));
    ASSERT_TRUE(transfer.Start(Post(exact.Url())));
    ASSERT_EQ(Drive(&exact), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody().size(), HttpTransfer::kDefaultMaxBody);

    // One byte more, announced by its length.
    TestHttpServer announced(Behaviour::Answer,
                             std::string(HttpTransfer::kDefaultMaxBody + 1, 'a'));
    ASSERT_TRUE(transfer.Start(Post(announced.Url())));
    ASSERT_EQ(Drive(&announced), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TooLarge) << transfer.GetError();

    // A megabyte with no length: cut at the bound, the connection dropped.
    TestHttpServer flood(Behaviour::Flood);
    ASSERT_TRUE(transfer.Start(Post(flood.Url())));
    ASSERT_EQ(Drive(&flood), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TooLarge) << transfer.GetError();
    EXPECT_LE(transfer.GetBody().size(), HttpTransfer::kDefaultMaxBody);
    EXPECT_LE(transfer.GetBody().capacity(), 2 * HttpTransfer::kDefaultMaxBody);
    EXPECT_FALSE(transfer.IsBusy());
}

TEST_F(HttpTransferService, APerTransferBoundHolds) {
    TestHttpServer server(Behaviour::Answer, "0123456789");
    HttpTransfer::Request request = Post(server.Url());
    request.maxBody = 9;
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_EQ(Drive(&server), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TooLarge);
    request.maxBody = 10;
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_EQ(Drive(&server), Outcome::Succeeded) << transfer.GetError();
}

TEST_F(HttpTransferService, OnlyHttpAndHttpsAreFetchedAndRedirectsAreNotFollowed) {
    std::ofstream(Path("secret")) << "secret";
    for (const std::string& url :
         {"file://" + Path("secret"), std::string("ftp://127.0.0.1:1/x"),
          std::string("dict://127.0.0.1:1/x"), std::string("gopher://127.0.0.1:1/x")}) {
        SCOPED_TRACE(url);
        if (!transfer.Start(Post(url)))
            continue;  // refused at once is as good
        ASSERT_EQ(Drive(), Outcome::Failed);
        EXPECT_EQ(transfer.GetFailure(), Failure::Transport);
        EXPECT_EQ(transfer.GetBody(), "");
    }

    TestHttpServer target(Behaviour::Answer, "moved here");
    TestHttpServer redirect(Behaviour::Answer, "see elsewhere");
    redirect.SetStatus("302 Found", "Location: " + target.Url() + "\r\n");
    ASSERT_TRUE(transfer.Start(Post(redirect.Url())));
    ASSERT_EQ(Drive(&redirect), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody(), "see elsewhere");
    EXPECT_EQ(target.Accepted(), 0);
}

TEST_F(HttpTransferService, ASilentServerTimesOutOnTheWallClockWithoutHoldingAPoll) {
    TestHttpServer server(Behaviour::Silent);
    ASSERT_TRUE(transfer.Start(Post(server.Url())));
    ASSERT_TRUE(DriveUntilRequests(server, 1));
    sim::WallClock::Advance(14.9);
    EXPECT_EQ(transfer.Poll(), Outcome::Running);
    sim::WallClock::Advance(0.2);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(transfer.Poll(), Outcome::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - before, kPollBound);
    EXPECT_EQ(transfer.GetFailure(), Failure::TimedOut);
    EXPECT_NE(std::string(transfer.GetError()).find("timed out"), std::string::npos);
    EXPECT_FALSE(transfer.IsBusy());
}

// The HTTP library's own time-outs (on the real clock) are the same bound: a
// silent server still ends the transfer while the wall clock stands still.
TEST_F(HttpTransferService,
       TheLibrarysOwnTimeOutEndsASilentTransferTooWhileTheWallClockStandsStill) {
    TestHttpServer server(Behaviour::Silent);
    HttpTransfer::Request request = Post(server.Url());
    request.timeoutMs = 1000;
    ASSERT_TRUE(transfer.Start(request));
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(Drive(&server), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TimedOut) << transfer.GetError();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
}

TEST_F(HttpTransferService, ASlowServerTimesOutAndAClockSetBackDoesNotStretchIt) {
    TestHttpServer server(Behaviour::Trickle, "0,abcdefgh");
    HttpTransfer::Request request = Post(server.Url());
    request.timeoutMs = 2000;
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_TRUE(DriveUntilRequests(server, 1));
    sim::WallClock::Set(1.7e9 - 3600);  // an hour back: counted from here
    EXPECT_EQ(transfer.Poll(), Outcome::Running);
    sim::WallClock::Advance(2.1);
    EXPECT_EQ(transfer.Poll(), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TimedOut);
    EXPECT_LT(transfer.GetReceived(), 10u);
}

TEST_F(HttpTransferService, AResetAndAClosedPortFailAsTransportErrors) {
    TestHttpServer reset(Behaviour::Reset);
    ASSERT_TRUE(transfer.Start(Post(reset.Url())));
    ASSERT_EQ(Drive(&reset), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::Transport);
    EXPECT_NE(transfer.GetError()[0], '\0');

    ASSERT_TRUE(
        transfer.Start(Post("http://127.0.0.1:" + std::to_string(testnet::ClosedPort()) + "/")));
    ASSERT_EQ(Drive(), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::Transport);
    EXPECT_NE(std::string(transfer.GetError()).find("onnect"), std::string::npos)
        << transfer.GetError();
    EXPECT_LT(longestPoll, kPollBound);
}

TEST_F(HttpTransferService, CancelRestartAndDestructionLeaveNoConnectionOpen) {
    const int baseline = OpenDescriptors();
    auto owned = std::make_unique<TestHttpServer>(Behaviour::Silent);
    TestHttpServer& server = *owned;
    const int before = OpenDescriptors();
    ASSERT_TRUE(transfer.Start(Post(server.Url())));
    ASSERT_TRUE(DriveUntilRequests(server, 1));
    EXPECT_GT(OpenDescriptors(), before);
    transfer.Cancel();
    EXPECT_FALSE(transfer.IsBusy());
    EXPECT_EQ(transfer.Poll(), Outcome::Idle);

    // A new start drops the one under way.
    ASSERT_TRUE(transfer.Start(Post(server.Url())));
    ASSERT_TRUE(DriveUntilRequests(server, 2));
    ASSERT_TRUE(transfer.Start(Post(server.Url())));
    ASSERT_TRUE(DriveUntilRequests(server, 3));
    {
        HttpTransfer other;
        ASSERT_TRUE(other.Start(Post(server.Url())));
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!server.WaitForRequests(4, 5ms) && std::chrono::steady_clock::now() < deadline)
            other.Poll();
    }  // destroyed under way
    transfer.Cancel();
    // The server still holds its ends (held sockets are counted before).
    // Each accepted connection is one descriptor the server holds; no
    // client end remains. (Wine's WinHTTP lets a receive under way run on
    // after its request is closed, until the server ends the connection or
    // the receive times out; Windows cancels it at the close.)
    if (!testnet::RunsUnderWine()) {
        EXPECT_EQ(OpenDescriptors(), before + server.Accepted());
    }
    // Once the server has gone, nothing at all is left.
    owned.reset();
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (OpenDescriptors() != baseline && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(OpenDescriptors(), baseline);
}

TEST_F(HttpTransferService, AFileSinkKeepsOnlyAWholeDownload) {
    TestHttpServer good(Behaviour::Answer, std::string(100000, 'm'));
    HttpTransfer::Request request;
    request.url = good.Url("/io/download.php");
    request.maxBody = 200000;
    request.filePath = Path("travik_new.so");
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_EQ(Drive(&good), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(Read(request.filePath), std::string(100000, 'm'));
    EXPECT_EQ(transfer.GetBody(), "");  // nothing kept in memory
    EXPECT_EQ(transfer.GetReceived(), 100000u);

    TestHttpServer flood(Behaviour::Flood);
    request.url = flood.Url();
    request.filePath = Path("too_big.so");
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_EQ(Drive(&flood), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TooLarge);
    EXPECT_FALSE(std::filesystem::exists(request.filePath));

    TestHttpServer silent(Behaviour::Silent);
    request.url = silent.Url();
    request.filePath = Path("cancelled.so");
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_TRUE(std::filesystem::exists(request.filePath));
    transfer.Cancel();
    EXPECT_FALSE(std::filesystem::exists(request.filePath));

    request.filePath = Path("no/such/folder/x.so");
    EXPECT_FALSE(transfer.Start(request));
    EXPECT_EQ(transfer.GetFailure(), Failure::File);
    EXPECT_FALSE(transfer.IsBusy());
}

#ifndef _WIN32
// A transfer dropped while libcurl's resolver thread is still looking up its
// host name: the server's thread never waits for the lookup, whichever way
// the transfer is dropped, and the lookup is left to end on its own.
class HttpTransferLookup : public HttpTransferService {
protected:
    // Far below the lookup's hold: one waited for would take all of it.
    static constexpr auto kDropBound = 500ms;

    static std::string SlowUrl() {
        return std::string("http://") + testnet::kSlowHost + ":" +
               std::to_string(testnet::ClosedPort()) + "/auth";
    }
    // Starts `on` to the slow host and polls it until its lookup is under way.
    ::testing::AssertionResult StartLookingUp(HttpTransfer& on, HttpTransfer::Request request) {
        const int before = lookups.Begun();
        if (!on.Start(request))
            return ::testing::AssertionFailure() << "not started: " << on.GetError();
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!lookups.WaitForLookups(before + 1, 5ms)) {
            if (on.Poll() != Outcome::Running)
                return ::testing::AssertionFailure() << "ended: " << on.GetError();
            if (std::chrono::steady_clock::now() >= deadline)
                return ::testing::AssertionFailure() << "no lookup began";
        }
        return ::testing::AssertionSuccess();
    }
    template <typename Drop>
    static std::chrono::steady_clock::duration Timed(Drop drop) {
        const auto before = std::chrono::steady_clock::now();
        drop();
        return std::chrono::steady_clock::now() - before;
    }

    testnet::SlowNameLookups lookups;
};

TEST_F(HttpTransferLookup, CancelRestartAndDestructionDoNotWaitForTheLookup) {
    const int descriptors = OpenDescriptors();
    ASSERT_TRUE(StartLookingUp(transfer, Post(SlowUrl())));
    EXPECT_LT(Timed([&] { transfer.Cancel(); }), kDropBound);
    EXPECT_FALSE(transfer.IsBusy());
    EXPECT_EQ(transfer.Poll(), Outcome::Idle);

    // A new start drops the lookup under way first.
    ASSERT_TRUE(StartLookingUp(transfer, Post(SlowUrl())));
    bool restarted = false;
    EXPECT_LT(Timed([&] { restarted = transfer.Start(Post(SlowUrl())); }), kDropBound);
    EXPECT_TRUE(restarted);
    transfer.Cancel();

    auto other = std::make_unique<HttpTransfer>();
    ASSERT_TRUE(StartLookingUp(*other, Post(SlowUrl())));
    EXPECT_LT(Timed([&] { other.reset(); }), kDropBound);

    // Every lookup was still held, and each ends on its own once let go,
    // leaving nothing open.
    EXPECT_GE(lookups.Begun(), 3);
    EXPECT_TRUE(lookups.Release());
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(HttpTransferLookup, BothTimeOutsEndALookupWithoutWaitingForIt) {
    // The wall clock's.
    ASSERT_TRUE(StartLookingUp(transfer, Post(SlowUrl())));
    sim::WallClock::Advance(15.1);
    Outcome outcome = Outcome::Running;
    EXPECT_LT(Timed([&] { outcome = transfer.Poll(); }), kDropBound);
    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TimedOut) << transfer.GetError();
    EXPECT_FALSE(transfer.IsBusy());

    // libcurl's own, on the real clock, while the faked one stands still.
    HttpTransfer::Request request = Post(SlowUrl());
    request.timeoutMs = 300;
    request.connectTimeoutMs = 300;
    ASSERT_TRUE(StartLookingUp(transfer, request));
    longestPoll = {};
    ASSERT_EQ(Drive(), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TimedOut) << transfer.GetError();
    EXPECT_LT(longestPoll, kDropBound);

    EXPECT_TRUE(lookups.Release());
}
#endif

}  // namespace

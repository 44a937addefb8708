// A league's auth host asked about joining players: the request, the four
// kinds of answer, the queue, and the hosts that go wrong (silent, slow,
// reset, gone, oversized, web pages), judged by what players and the server
// console saw.
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AuthServerTest.h"

#ifndef _WIN32
#include <dlfcn.h>

#include "SlowNameLookup.h"
#endif

namespace {

using namespace std::chrono_literals;
using testnet::Behaviour;
using testnet::TestHttpServer;

// The longest a frame may take: a frame that waited on the league would
// take the host's whole 15 s, while a loaded machine may hold a sound one
// back for a good part of a second.
constexpr auto kFrameBound = 2s;

const std::string kUnable = "Unable to authenticate with auth-host";
const std::string kKicked = "Kicked by Console : Travik - Kick requested by Auth-Host";

std::string Announce(const std::string& name, const std::string& id) {
    return "\x03Travik 4.6Beta [\x04 " + name + " - " + id + " \x03]\n";
}

class TKAuthHostFeature : public AuthServerTest {
protected:
    // A war-mode server using `league`, and alice joining it.
    sim::Client& AliceJoins(TestHttpServer& league) {
        StartWarServer("tk_authhost \"" + league.Url("/auth") + "\"\n");
        return Player("alice", "STEAM_0:1:4242");
    }
    std::string Display(const TestHttpServer& league) const {
        return "127.0.0.1:" + std::to_string(league.Port()) + "/auth";
    }
    bool Announced(const sim::Client& client, const std::string& line,
                   TestHttpServer* league = nullptr) {
        return RunUntil([&] { return ChatHas(client, line); }, league);
    }
};

TEST_F(TKAuthHostFeature, AKnownPlayerIsAnnouncedWithTheLeaguesLines) {
    TestHttpServer league(Behaviour::Answer, Field("alice [Team Rocket]") + "," + Field("Div 1"));
    sim::Client& alice = AliceJoins(league);
    ASSERT_TRUE(Announced(alice, "Div 1", &league));

    const std::vector<std::string> expected = {Announce("alice", "0:1:4242"),
                                               Display(league),
                                               "\n",
                                               "alice [Team Rocket]",
                                               "\n",
                                               "Div 1",
                                               "\n"};
    EXPECT_EQ(ChatOf(alice), expected);
    ASSERT_EQ(league.Requests(), 1);
    const std::string request = league.RequestTexts()[0];
    EXPECT_EQ(request.rfind("POST /auth HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(request.find("User-Agent: Travik\r\n"), std::string::npos);
    const std::string body = request.substr(request.find("\r\n\r\n") + 4);
    EXPECT_EQ(body.rfind("uid=0:1:4242&game=0&gameIP=", 0), 0u) << body;
    EXPECT_NE(body.find("&gamePort="), std::string::npos) << body;
    EXPECT_EQ(alice.DisconnectReason(), "");
}

TEST_F(TKAuthHostFeature, ARefusedPlayerSeesTheLeaguesFirstWordsAndIsKicked) {
    TestHttpServer league(Behaviour::Answer,
                          "1," + Field("Suspended until Friday") + "," + Field("not shown"));
    sim::Client& alice = AliceJoins(league);
    ASSERT_TRUE(RunUntil([&] { return !alice.IsConnected(); }, &league));

    const std::vector<std::string> expected = {Announce("alice", "0:1:4242"),
                                               "Suspended until Friday", "\n"};
    EXPECT_EQ(ChatOf(alice), expected);
    EXPECT_NE(ClientConsole(alice).find(
                  "[Travik] The Auth-Host refused your connection to the server...\ntk_authhost "
                  "\"" +
                  league.Url("/auth") + "\"\n"),
              std::string::npos);
    EXPECT_EQ(alice.DisconnectReason(), kKicked);
}

TEST_F(TKAuthHostFeature, ARefusalWithoutWordsStillKicks) {
    TestHttpServer league(Behaviour::Answer, "1,");
    sim::Client& alice = AliceJoins(league);
    ASSERT_TRUE(RunUntil([&] { return !alice.IsConnected(); }, &league));
    EXPECT_EQ(ChatOf(alice), std::vector<std::string>{Announce("alice", "0:1:4242")});
    EXPECT_EQ(alice.DisconnectReason(), kKicked);
}

// Each unusable body: its log line, and the player plays on, announced as
// unauthenticated. A web page wins over a refusal.
TEST_F(TKAuthHostFeature, UnusableAnswersAnnounceThePlayerAsUnauthenticated) {
    const std::string invalid = "Travik: Invalid or unknown response from auth-host\n";
    const std::string offline = "Travik: The auth-host appears to be offline!\n";
    const struct {
        std::string body;
        std::string log;
    } cases[] = {{"", invalid},
                 {"0", invalid},
                 {",,,", invalid},
                 {"<html><body>Down for maintenance</body></html>", offline},
                 {"1," + Field("x") + "<html>", offline}};
    TestHttpServer league(Behaviour::Answer);
    StartWarServer("tk_authhost \"" + league.Url("/auth") + "\"\n");
    int number = 0;
    for (const auto& each : cases) {
        SCOPED_TRACE(each.body);
        league.SetBody(each.body);
        ClearConsole();
        const std::string n = std::to_string(++number);
        sim::Client& player =
            Player(std::string("p").append(n), std::string("STEAM_0:0:").append(n));
        ASSERT_TRUE(Announced(player, kUnable, &league));
        EXPECT_EQ(ConsoleCount(each.log), 1);
        const std::vector<std::string> chat = ChatOf(player);
        ASSERT_GE(chat.size(), 4u);
        EXPECT_EQ(chat[chat.size() - 4], Display(league));  // the host, then the line
        server->RunSeconds(0.5);
        EXPECT_TRUE(player.IsConnected());
    }
}

TEST_F(TKAuthHostFeature, ABareZeroWithALineBreakIsAnAcceptance) {
    TestHttpServer league(Behaviour::Answer, "0\n");
    sim::Client& alice = AliceJoins(league);
    ASSERT_TRUE(Announced(alice, Display(league), &league));
    EXPECT_FALSE(ChatHas(alice, kUnable));
    EXPECT_EQ(ConsoleCount("Invalid or unknown response"), 0);
}

TEST_F(TKAuthHostFeature, TheLeaguesLinesReachChatCleanCutAndBounded) {
    std::vector<std::string> fields = {
        "line\nbreak\r\x07 bell \x03team\x04green\x01plain",
        std::string(300, 'a').append("\xc3\xa9"),  // cut well before its end
        std::string(251, 'b').append("\xc3\xa9"),  // cut inside a character
    };
    for (int i = 0; i < 20; ++i)
        fields.push_back(std::string("extra ").append(std::to_string(i)));
    std::string body;
    for (const std::string& field : fields)
        body.append(body.empty() ? "" : ",").append(Field(field));
    TestHttpServer league(Behaviour::Answer, body);
    sim::Client& alice = AliceJoins(league);
    ASSERT_TRUE(Announced(alice, "linebreak bell \x03team\x04green\x01plain", &league));

    const std::vector<std::string> chat = ChatOf(alice);
    // The announcement, the host and its "\n", then 8 lines each with its "\n".
    ASSERT_EQ(chat.size(), 3u + 2 * 8) << "at most eight lines per player";
    EXPECT_EQ(chat[5], std::string(252, 'a'));
    EXPECT_EQ(chat[7], std::string(251, 'b'));  // whole characters only
    EXPECT_EQ(chat.back(), "\n");
    EXPECT_EQ(chat[chat.size() - 2], "extra 4");
    for (std::size_t i = 3; i < chat.size(); i += 2)
        EXPECT_EQ(chat[i].find_first_of("\r\n\x07"), std::string::npos) << chat[i];
}

TEST_F(TKAuthHostFeature, PlayersAreAskedOneAfterAnotherInJoiningOrder) {
    TestHttpServer league(Behaviour::Answer, Field("known"));
    StartWarServer("tk_authhost \"" + league.Url("/auth") + "\"\n");
    sim::Client& alice = Player("alice", "STEAM_0:0:1");
    sim::Client& bob = Player("bob", "STEAM_0:0:2");
    sim::Client& carol = Player("carol", "STEAM_0:0:3");
    const auto known = [](const sim::Client& who) {
        const std::vector<std::string> chat = ChatOf(who);
        return std::count(chat.begin(), chat.end(), "known");
    };
    ASSERT_TRUE(RunUntil([&] { return known(carol) == 3; }, &league));
    const std::vector<std::string> requests = league.RequestTexts();
    EXPECT_NE(requests[0].find("uid=0:0:1&"), std::string::npos);
    EXPECT_NE(requests[1].find("uid=0:0:2&"), std::string::npos);
    EXPECT_NE(requests[2].find("uid=0:0:3&"), std::string::npos);
    // Everybody saw all three announced, once each.
    for (const sim::Client* who : {&alice, &bob, &carol})
        EXPECT_EQ(known(*who), 3) << who->Name();
    server->RunSeconds(1.0);
    EXPECT_EQ(league.Requests(), 3);
}

// Hosts that fail in transit: the player is announced as unauthenticated
// with libcurl's words in the console, and no frame waits on the network.
TEST_F(TKAuthHostFeature, HostsThatFailInTransitEndInTheFailureAnnouncement) {
    TestHttpServer reset(Behaviour::Reset);
    TestHttpServer flood(Behaviour::Flood);
    StartWarServer("");
    const std::vector<std::string> urls = {
        reset.Url("/auth"), flood.Url("/auth"),
        "http://127.0.0.1:" + std::to_string(testnet::ClosedPort()) + "/auth",
        "file:///etc/passwd"};
    int number = 0;
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        Console("tk_authhost \"" + url + "\"");
        ClearConsole();
        const std::string n = std::to_string(++number);
        sim::Client& player =
            Player(std::string("p").append(n), std::string("STEAM_0:1:").append(n));
        ASSERT_TRUE(RunUntil([&] { return ChatHas(player, kUnable); },
                             url == reset.Url("/auth") ? &reset : &flood));
        EXPECT_EQ(ConsoleCount("[Travik] TKAuthHost returned - "), 1) << ConsoleText();
        EXPECT_TRUE(player.IsConnected());
        // Gone before the next host is set, which would ask him again.
        server->Clients().Disconnect(player, "Disconnect by user.", false);
    }
    EXPECT_LT(longestFrame, kFrameBound);
}

class TKAuthHostTimeOut : public TKAuthHostFeature {
protected:
    // The host takes the request and then keeps the answer to itself (or
    // sends a byte a second): after 15 s of wall time the player is
    // announced as unauthenticated, and no frame waited meanwhile.
    void Check(Behaviour behaviour) {
        TestHttpServer league(behaviour, Field("far too slow to arrive"));
        sim::Client& alice = AliceJoins(league);
        ASSERT_TRUE(RunUntil([&] { return league.Requests() == 1; }, &league));
        server->RunSeconds(14.0);
        EXPECT_FALSE(ChatHas(alice, kUnable));
        ASSERT_TRUE(RunUntil([&] { return ChatHas(alice, kUnable); }, nullptr, 20));
        EXPECT_NE(ConsoleText().find("[Travik] TKAuthHost returned - Operation timed out"),
                  std::string::npos);
        EXPECT_LT(longestFrame, kFrameBound);
    }
};

TEST_F(TKAuthHostTimeOut, ASilentHostGetsFifteenSecondsWhileFramesRunOn) {
    Check(Behaviour::Silent);
}

TEST_F(TKAuthHostTimeOut, ASlowHostGetsFifteenSecondsWhileFramesRunOn) {
    Check(Behaviour::Trickle);
}

// A player leaving during his transfer, a level change and an unload
// during one: no announcement, and the connection is let go.
TEST_F(TKAuthHostFeature, ATransferCutShortSaysNothingAndLetsItsConnectionGo) {
    const int beforeLeague = testnet::OpenDescriptors();
    auto owned = std::make_unique<TestHttpServer>(Behaviour::Silent);
    TestHttpServer& league = *owned;
    const int leagueOwn = testnet::OpenDescriptors() - beforeLeague;
    StartWarServer("tk_authhost \"" + league.Url("/auth") + "\"\n");
    const int idle = testnet::OpenDescriptors();
    // Descriptors of the plug-in's transfers: beyond the idle server's and
    // the ends the silent league holds.
    const auto clientEnds = [&] { return testnet::OpenDescriptors() - idle - league.Accepted(); };
    sim::Client& alice = Player("alice", "STEAM_0:1:4242");
    sim::Client& bob = Player("bob", "STEAM_0:0:7");
    ASSERT_TRUE(RunUntil([&] { return league.Requests() == 1; }, &league));
    EXPECT_GT(clientEnds(), 0);

    // alice leaves: her transfer goes, bob's starts at a later poll.
    server->Clients().Disconnect(alice, "Disconnect by user.", false);
    ASSERT_TRUE(RunUntil([&] { return league.Requests() == 2; }, &league));

    // A level change drops bob's; he is asked again on the new level.
    Console("changelevel de_inferno");
    ASSERT_TRUE(RunUntil([&] { return league.Requests() == 3; }, &league));

    // An unload during that transfer.
    Console("plugin_unload 0");
    server->RunSeconds(16.0);
    EXPECT_FALSE(ChatHas(bob, kUnable));
    EXPECT_EQ(ConsoleCount("TKAuthHost returned"), 0);
    // (Wine's WinHTTP lets a receive under way run on after its request is
    // closed, until the server ends the connection or the receive times
    // out; Windows cancels it at the close.)
    if (!testnet::RunsUnderWine()) {
        EXPECT_EQ(clientEnds(), 0);
    }
    // Once the league has gone, only the idle server's are left.
    owned.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (testnet::OpenDescriptors() != idle - leagueOwn &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(testnet::OpenDescriptors(), idle - leagueOwn);
}

#ifndef _WIN32
// A league whose name servers keep the plug-in waiting: a player leaving and
// an unload while its name is looked up hold neither the server's thread nor
// the console, and the lookups, let go after the unload, end in libcurl's
// code, which stays loaded for them.
TEST_F(TKAuthHostFeature, ALookupUnderWayHoldsNothingUpAndOutlivesAnUnload) {
    // Far below a lookup's hold: one waited for would take all of it.
    constexpr auto kDropBound = 500ms;
    const auto timed = [](auto drop) {
        const auto before = std::chrono::steady_clock::now();
        drop();
        return std::chrono::steady_clock::now() - before;
    };
    testnet::SlowNameLookups lookups;
    StartWarServer(std::string("tk_authhost \"http://") + testnet::kSlowHost + ":" +
                   std::to_string(testnet::ClosedPort()) + "/auth\"\n");
    sim::Client& alice = Player("alice", "STEAM_0:1:4242");
    ASSERT_TRUE(RunUntil([&] { return lookups.Begun() == 1; }, nullptr));
    EXPECT_LT(timed([&] { server->Clients().Disconnect(alice, "Disconnect by user.", false); }),
              kDropBound);

    Player("bob", "STEAM_0:0:7");
    ASSERT_TRUE(RunUntil([&] { return lookups.Begun() == 2; }, nullptr));
    EXPECT_LT(timed([&] { Console("plugin_unload 0"); }), kDropBound);
    EXPECT_LT(longestFrame, kDropBound);

    void* curl = dlopen("libcurl.so.4", RTLD_LAZY | RTLD_NOLOAD);
    EXPECT_NE(curl, nullptr) << "libcurl went with the plug-in";
    if (curl)
        dlclose(curl);
    EXPECT_TRUE(lookups.Release());
    server->RunSeconds(1.0);
    EXPECT_EQ(ConsoleCount("TKAuthHost returned"), 0);
}
#endif

}  // namespace

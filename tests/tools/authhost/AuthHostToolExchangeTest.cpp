#include <gtest/gtest.h>

#include <random>

#include "Exchange.h"
#include "support/StringTokenizer.h"
#include "support/base64.h"

namespace {

using authhost::Answer;
using authhost::ParseRequest;
using authhost::Verdict;

authhost::Roster MakeRoster(const std::string& text) {
    std::vector<authhost::RosterError> errors;
    authhost::Roster roster = authhost::Roster::Parse(text, errors);
    EXPECT_TRUE(errors.empty());
    return roster;
}

// The answer as the plug-in splits and decodes it: fields at ',' with empty
// ones dropped, each Base64-decoded.
std::vector<std::string> DecodeAsThePluginDoes(const std::string& body) {
    std::vector<std::string> lines;
    StringTokenizer fields(body, ",");
    while (fields.hasMoreTokens())
        lines.push_back(base64_decode(fields.nextToken()));
    return lines;
}

TEST(AuthHostToolExchange, ThePlugInsBodyIsReadFieldByField) {
    const auto request = ParseRequest("uid=0:1:2345&game=0&gameIP=10.0.0.5&gamePort=27015");
    EXPECT_EQ(request.uid, "0:1:2345");
    EXPECT_EQ(request.game, "0");
    EXPECT_EQ(request.gameIP, "10.0.0.5");
    EXPECT_EQ(request.gamePort, "27015");
    // Before the server has its address both values are empty.
    const auto early = ParseRequest("uid=0:0:1&game=0&gameIP=&gamePort=");
    EXPECT_EQ(early.uid, "0:0:1");
    EXPECT_EQ(early.gameIP, "");
    EXPECT_EQ(early.gamePort, "");
}

TEST(AuthHostToolExchange, EncodedRepeatedAndStrayFieldsDoNotConfuseTheReading) {
    EXPECT_EQ(ParseRequest("uid=0%3A1%3A2345").uid, "0:1:2345");
    EXPECT_EQ(ParseRequest("uid=0:1:1&uid=0:1:2").uid, "0:1:1");
    EXPECT_EQ(ParseRequest("&&uid&=x&uidx=1&uid=0:0:3&").uid, "0:0:3");
    EXPECT_EQ(ParseRequest("uid=%zz%4").uid, "%zz%4");
    EXPECT_EQ(ParseRequest("uid=a+b").uid, "a b");
    EXPECT_EQ(ParseRequest("").uid, "");
    EXPECT_EQ(ParseRequest("uid=x=y").uid, "x=y");
}

TEST(AuthHostToolExchange, AKnownPlayersLinesComeBackAsThePlugInDecodesThem) {
    // Commas and colour bytes inside a line survive: each line is Base64 as a whole.
    const auto roster = MakeRoster(
        "0:1:2345 show \\x04Alice\\x01, captain\n"
        "0:1:2345 show Team: Red\n");
    const auto answer = Answer(roster, ParseRequest("uid=0:1:2345&game=0"));
    EXPECT_EQ(answer.verdict, Verdict::Shown);
    EXPECT_EQ(answer.body.rfind("1,", 0), std::string::npos);
    EXPECT_EQ(DecodeAsThePluginDoes(answer.body), (std::vector<std::string>{"\x04"
                                                                            "Alice\x01, captain",
                                                                            "Team: Red"}));
}

TEST(AuthHostToolExchange, ARefusalCarriesItsMessageAndAnEmptyOneIsJustTheMark) {
    const auto roster = MakeRoster("0:0:7 refuse Banned, see forum\n0:0:8 refuse\n");
    const auto refused = Answer(roster, ParseRequest("uid=0:0:7"));
    EXPECT_EQ(refused.verdict, Verdict::Refused);
    ASSERT_EQ(refused.body.rfind("1,", 0), 0u);
    EXPECT_EQ(DecodeAsThePluginDoes(refused.body.substr(2)),
              std::vector<std::string>{"Banned, see forum"});
    EXPECT_EQ(Answer(roster, ParseRequest("uid=0:0:8")).body, "1,");
}

TEST(AuthHostToolExchange, UnknownAndMalformedIdsAreAnsweredZero) {
    const auto roster = MakeRoster("0:1:2345 show x\n");
    for (const char* body :
         {"uid=0:1:9", "uid=", "", "game=0", "uid=STEAM_ID_PENDING", "uid=0:1:2345\n", "uid=BOT"}) {
        const auto answer = Answer(roster, ParseRequest(body));
        EXPECT_EQ(answer.verdict, Verdict::Unknown) << body;
        EXPECT_EQ(answer.body, "0") << body;
    }
}

TEST(AuthHostToolExchange, RandomBodiesNeverMatchWronglyOrCrash) {
    const auto roster = MakeRoster("0:1:2345 show x\n");
    std::mt19937 random(21);
    for (int round = 0; round < 2000; ++round) {
        std::string body(random() % 200, '\0');
        for (char& c : body)
            c = static_cast<char>(random() % 256);
        if (round % 3 == 0)
            body = "uid=" + body;
        const auto answer = Answer(roster, ParseRequest(body));
        if (answer.verdict == Verdict::Shown)
            EXPECT_EQ(authhost::Roster::AccountKey(ParseRequest(body).uid), "1:2345");
        else
            EXPECT_EQ(answer.body, "0");
    }
}

TEST(AuthHostToolExchange, TheOfflinePageIsWhatThePlugInTakesForADownHost) {
    EXPECT_NE(authhost::OfflinePage().find("<html>"), std::string::npos);
}

TEST(AuthHostToolExchange, LogTextEscapesControlBytesAndIsCut) {
    EXPECT_EQ(authhost::LogSafe("a\nb\x1b[31m\\"), "a\\x0ab\\x1b[31m\\x5c");
    EXPECT_EQ(authhost::LogSafe(std::string(100, 'x'), 10), std::string(10, 'x') + "...");
    EXPECT_EQ(authhost::LogSafe(std::string("\xff\x00", 2)), "\\xff\\x00");
}

}  // namespace

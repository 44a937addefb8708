#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Roster.h"

namespace {

using authhost::Roster;
using authhost::RosterError;

Roster Parse(const std::string& text, std::vector<RosterError>& errors) {
    return Roster::Parse(text, errors);
}

TEST(AuthHostToolRoster, ShowLinesAccumulateInOrderAndRefusalKeepsItsMessage) {
    std::vector<RosterError> errors;
    const Roster roster = Parse(
        "# comment\n"
        "\n"
        "STEAM_0:1:2345  show  Name: Alice\r\n"
        "   # an indented comment\n"
        "0:1:2345\tshow\tTeam: Red   \n"
        "STEAM_0:0:7 refuse Banned until 2027, see the forum\n"
        "STEAM_0:0:8 refuse\n",
        errors);
    ASSERT_TRUE(errors.empty()) << errors[0].line << ": " << errors[0].message;
    EXPECT_EQ(roster.Size(), 3u);
    const authhost::RosterEntry* alice = roster.Find("0:1:2345");
    ASSERT_NE(alice, nullptr);
    EXPECT_FALSE(alice->refused);
    EXPECT_EQ(alice->lines, (std::vector<std::string>{"Name: Alice", "Team: Red"}));
    const authhost::RosterEntry* banned = roster.Find("STEAM_0:0:7");
    ASSERT_NE(banned, nullptr);
    EXPECT_TRUE(banned->refused);
    EXPECT_EQ(banned->refusal, "Banned until 2027, see the forum");
    const authhost::RosterEntry* silent = roster.Find("0:0:8");
    ASSERT_NE(silent, nullptr);
    EXPECT_TRUE(silent->refused);
    EXPECT_EQ(silent->refusal, "");
}

TEST(AuthHostToolRoster, SteamIdsMatchOnTheAccountWhateverTheUniverseDigitOrLeadingZeros) {
    std::vector<RosterError> errors;
    const Roster roster = Parse("STEAM_1:1:00042 show x\n", errors);
    ASSERT_TRUE(errors.empty());
    EXPECT_NE(roster.Find("0:1:42"), nullptr);
    EXPECT_NE(roster.Find("STEAM_0:1:42"), nullptr);
    // The other half of the account number is another account.
    EXPECT_EQ(roster.Find("0:0:42"), nullptr);
    EXPECT_EQ(roster.Find("0:1:420"), nullptr);
    // What a server sends for players without a Steam ID never matches.
    for (const char* id : {"STEAM_ID_PENDING", "STEAM_ID_LAN", "BOT", "HLTV", "", "0:1:", ":1:42",
                           "0:2:42", "0:1:42x", "00:1:42", "0:1:12345678901", "0:1:-42"})
        EXPECT_EQ(Roster::AccountKey(id), std::nullopt) << id;
}

TEST(AuthHostToolRoster, EscapesGiveChatColoursAndBackslashesOnly) {
    std::vector<RosterError> errors;
    const Roster roster = Parse("0:0:1 show \\x04Green\\x01 and a \\\\ backslash \\x41\n", errors);
    ASSERT_TRUE(errors.empty()) << errors[0].message;
    EXPECT_EQ(roster.Find("0:0:1")->lines[0], "\x04Green\x01 and a \\ backslash A");
}

TEST(AuthHostToolRoster, EveryBadLineIsReportedWithItsNumberAndTheRestIsKept) {
    std::vector<RosterError> errors;
    const std::string longText(Roster::kMaxTextBytes + 1, 'a');
    const Roster roster = Parse(
        "0:0:1 show fine\n"              // 1
        "alice show x\n"                 // 2 not a Steam ID
        "0:0:2 shw x\n"                  // 3 unknown word
        "0:0:3\n"                        // 4 no verb
        "0:0:4 show\n"                   // 5 empty show
        "0:0:5 show \\x0a line break\n"  // 6 control escape
        "0:0:6 show a\tb\n"              // 7 raw tab inside the text
        "0:0:7 show \\q\n"               // 8 bad escape
        "0:0:8 show \\x4\n"              // 9 short escape
        "0:0:9 show " +
            longText +
            "\n"                            // 10 too long
            "0:0:1 refuse late\n"           // 11 refuse after show
            "0:0:10 refuse no\n"            // 12
            "0:0:10 refuse twice\n"         // 13
            "0:0:10 show after refusal\n",  // 14
        errors);
    std::vector<int> lines;
    for (const RosterError& error : errors)
        lines.push_back(error.line);
    EXPECT_EQ(lines, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14}));
    // The good lines stand.
    ASSERT_NE(roster.Find("0:0:1"), nullptr);
    EXPECT_FALSE(roster.Find("0:0:1")->refused);
    EXPECT_EQ(roster.Find("0:0:10")->refusal, "no");
    EXPECT_EQ(roster.Find("0:0:2"), nullptr);
    EXPECT_EQ(roster.Find("0:0:9"), nullptr);
}

TEST(AuthHostToolRoster, TextAtTheLengthLimitAndLinesAtTheCountLimitPassOneMoreFails) {
    std::vector<RosterError> errors;
    std::string text;
    for (size_t i = 0; i < Roster::kMaxLinesPerPlayer + 1; ++i)
        text +=
            "0:1:5 show " + std::string(Roster::kMaxTextBytes, 'a' + static_cast<char>(i)) + "\n";
    const Roster roster = Parse(text, errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, static_cast<int>(Roster::kMaxLinesPerPlayer) + 1);
    EXPECT_EQ(roster.Find("0:1:5")->lines.size(), Roster::kMaxLinesPerPlayer);
}

TEST(AuthHostToolRoster, TheShippedExampleRosterIsValid) {
    std::ifstream file(AUTHHOST_EXAMPLE_ROSTER);
    ASSERT_TRUE(file) << AUTHHOST_EXAMPLE_ROSTER;
    std::stringstream text;
    text << file.rdbuf();
    std::vector<RosterError> errors;
    const Roster roster = Parse(text.str(), errors);
    EXPECT_TRUE(errors.empty()) << errors[0].line << ": " << errors[0].message;
    EXPECT_GE(roster.Size(), 3u);
}

}  // namespace

// The operator's list of auth hosts: what makes a line bad, and that the
// good lines around a bad one are still used.
#include "auth/AuthHostsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(AuthHostsFileUnit, BadLinesAreNamedByNumberAndTheRestIsUsed) {
    std::vector<std::string> errors;
    const std::vector<AuthHostsFile::Entry> entries = AuthHostsFile::Parse(
        "  // comment\n"
        "CEVO\tHTTPS://Cevo.Example/Auth.php  \r\n"
        "way-too-long-alias-name http://x.example/\n"
        "bad!alias http://x.example/\n"
        "esl file:///etc/passwd\n"
        "esl http://esl.example/a b\n"
        "taken http://x.example/\n"
        "esl http://esl.example/\n",
        {"taken"}, errors);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].alias, "cevo");
    EXPECT_EQ(entries[0].url, "HTTPS://Cevo.Example/Auth.php");
    EXPECT_EQ(entries[1].alias, "esl");
    const std::vector<std::string> lines = {
        "line 3: ", "line 4: ", "line 5: ", "line 6: ", "line 7: "};
    ASSERT_EQ(errors.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(errors[i].rfind(lines[i], 0), 0u) << errors[i];
}

TEST(AuthHostsFileUnit, AnAliasOnceAndAtMostSixtyFourHosts) {
    std::string text = "dup http://a.example/\nDUP http://b.example/\n";
    for (int i = 0; i < 70; ++i)
        text.append("h").append(std::to_string(i)).append(" http://h.example/\n");
    std::vector<std::string> errors;
    const auto entries = AuthHostsFile::Parse(text, {}, errors);
    EXPECT_EQ(entries.size(), AuthHostsFile::kMaxEntries);
    ASSERT_EQ(errors.size(), 1u + 70 - (AuthHostsFile::kMaxEntries - 1));
    EXPECT_EQ(errors[0], "line 2: the alias is already taken");
}

}  // namespace

// How an operator's file is walked: line numbers count every line, blanks
// and comments are skipped, and names are held to what a variable can be.
#include "core/ConfigFile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<int, std::string>> Lines(std::string_view text) {
    std::vector<std::pair<int, std::string>> lines;
    ConfigFile::ForEachLine(
        text, [&lines](int number, std::string_view line) { lines.emplace_back(number, line); });
    return lines;
}

TEST(ConfigFileUnit, LinesKeepTheirNumbersPastSkippedOnes) {
    using Expected = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(Lines("first\n\n  // a comment\n\t second \r\n \t\r\n//x\nlast"),
              (Expected{{1, "first"}, {4, "second"}, {7, "last"}}));
    // A comment marker later on the line is the line's own text.
    EXPECT_EQ(Lines("name // why\r\n"), (Expected{{1, "name // why"}}));
    EXPECT_TRUE(Lines("").empty());
    EXPECT_TRUE(Lines("\n\n\n").empty());
    // A last line without its line end counts.
    EXPECT_EQ(Lines("a\nb"), (Expected{{1, "a"}, {2, "b"}}));
}

TEST(ConfigFileUnit, VariableNamesAreWordsWithinTheirLength) {
    EXPECT_TRUE(ConfigFile::IsVariableName("host_framerate", 63));
    EXPECT_TRUE(ConfigFile::IsVariableName(std::string(63, 'a'), 63));
    EXPECT_FALSE(ConfigFile::IsVariableName(std::string(64, 'a'), 63));
    EXPECT_FALSE(ConfigFile::IsVariableName("", 63));
    for (const char* bad : {"a b", "a;b", "a\"", "sv-cheats", "name\x01", "caf\xc3\xa9"}) {
        EXPECT_FALSE(ConfigFile::IsVariableName(bad, 63)) << bad;
    }
}

}  // namespace

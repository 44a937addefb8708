#include "support/StringTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

// Takes every token with the stored delimiter, checking on the way that
// countTokens always announces what is still to come.
Tokens Drain(StringTokenizer& tokenizer) {
    Tokens tokens;
    const int announced = tokenizer.countTokens();
    while (tokenizer.hasMoreTokens()) {
        EXPECT_EQ(tokenizer.countTokens(), announced - static_cast<int>(tokens.size()));
        tokens.push_back(tokenizer.nextToken());
    }
    EXPECT_EQ(static_cast<int>(tokens.size()), announced);
    EXPECT_EQ(tokenizer.countTokens(), 0);
    return tokens;
}

Tokens Split(const std::string& text, const std::string& delimiter) {
    StringTokenizer tokenizer(text, delimiter);
    return Drain(tokenizer);
}

TEST(StringTokenizerUnit, EmptyTextOrDelimiterYieldsNothing) {
    for (const auto& [text, delimiter] :
         {std::pair<std::string, std::string>{"", ","}, {"a,b", ""}, {"", ""}}) {
        StringTokenizer tokenizer(text, delimiter);
        EXPECT_EQ(tokenizer.countTokens(), 0);
        EXPECT_FALSE(tokenizer.hasMoreTokens());
        EXPECT_EQ(tokenizer.nextToken(), "");
        EXPECT_EQ(tokenizer.remainingString(), "");
    }
}

TEST(StringTokenizerUnit, RunsAndEndsOfDelimitersGiveNoEmptyTokens) {
    EXPECT_EQ(Split("a,,b", ","), (Tokens{"a", "b"}));
    EXPECT_EQ(Split(",a,", ","), (Tokens{"a"}));
    EXPECT_EQ(Split(",,,", ","), Tokens{});
    EXPECT_EQ(Split(",,,a,,,,b,,,", ","), (Tokens{"a", "b"}));
    EXPECT_EQ(Split("1,QUJD,", ","), (Tokens{"1", "QUJD"}));
}

TEST(StringTokenizerUnit, CountDropsAsTokensAreTaken) {
    StringTokenizer tokenizer("1,QUJD,", ",");
    EXPECT_EQ(tokenizer.countTokens(), 2);
    EXPECT_EQ(tokenizer.nextToken(), "1");
    EXPECT_EQ(tokenizer.countTokens(), 1);
    EXPECT_EQ(tokenizer.remainingString(), "QUJD");
}

TEST(StringTokenizerUnit, TextWithoutDelimiterIsOneToken) {
    EXPECT_EQ(Split("plain", ","), (Tokens{"plain"}));
}

TEST(StringTokenizerUnit, MultiCharacterDelimiterMatchesOnlyAsAWhole) {
    EXPECT_EQ(Split("a:b::c", "::"), (Tokens{"a:b", "c"}));
    EXPECT_EQ(Split("::a::::b:::", "::"), (Tokens{"a", "b:"}));
    EXPECT_EQ(Split("x<>y><z", "<>"), (Tokens{"x", "y><z"}));
}

TEST(StringTokenizerUnit, SelfOverlappingDelimiterIsCountedWithoutOverlap) {
    StringTokenizer tokenizer("xaaay", "aa");
    EXPECT_EQ(tokenizer.countTokens(), 2);
    EXPECT_EQ(tokenizer.nextToken(), "x");
    EXPECT_EQ(tokenizer.nextToken(), "ay");
    EXPECT_FALSE(tokenizer.hasMoreTokens());
}

TEST(StringTokenizerUnit, QuotesDoNotProtectADelimiter) {
    EXPECT_EQ(Split("\"my host\" extra", " "), (Tokens{"\"my", "host\"", "extra"}));
}

TEST(StringTokenizerUnit, OtherDelimiterForOneCallDoesNotCollapseOrReplaceStored) {
    StringTokenizer tokenizer("a;;b,c;d", ",");
    EXPECT_EQ(tokenizer.nextToken(";"), "a");
    EXPECT_EQ(tokenizer.nextToken(";"), "");
    EXPECT_EQ(tokenizer.nextToken(), "b");
    EXPECT_EQ(tokenizer.nextToken(), "c;d");
    EXPECT_FALSE(tokenizer.hasMoreTokens());
}

TEST(StringTokenizerUnit, EmptyDelimiterForOneCallTakesTheRest) {
    StringTokenizer tokenizer("a,b", ",");
    EXPECT_EQ(tokenizer.nextToken(""), "a,b");
    EXPECT_FALSE(tokenizer.hasMoreTokens());
}

TEST(StringTokenizerUnit, FilterRemovesEveryOccurrenceFromTheTokenOnly) {
    StringTokenizer tokenizer("\"a\"b\",\"c\"", ",");
    EXPECT_EQ(tokenizer.filterNextToken("\""), "ab");
    EXPECT_EQ(tokenizer.remainingString(), "\"c\"");
    EXPECT_EQ(tokenizer.filterNextToken(""), "\"c\"");
}

}  // namespace

#include "support/TKStrUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TKStrUtils, ReplaceStrResumesAtTheReplacementNotBeforeIt) {
    // A pattern formed by the replacement and the text after it is found...
    EXPECT_EQ(TKStrUtils::replaceStr("abbb", "ab", "a"), "a");
    // ...but one formed with the text before the cut is not.
    EXPECT_EQ(TKStrUtils::replaceStr("aabb", "ab", ""), "ab");
    EXPECT_EQ(TKStrUtils::replaceStr("\x07na\x07\x07me\x07", "\x07", ""), "name");
}

TEST(TKStrUtils, ReplaceStrWithLongerReplacementReplacesEachOccurrence) {
    EXPECT_EQ(TKStrUtils::replaceStr("a-b-c", "-", "--"), "a--b--c");
    EXPECT_EQ(TKStrUtils::replaceStr("aaa", "a", "ba"), "bababa");
    EXPECT_EQ(TKStrUtils::replaceStr("a.b", ".", "<dot>"), "a<dot>b");
}

TEST(TKStrUtils, ReplaceStrWithEmptyFindChangesNothing) {
    EXPECT_EQ(TKStrUtils::replaceStr("abc", "", "x"), "abc");
    EXPECT_EQ(TKStrUtils::replaceStr("", "a", ""), "");
}

TEST(TKStrUtils, ReplaceStrKeepsEmbeddedNulBytes) {
    const std::string text("a\0b\0c", 5);
    EXPECT_EQ(TKStrUtils::replaceStr(text, std::string(1, '\0'), ""), "abc");
}

TEST(TKStrUtils, StringToLowerChangesOnlyAsciiLetters) {
    EXPECT_EQ(TKStrUtils::stringToLower("AbC-XYZ 09@[`{"), "abc-xyz 09@[`{");
    const std::string high = "\xC4\xD6\xDC\xFF\x80";
    EXPECT_EQ(TKStrUtils::stringToLower(high), high);
}

TEST(TKStrUtils, StripStringDropsQuotesAndCarriageReturnsAnywhere) {
    EXPECT_EQ(TKStrUtils::stripString("\"auth.example.org\"\r"), "auth.example.org");
    EXPECT_EQ(TKStrUtils::stripString("a\"\rb\r\n\"c"), "ab\nc");
    EXPECT_EQ(TKStrUtils::stripString("\"\"\r\r"), "");
}

}  // namespace

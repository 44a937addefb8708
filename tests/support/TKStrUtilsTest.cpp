#include "support/TKStrUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TKStrUtilsUnit, ReplaceStrResumesAtTheReplacementNotBeforeIt) {
    // A pattern formed by the replacement and the text after it is found...
    EXPECT_EQ(TKStrUtils::replaceStr("abbb", "ab", "a"), "a");
    // ...but one formed with the text before the cut is not.
    EXPECT_EQ(TKStrUtils::replaceStr("aabb", "ab", ""), "ab");
    EXPECT_EQ(TKStrUtils::replaceStr("\x07na\x07\x07me\x07", "\x07", ""), "name");
}

TEST(TKStrUtilsUnit, ReplaceStrWithLongerReplacementReplacesEachOccurrence) {
    EXPECT_EQ(TKStrUtils::replaceStr("a-b-c", "-", "--"), "a--b--c");
    EXPECT_EQ(TKStrUtils::replaceStr("aaa", "a", "ba"), "bababa");
    EXPECT_EQ(TKStrUtils::replaceStr("a.b", ".", "<dot>"), "a<dot>b");
}

TEST(TKStrUtilsUnit, ReplaceStrWithEmptyFindChangesNothing) {
    EXPECT_EQ(TKStrUtils::replaceStr("abc", "", "x"), "abc");
    EXPECT_EQ(TKStrUtils::replaceStr("", "a", ""), "");
}

TEST(TKStrUtilsUnit, ReplaceStrKeepsEmbeddedNulBytes) {
    const std::string text("a\0b\0c", 5);
    EXPECT_EQ(TKStrUtils::replaceStr(text, std::string(1, '\0'), ""), "abc");
}

TEST(TKStrUtilsUnit, StringToLowerChangesOnlyAsciiLetters) {
    EXPECT_EQ(TKStrUtils::stringToLower("AbC-XYZ 09@[`{"), "abc-xyz 09@[`{");
    const std::string high = "\xC4\xD6\xDC\xFF\x80";
    EXPECT_EQ(TKStrUtils::stringToLower(high), high);
}

TEST(TKStrUtilsUnit, StripStringDropsQuotesAndCarriageReturnsAnywhere) {
    EXPECT_EQ(TKStrUtils::stripString("\"auth.example.org\"\r"), "auth.example.org");
    EXPECT_EQ(TKStrUtils::stripString("a\"\rb\r\n\"c"), "ab\nc");
    EXPECT_EQ(TKStrUtils::stripString("\"\"\r\r"), "");
}

}  // namespace

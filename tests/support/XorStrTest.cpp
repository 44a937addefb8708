#include "support/StringCrypt.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string AllBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + 3);
    }
    return bytes;
}

TEST(XorStrUnit, KeyRepeatsFromItsStart) {
    // 'a'^'1', 'b'^'2', 'c'^'1': the key restarts after its last byte.
    EXPECT_EQ(XORSTR("abc", "12"), std::string("\x50\x50\x52", 3));
}

TEST(XorStrUnit, IsItsOwnInverse) {
    const std::string data = AllBytes(1000);
    for (const std::string& key :
         {std::string("7"), std::string("12345678"), std::string("k\0y", 3), AllBytes(1500)}) {
        const std::string scrambled = XORSTR(data, key);
        EXPECT_EQ(scrambled.size(), data.size());
        EXPECT_NE(scrambled, data);
        EXPECT_EQ(XORSTR(scrambled, key), data);
    }
}

TEST(XorStrUnit, EmptyKeyLeavesDataAsItIs) {
    EXPECT_EQ(XORSTR("sv_cheats", ""), "sv_cheats");
    EXPECT_EQ(XORSTR("", "12345678"), "");
}

TEST(XorStrUnit, DataBeyondSixteenBitsIsRefused) {
    const std::string largest = AllBytes(kXorStrMaxLength);
    const std::string scrambled = XORSTR(largest, "12345678");
    ASSERT_EQ(scrambled.size(), largest.size());
    EXPECT_EQ(XORSTR(scrambled, "12345678"), largest);
    EXPECT_EQ(XORSTR(AllBytes(kXorStrMaxLength + 1), "12345678"), "");
}

TEST(XorStrUnit, InitEncMakesAnEightDigitKey) {
    InitEnc();
    const std::string first = encKey;
    ASSERT_EQ(first.size(), 8u);
    EXPECT_EQ(first.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(first, std::string(StringCrypt::kKeyDigits.begin(), StringCrypt::kKeyDigits.end()));
    InitEnc();
    EXPECT_EQ(encKey, first);
}

TEST(XorStrUnit, CompileTimeScramblingMatchesRunTimeKey) {
    static constexpr auto kCheats = StringCrypt::Scramble("sv_cheats");
    InitEnc();
    EXPECT_NE(std::string(kCheats.bytes.begin(), kCheats.bytes.end()), "sv_cheats");
    EXPECT_EQ(kCheats.unscramble(), "sv_cheats");
}

TEST(XorStrUnit, ScrambledNulBytesDoNotCutTheName) {
    // A digit of the name that meets the same key digit scrambles to NUL.
    static constexpr auto kDigits = StringCrypt::Scramble("73918264_name");
    InitEnc();
    EXPECT_EQ(kDigits.bytes[0], '\0');
    EXPECT_EQ(kDigits.unscramble(), "73918264_name");
}

}  // namespace

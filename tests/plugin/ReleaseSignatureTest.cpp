// Release signatures are checked with OpenSSL on Linux and on libgcrypt's
// curve arithmetic on Windows: the same answers for the same files (RFC
// 8032's test vectors, and signatures made to tell the two apart).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "updater/ReleaseSignature.h"

namespace {

// RFC 8032, section 7.1, tests 1 (the empty message) and 2 (one byte, 0x72).
constexpr const char* kKey1 = "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=";
constexpr const char* kSignature1 =
    "5VZDAMNgrHKQhuLMgG6CioSHfx645dl02HPgZSJJAVVfuIIVkKM7rMYeOXAc+bRr0lv18FlbviRlUUFDjnoQCw==";
constexpr const char* kKey2 = "PUAXw+hDiVqStwqnTRt+vJyYLM8uxJaMwM1V8Sr0Zgw=";
constexpr const char* kSignature2 =
    "kqAJqfDUyrhyDoILX2QlQKKye1QWUD+Ps3YiI+vbadoIWsHkPhWZbkWPNhPQ8R2MOHsurrQwKu6wDSkWErsMAA==";

// A 100000-byte file (byte i is (7i + 3) mod 251) signed with OpenSSL: a
// module is megabytes, well past what libgcrypt takes in one S-expression.
constexpr const char* kBigKey = "DvMnTdp6x356swhJ8NBbeeqZbtGs7cQ17Cwz2/B39S4=";
constexpr const char* kBigSignature =
    "xOVuLQGPMx3QW8hqgQnGYnKrk6wdR1Ld7JmbTRrnwJTka2qQPz5tDN4nLJme/t/6LFb5zb5QhqV8pgiz2ahLDA==";
// Test 2's signature with the group's order added to S: the same point
// equation holds, but a second valid signature must not exist.
constexpr const char* kMalleated2 =
    "kqAJqfDUyrhyDoILX2QlQKKye1QWUD+Ps3YiI+vbadr1LbdBWXirxhssLrau6/ygOHsurrQwKu6wDSkWErsMEA==";

// Test 2's key over the file 0x72 with R the neutral point, S = k * a: once
// with R written as y = 1, once as y = 1 + p, which is not a field element.
// OpenSSL accepts the first and refuses the second.
constexpr const char* kNeutralR2 =
    "AQAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAABnXQVFlfoXy2pE462myjheVWZ+QaY/2rCsItEAADVAAg==";
constexpr const char* kNonCanonicalR2 =
    "7v///////////////////////////////////////38KBAPHh1ZwQ5SnkTAtB6y9+EbgLmNxAQtz+cAhMTveAQ==";

std::string BigFile() {
    std::string bytes(100000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    return bytes;
}

class ReleaseSignatureUnit : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path); }
    std::string Write(const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    // Each test its own file: ctest runs them side by side.
    std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("tk_signature_" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
         std::to_string(std::random_device()()) + ".bin");
};

TEST_F(ReleaseSignatureUnit, AcceptsTheSignedFileOnly) {
    EXPECT_TRUE(ReleaseSignature::VerifyFile(kKey1, kSignature1, Write("")));
    EXPECT_TRUE(ReleaseSignature::VerifyFile(kKey2, kSignature2, Write("\x72")));
    // Another file, another key, another signature: refused.
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kKey2, kSignature2, Write("\x73")));
    EXPECT_FALSE(
        ReleaseSignature::VerifyFile(kKey2, kSignature2, Write(std::string("\x72\x00", 2))));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kKey1, kSignature2, Write("\x72")));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kKey2, kSignature1, Write("\x72")));
}

TEST_F(ReleaseSignatureUnit, AFileOfModuleSizeIsCheckedWhole) {
    std::string bytes = BigFile();
    EXPECT_TRUE(ReleaseSignature::VerifyFile(kBigKey, kBigSignature, Write(bytes)));
    bytes[50000] ^= 1;
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kBigKey, kBigSignature, Write(bytes)));
    bytes[50000] ^= 1;
    bytes.push_back('\0');
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kBigKey, kBigSignature, Write(bytes)));
}

TEST_F(ReleaseSignatureUnit, ASignatureWithAnOversizedScalarIsRefused) {
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kKey2, kMalleated2, Write("\x72")));
}

TEST_F(ReleaseSignatureUnit, APointWrittenWithYAtOrAboveTheFieldPrimeIsRefused) {
    EXPECT_TRUE(ReleaseSignature::VerifyFile(kKey2, kNeutralR2, Write("\x72")));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kKey2, kNonCanonicalR2, Write("\x72")));
}

TEST_F(ReleaseSignatureUnit, MalformedInputIsRefused) {
    EXPECT_FALSE(ReleaseSignature::VerifyFile("", kSignature2, Write("\x72")));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kKey2, "", path.string()));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(kKey2, kSignature2, path.string() + ".missing"));
    EXPECT_TRUE(ReleaseSignature::IsPublicKey(kKey1));
    EXPECT_FALSE(ReleaseSignature::IsPublicKey(kSignature1));
}

}  // namespace

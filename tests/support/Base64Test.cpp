#include "support/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Encode(const std::string& bytes) {
    return base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

struct Vector {
    const char* plain;
    const char* encoded;
};

// RFC 4648, section 10.
constexpr Vector kRfc4648[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(Base64Unit, Rfc4648VectorsEncode) {
    for (const Vector& v : kRfc4648) {
        EXPECT_EQ(Encode(v.plain), v.encoded) << "plain '" << v.plain << "'";
    }
}

TEST(Base64Unit, Rfc4648VectorsDecode) {
    for (const Vector& v : kRfc4648) {
        EXPECT_EQ(base64_decode(v.encoded), v.plain) << "encoded '" << v.encoded << "'";
    }
}

TEST(Base64Unit, EveryByteValueSurvivesARoundTrip) {
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<char>(i));
    }
    for (size_t cut = 0; cut < 4; ++cut) {
        const std::string bytes = all.substr(cut);
        EXPECT_EQ(base64_decode(Encode(bytes)), bytes) << "length " << bytes.size();
    }
    EXPECT_EQ(Encode(std::string("\xFB\xFF\xBF", 3)), "+/+/");
}

TEST(Base64Unit, DecodingStopsAtTheFirstCharacterOutsideTheAlphabet) {
    EXPECT_EQ(base64_decode("QUJD"), "ABC");
    EXPECT_EQ(base64_decode("QUI="), "AB");
    EXPECT_EQ(base64_decode("QUJD\nREVG"), "ABC");
    EXPECT_EQ(base64_decode("QUJD\r\n"), "ABC");
    EXPECT_EQ(base64_decode("QU JD"), "A");
    EXPECT_EQ(base64_decode("QUI=REVG"), "AB");
    EXPECT_EQ(base64_decode("QUJD-_"), "ABC");
    EXPECT_EQ(base64_decode("\xC3\x84QUJD"), "");
    EXPECT_EQ(base64_decode(std::string("QUJD\0REVG", 9)), "ABC");
}

TEST(Base64Unit, ShortFinalGroups) {
    EXPECT_EQ(base64_decode("Q"), "");
    EXPECT_EQ(base64_decode("QUJDR"), "ABC");
    EXPECT_EQ(base64_decode("QUJDRE"), "ABCD");
    EXPECT_EQ(base64_decode("QUJDREV"), "ABCDE");
}

TEST(Base64Unit, IsBase64AcceptsExactlyTheAlphabet) {
    std::string accepted;
    for (int c = 0; c < 256; ++c) {
        if (is_base64(static_cast<unsigned char>(c))) {
            accepted.push_back(static_cast<char>(c));
        }
    }
    EXPECT_EQ(accepted, "+/0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
}

}  // namespace

#include "support/md5.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Hex(char* text) {
    MD5Text owned(text);
    return owned ? std::string(owned.get()) : std::string("(null)");
}

std::string DigestOf(const std::string& bytes) {
    md5 context;
    context.Update(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    context.Finalize();
    return Hex(PrintMD5(context.Digest()));
}

// Deterministic bytes covering every value.
std::string PseudoRandomBytes(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 0x12345678;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A file of its own per test, removed at the end.
class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_Path = std::filesystem::temp_directory_path() /
                 ("tk_md5_" + std::string(info->name()) + "_" + std::to_string(getpid()));
        std::ofstream(m_Path, std::ios::binary).write(bytes.data(), bytes.size());
    }
    ~TempFile() { std::filesystem::remove(m_Path); }
    std::string path() const { return m_Path.string(); }

private:
    std::filesystem::path m_Path;
};

struct Vector {
    const char* text;
    const char* digest;
};

// RFC 1321, appendix A.5.
constexpr Vector kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"1234567890123456789012345678901234567890"
     "1234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5Unit, Rfc1321TestSuite) {
    for (const Vector& v : kRfc1321) {
        EXPECT_EQ(Hex(MD5String(v.text)), v.digest) << "text '" << v.text << "'";
    }
}

TEST(Md5Unit, SplitUpdatesMatchOneUpdate) {
    // Pieces that end before, on and across the 64-byte block edges.
    const std::string bytes = PseudoRandomBytes(1000);
    for (size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 127u, 999u}) {
        md5 context;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            const size_t take = std::min(piece, bytes.size() - at);
            context.Update(reinterpret_cast<const unsigned char*>(bytes.data() + at), take);
        }
        context.Finalize();
        EXPECT_EQ(Hex(PrintMD5(context.Digest())), DigestOf(bytes)) << "pieces of " << piece;
    }
}

TEST(Md5Unit, PaddingEdgesAroundOneBlock) {
    // 55 bytes still fit the length in the same block; 56 need another.
    EXPECT_EQ(DigestOf(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(DigestOf(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(DigestOf(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
}

TEST(Md5Unit, ContextIsReusableAfterInit) {
    md5 context;
    context.Update(reinterpret_cast<const unsigned char*>("junk"), 4);
    context.Finalize();
    context.Init();
    context.Update(reinterpret_cast<const unsigned char*>("abc"), 3);
    context.Finalize();
    EXPECT_EQ(Hex(PrintMD5(context.Digest())), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5Unit, SecondFinalizeKeepsTheDigest) {
    md5 context;
    context.Update(reinterpret_cast<const unsigned char*>("abc"), 3);
    context.Finalize();
    context.Update(reinterpret_cast<const unsigned char*>("more"), 4);
    context.Finalize();
    EXPECT_EQ(Hex(PrintMD5(context.Digest())), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5Unit, FileOfSeveralMegabytesMatchesItsBytes) {
    // Not a multiple of the 1024-byte read block.
    const std::string bytes = PseudoRandomBytes(5 * 1024 * 1024 + 777);
    TempFile file(bytes);
    EXPECT_EQ(Hex(MD5File(file.path().c_str())), DigestOf(bytes));
}

TEST(Md5Unit, FileOfOneMillionLetters) {
    TempFile file(std::string(1000000, 'a'));
    EXPECT_EQ(Hex(MD5File(file.path().c_str())), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5Unit, EmptyFileHasTheDigestOfTheEmptyMessage) {
    TempFile file("");
    EXPECT_EQ(Hex(MD5File(file.path().c_str())), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5Unit, FileIsReadInBinaryMode) {
    TempFile file("a\r\nb\x1A\0c" + std::string(1, '\0'));
    EXPECT_EQ(Hex(MD5File(file.path().c_str())), DigestOf("a\r\nb\x1A\0c" + std::string(1, '\0')));
}

TEST(Md5Unit, UnreadableSourcesGiveNull) {
    EXPECT_EQ(MD5File("/nonexistent/tk_no_such_file"), nullptr);
    EXPECT_EQ(MD5File(nullptr), nullptr);
    // A directory opens for reading but every read fails: not an empty file.
    EXPECT_EQ(MD5File(std::filesystem::temp_directory_path().string().c_str()), nullptr);
    EXPECT_EQ(MD5String(nullptr), nullptr);
}

TEST(Md5Unit, StreamPullsFixedBlocksUntilTheEnd) {
    const std::string bytes = PseudoRandomBytes(3000);
    size_t at = 0;
    std::vector<size_t> asked;
    char* hex = MD5Stream([&](unsigned char* buffer, size_t size) -> long {
        asked.push_back(size);
        const size_t take = std::min(size, bytes.size() - at);
        std::copy_n(bytes.data() + at, take, buffer);
        at += take;
        return static_cast<long>(take);
    });
    EXPECT_EQ(Hex(hex), DigestOf(bytes));
    EXPECT_EQ(asked, (std::vector<size_t>{1024, 1024, 1024, 1024}));
}

TEST(Md5Unit, StreamReadErrorOrOverlongReadGivesNull) {
    int calls = 0;
    EXPECT_EQ(MD5Stream([&](unsigned char*, size_t size) -> long {
                  return ++calls == 1 ? static_cast<long>(size) : -1;
              }),
              nullptr);
    EXPECT_EQ(
        MD5Stream([](unsigned char*, size_t size) -> long { return static_cast<long>(size) + 1; }),
        nullptr);
}

}  // namespace

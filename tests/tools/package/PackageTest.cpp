// The release package as an operator receives it: the files of a server's
// cstrike/ folder and nothing else, the module the update server would offer
// for that version, and a digest and signature that the updater's own checks
// accept for the package and refuse for a changed one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Ed25519.h"
#include "Releases.h"
#include "ToolsTestSupport.h"
#include "support/md5.h"
#include "updater/ReleaseSignature.h"

namespace fs = std::filesystem;

namespace {

struct Output {
    int status = -1;
    std::string text;
};

// Runs a shell command line and collects what it printed (stderr too).
Output Shell(const std::string& command) {
    Output out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.text.append(buffer, got);
    const int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::string Md5Of(const std::string& path) {
    MD5Text digest(MD5File(path.c_str()));
    return digest ? digest.get() : "<unreadable>";
}

class Package : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        publicKey = release::GenerateKey(scratch / "key.pem", error);
        ASSERT_FALSE(publicKey.empty()) << error;
    }

    Output Make(const std::string& version, const std::string& out, const std::string& key = "") {
        return Shell("SOURCE_DATE_EPOCH=1700000000 bash " +
                     Quote(std::string(TRAVIK_SOURCE_DIR) + "/tools/package/package.sh") + " " +
                     Quote(version) + " " + Quote(key.empty() ? scratch / "key.pem" : key) + " " +
                     Quote(out) + " " + Quote(TRAVIK_GAME_DIR) + " " + Quote(RELEASE_TOOL));
    }

    ScratchFolder scratch;
    std::string publicKey;
};

TEST_F(Package, HoldsAServersCstrikeFolderWithTheReleasesModule) {
    const Output made = Make("4.7Beta", scratch / "out");
    ASSERT_EQ(made.status, 0) << made.text;
    const std::string archive = scratch / "out/travik-4.7Beta-linux.tar.gz";
    EXPECT_EQ(FirstLine(made.text), archive);

    // Every file sits under cstrike/; the dist folder's files all come along.
    std::set<std::string> files;
    std::istringstream listing(Shell("tar -tzf " + Quote(archive)).text);
    for (std::string line; std::getline(listing, line);)
        if (!line.empty() && line.back() != '/')
            files.insert(line);
    std::set<std::string> expected = {"cstrike/addons/travik.so", "cstrike/docs/travik/INSTALL.md",
                                      "cstrike/docs/travik/reference.md"};
    const fs::path dist = fs::path(TRAVIK_SOURCE_DIR) / "plugin/dist";
    for (const auto& entry : fs::recursive_directory_iterator(dist))
        if (entry.is_regular_file())
            expected.insert("cstrike/" + fs::relative(entry.path(), dist).string());
    EXPECT_TRUE(expected.contains("cstrike/addons/travik.vdf"));
    EXPECT_TRUE(expected.contains("cstrike/cfg/travik.cfg"));
    EXPECT_EQ(files, expected);

    const std::string unpacked = scratch / "unpacked";
    fs::create_directories(unpacked);
    ASSERT_EQ(Shell("tar -xzf " + Quote(archive) + " -C " + Quote(unpacked)).status, 0);
    const std::string game = unpacked + "/cstrike";
    EXPECT_EQ(ReadFileBytes(game + "/docs/travik/reference.md"),
              ReadFileBytes(std::string(TRAVIK_SOURCE_DIR) + "/docs/reference.md"));
    EXPECT_EQ(ReadFileBytes(game + "/addons/travik.vdf"),
              ReadFileBytes(dist.string() + "/addons/travik.vdf"));
    const std::string guide = ReadFileBytes(game + "/docs/travik/INSTALL.md");
    EXPECT_NE(guide.find("# Installing Travik 4.7Beta"), std::string::npos);
    EXPECT_EQ(guide.find("@VERSION@"), std::string::npos);
    EXPECT_NE(fs::status(game + "/addons/travik.so").permissions() & fs::perms::owner_exec,
              fs::perms::none);

    // The module is byte for byte the one the update server offers for 4.7Beta,
    // so a server installed from the package is not offered it again.
    std::string error;
    ASSERT_TRUE(release::ReleaseFolder(scratch / "releases")
                    .Add("4.7Beta", std::string(TRAVIK_GAME_DIR) + "/addons/travik.so",
                         scratch / "key.pem", false, error))
        << error;
    const std::string offered = ReadFileBytes(scratch / "releases/47beta/travik.so");
    EXPECT_EQ(ReadFileBytes(game + "/addons/travik.so"), offered);
    EXPECT_NE(offered, ReadFileBytes(std::string(TRAVIK_GAME_DIR) + "/addons/travik.so"));
}

TEST_F(Package, DigestAndSignaturePassTheUpdatersChecksOnlyForThePackage) {
    ASSERT_EQ(Make("4.7", scratch / "out").status, 0);
    const std::string archive = scratch / "out/travik-4.7-linux.tar.gz";
    EXPECT_EQ(ReadFileBytes(archive + ".md5"), Md5Of(archive) + "\n");
    const std::string signature = FirstLine(ReadFileBytes(archive + ".sig"));
    EXPECT_TRUE(ReleaseSignature::VerifyFile(publicKey, signature, archive));
    const Output verified =
        Shell(Quote(RELEASE_TOOL) + " verify " + Quote(archive) + " " + Quote(publicKey));
    EXPECT_EQ(verified.status, 0) << verified.text;

    // One changed byte: the digest and the signature both refuse it.
    std::string bytes = ReadFileBytes(archive);
    bytes[bytes.size() / 2] ^= 0x01;
    WriteFileBytes(archive, bytes);
    EXPECT_FALSE(ReleaseSignature::VerifyFile(publicKey, signature, archive));
    const Output tampered =
        Shell(Quote(RELEASE_TOOL) + " verify " + Quote(archive) + " " + Quote(publicKey));
    EXPECT_NE(tampered.status, 0);
    EXPECT_NE(tampered.text.find("does not hold the file's MD5"), std::string::npos)
        << tampered.text;

    // Another key's signature of the intact package does not pass either.
    std::string error;
    const std::string otherKey = release::GenerateKey(scratch / "other.pem", error);
    ASSERT_FALSE(otherKey.empty()) << error;
    ASSERT_EQ(Make("4.7", scratch / "again").status, 0);
    const Output wrongKey =
        Shell(Quote(RELEASE_TOOL) + " verify " + Quote(scratch / "again/travik-4.7-linux.tar.gz") +
              " " + Quote(otherKey));
    EXPECT_NE(wrongKey.status, 0);
    EXPECT_NE(wrongKey.text.find("is not a signature"), std::string::npos) << wrongKey.text;
}

// The same sources and key make the same bytes, so a package can be rebuilt
// and compared.
TEST_F(Package, IsReproducible) {
    ASSERT_EQ(Make("5.0", scratch / "a").status, 0);
    ASSERT_EQ(Make("5.0", scratch / "b").status, 0);
    EXPECT_EQ(ReadFileBytes(scratch / "a/travik-5.0-linux.tar.gz"),
              ReadFileBytes(scratch / "b/travik-5.0-linux.tar.gz"));
}

// A version that would name a file elsewhere, or no key, leaves nothing behind.
TEST_F(Package, RefusesABadVersionOrAMissingKeyAndWritesNothing) {
    const Output badVersion = Make("../4.7", scratch / "out");
    EXPECT_NE(badVersion.status, 0);
    EXPECT_NE(badVersion.text.find("must be letters, digits"), std::string::npos)
        << badVersion.text;
    const Output noKey = Make("4.7", scratch / "out", scratch / "missing.pem");
    EXPECT_NE(noKey.status, 0);
    EXPECT_NE(noKey.text.find("no release key"), std::string::npos) << noKey.text;
    EXPECT_FALSE(fs::exists(scratch / "out"));
}

}  // namespace

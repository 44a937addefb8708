#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

#include <filesystem>

#include "Ed25519.h"
#include "Releases.h"
#include "ToolsTestSupport.h"
#include "support/md5.h"
#include "updater/ReleaseSignature.h"

using release::ReleaseFolder;

namespace {

struct Keys {
    std::string pem;
    std::string publicKey;
};

Keys MakeKey(const ScratchFolder& folder, const std::string& name) {
    std::string error;
    Keys keys{folder / name, ""};
    keys.publicKey = release::GenerateKey(keys.pem, error);
    EXPECT_FALSE(keys.publicKey.empty()) << error;
    return keys;
}

std::string Md5Of(const std::string& bytes) {
    md5 context;
    context.Update(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    context.Finalize();
    return MD5Text(PrintMD5(context.Digest())).get();
}

// What the release step makes of a module: its bytes and the version stamp.
std::string Released(const std::string& bytes, const std::string& version) {
    return bytes + std::string(1, '\0') + "travik release " + version + "\n";
}

class ReleaseStepTool : public testing::Test {
protected:
    ScratchFolder scratch;
    Keys key = MakeKey(scratch, "key.pem");
    ReleaseFolder releases{scratch / "releases"};

    std::string Module(const std::string& name, const std::string& bytes) {
        WriteFileBytes(scratch / name, bytes);
        return scratch / name;
    }
    void Add(const std::string& version, const std::string& bytes, bool beta = false) {
        std::string error;
        ASSERT_TRUE(releases.Add(version, Module("m-" + version, bytes), key.pem, beta, error))
            << error;
    }
    // A release's Windows module (a file named *.dll).
    void AddWindows(const std::string& version, const std::string& bytes) {
        std::string error;
        ASSERT_TRUE(
            releases.Add(version, Module("m-" + version + ".DLL", bytes), key.pem, false, error))
            << error;
    }
};

}  // namespace

TEST_F(ReleaseStepTool, KeyFileIsPrivateAndNeverOverwritten) {
    struct stat info {};
    ASSERT_EQ(stat(key.pem.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::string before = ReadFileBytes(key.pem);
    std::string error;
    EXPECT_EQ(release::GenerateKey(key.pem, error), "");
    EXPECT_EQ(ReadFileBytes(key.pem), before);
    EXPECT_EQ(release::PublicKeyOf(key.pem, error), key.publicKey);
    EXPECT_TRUE(ReleaseSignature::IsPublicKey(key.publicKey));
}

TEST_F(ReleaseStepTool, SignatureVerifiesWithThePluginsCheckOnlyForThatFileAndKey) {
    Add("4.7Beta", std::string("\x7f"
                               "ELF module bytes\0\n",
                               19));
    auto current = releases.Current(false);
    ASSERT_TRUE(current);
    std::string file = scratch / "releases/47beta/travik.so";
    EXPECT_EQ(current->digest, std::string(MD5Text(MD5File(file.c_str())).get()));
    EXPECT_TRUE(ReleaseSignature::VerifyFile(key.publicKey, current->signature, file));

    Keys other = MakeKey(scratch, "other.pem");
    EXPECT_FALSE(ReleaseSignature::VerifyFile(other.publicKey, current->signature, file));
    WriteFileBytes(scratch / "changed.so", std::string("\x7f"
                                                       "ELF module bytes\0\r",
                                                       19));
    EXPECT_FALSE(
        ReleaseSignature::VerifyFile(key.publicKey, current->signature, scratch / "changed.so"));
    EXPECT_FALSE(
        ReleaseSignature::VerifyFile(key.publicKey, current->signature, scratch / "absent.so"));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(key.publicKey, "", file));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(key.publicKey, current->signature.substr(4), file));
}

TEST_F(ReleaseStepTool, VersionMustGiveAPlainFileName) {
    EXPECT_EQ(release::ReleaseId("4.7Beta"), "47beta");
    EXPECT_EQ(release::ReleaseId("5.0-rc_1"), "50-rc_1");
    for (const char* bad : {"", "...", "4.7/../x", "4 7", "4.7\"", "4.7\n", "4.7\\x"}) {
        std::string error;
        EXPECT_FALSE(releases.Add(bad, Module("m", "x"), key.pem, false, error)) << bad;
        EXPECT_NE(error, "");
    }
    EXPECT_FALSE(std::filesystem::exists(scratch / "releases/releases.txt"));
}

TEST_F(ReleaseStepTool, NewestStableUnlessBetaAskedAndSameIdReplaced) {
    Add("4.7", "seven");
    Add("4.8Beta", "eight", true);
    EXPECT_EQ(releases.Current(false)->id, "47");
    EXPECT_EQ(releases.Current(true)->id, "48beta");
    Add("4.9", "nine");
    EXPECT_EQ(releases.Current(true)->id, "49");
    Add("4.7", "seven again");
    EXPECT_EQ(releases.Current(false)->version, "4.7");
    EXPECT_EQ(releases.Current(false)->digest, Md5Of(Released("seven again", "4.7")));
    EXPECT_EQ(ReadFileBytes(scratch / "releases/releases.txt"),
              "beta 48beta 4.8Beta\nstable 49 4.9\nstable 47 4.7\n");
}

TEST_F(ReleaseStepTool, IncompleteOrForgedManifestLinesAreSkipped) {
    Add("4.7", "seven");
    std::filesystem::create_directories(scratch / "releases/48");
    WriteFileBytes(
        scratch / "releases/releases.txt",
        "# comment\nstable 47 4.7\nstable 48 4.8\nstable ../47 ../4.7\nnightly 47 4.7\n");
    std::vector<std::string> problems;
    auto current = releases.Current(true, &problems);
    ASSERT_TRUE(current);
    EXPECT_EQ(current->id, "47");
    EXPECT_EQ(problems.size(), 3u);
}

TEST_F(ReleaseStepTool, EachSystemIsOfferedTheNewestReleaseThatHasItsModule) {
    Add("4.7", "linux seven");
    AddWindows("4.7", "windows seven");
    Add("4.8", "linux eight");
    // The Windows module joined release 47 beside the Linux one.
    EXPECT_EQ(ReadFileBytes(scratch / "releases/47/travik.so"), Released("linux seven", "4.7"));
    EXPECT_EQ(ReadFileBytes(scratch / "releases/47/travik.dll"), Released("windows seven", "4.7"));
    EXPECT_EQ(ReadFileBytes(scratch / "releases/releases.txt"), "stable 47 4.7\nstable 48 4.8\n");

    std::vector<std::string> problems;
    auto linux = releases.Current(false, &problems, "so");
    auto windows = releases.Current(false, &problems, "dll");
    EXPECT_TRUE(problems.empty()) << problems.front();
    ASSERT_TRUE(linux && windows);
    EXPECT_EQ(linux->id, "48");
    EXPECT_EQ(windows->id, "47");
    EXPECT_EQ(windows->digest, Md5Of(Released("windows seven", "4.7")));
    EXPECT_TRUE(ReleaseSignature::VerifyFile(key.publicKey, windows->signature,
                                             scratch / "releases/47/travik.dll"));
    EXPECT_FALSE(ReleaseSignature::VerifyFile(key.publicKey, windows->signature,
                                              scratch / "releases/47/travik.so"));

    // A Windows module without its digest is a problem, not a release.
    std::filesystem::remove(scratch / "releases/47/travik.dll.md5");
    EXPECT_FALSE(releases.Current(false, &problems, "dll"));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("travik.dll.md5"), std::string::npos) << problems[0];
}

namespace {

class UpdateServerTool : public ReleaseStepTool {
protected:
    std::unique_ptr<RunningUpdateServer> server;
    std::unique_ptr<httplib::Client> client;

    void Start() {
        server = std::make_unique<RunningUpdateServer>(releases.Folder());
        client = std::make_unique<httplib::Client>("127.0.0.1", server->Port());
    }
    std::string Get(const std::string& path, int* status = nullptr) {
        auto result = client->Get(path);
        if (!result) {
            return "<no answer>";
        }
        if (status) {
            *status = result->status;
        }
        return result->body;
    }
};

}  // namespace

TEST_F(UpdateServerTool, AnswersNoUpdateForTheCurrentBuildAndOffersItToOthers) {
    Start();
    EXPECT_EQ(Get("/io/update.php?build=0123"), "N");  // nothing released yet
    Add("4.7Beta", "module 47");
    auto current = releases.Current(false);
    const std::string released = Md5Of(Released("module 47", "4.7Beta"));
    EXPECT_EQ(Get("/io/update.php?build=" + released), "N");
    // The unstamped build of the same code is not the release.
    EXPECT_EQ(Get("/io/update.php?build=" + Md5Of("module 47")),
              "1,47beta,4.7Beta," + released + "," + current->signature);
    Add("4.8Beta", "module 48", true);
    EXPECT_EQ(Get("/io/update.php?build=" + released), "N");
    EXPECT_EQ(Get("/io/update.php?build=" + released + "&beta=1").substr(0, 17),
              "1,48beta,4.8Beta,");
    EXPECT_EQ(server->Log().front(), "GET /io/update.php?build=0123 -> N");
}

TEST_F(UpdateServerTool, DownloadsOnlyReleasedModuleFiles) {
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    Add("4.7Beta", bytes);
    Start();
    int status = 0;
    EXPECT_EQ(Get("/io/download.php?id=47beta&ext=so", &status), Released(bytes, "4.7Beta"));
    EXPECT_EQ(status, 200);
    WriteFileBytes(scratch / "secret", "secret");
    for (const char* path :
         {"/io/download.php?id=48beta&ext=so", "/io/download.php?id=47beta&ext=dll",
          "/io/download.php?id=47beta&ext=so.md5", "/io/download.php?id=..%2Fsecret&ext=so",
          "/io/download.php?id=47beta%2F..&ext=so", "/io/download.php?ext=so"}) {
        EXPECT_EQ(Get(path, &status), "no such release") << path;
        EXPECT_EQ(status, 404) << path;
    }
}

TEST_F(UpdateServerTool, AWindowsServerIsOfferedAndGivenTheWindowsModule) {
    Start();
    Add("4.7", "linux seven");
    EXPECT_EQ(Get("/io/update.php?build=0123&ext=dll"), "N");  // no Windows module yet
    AddWindows("4.7", "windows seven");
    auto windows = releases.Current(false, nullptr, "dll");
    ASSERT_TRUE(windows);
    const std::string linuxDigest = Md5Of(Released("linux seven", "4.7"));
    const std::string windowsDigest = Md5Of(Released("windows seven", "4.7"));
    EXPECT_EQ(Get("/io/update.php?build=0123&ext=dll"),
              "1,47,4.7," + windowsDigest + "," + windows->signature);
    EXPECT_EQ(Get("/io/update.php?build=" + windowsDigest + "&ext=dll"), "N");
    // Without ext the plug-in is a Linux one, as before Windows modules.
    EXPECT_EQ(Get("/io/update.php?build=0123").substr(0, 42), "1,47,4.7," + linuxDigest + ",");
    EXPECT_EQ(Get("/io/update.php?build=0123&ext=so").substr(0, 42),
              "1,47,4.7," + linuxDigest + ",");
    EXPECT_EQ(Get("/io/update.php?build=0123&ext=exe"), "N");
    EXPECT_EQ(Get("/io/download.php?id=47&ext=dll"), Released("windows seven", "4.7"));
    EXPECT_EQ(Get("/io/download.php?id=47&ext=so"), Released("linux seven", "4.7"));
}

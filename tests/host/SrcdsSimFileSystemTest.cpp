// The host file system over a real folder: search paths with IDs and their
// order, open modes, line reads, sizes, renames and folders.
#include <filesystem>

#include "SimServerTest.h"
#include "engine/FileSystem.h"

namespace {

// A text as a file written in text mode holds it: Windows' C library writes
// each line end as CR LF.
std::string OnDisk(std::string text) {
#ifdef _WIN32
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.replace(at, 1, "\r\n");
#endif
    return text;
}

// The file system keeps its paths with forward slashes, on Windows too.
std::string Forward(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

class SrcdsSimFileSystem : public ::testing::Test {
protected:
    SrcdsSimFileSystem() : folder(SRCDS_SIM_TEMPLATE), fs(folder.GameDir()) {}

    std::string Read(const char* name, const char* id = nullptr) {
        std::string text;
        return fs.ReadFile(name, id, text) ? text : "<missing>";
    }

    sim::GameFolder folder;
    sim::FileSystem fs;
};

TEST_F(SrcdsSimFileSystem, ReadsSearchEveryPathOfTheirIdInOrder) {
    folder.WriteFile("first/a.txt", "first a");
    folder.WriteFile("second/a.txt", "second a");
    folder.WriteFile("second/b.txt", "second b");
    const std::string base = folder.GameDir();
    fs.AddSearchPath((base + "/second").c_str(), "MINE", PATH_ADD_TO_TAIL);
    fs.AddSearchPath((base + "/first").c_str(), "MINE", PATH_ADD_TO_HEAD);
    EXPECT_EQ(Read("a.txt", "MINE"), "first a");
    EXPECT_EQ(Read("b.txt", "MINE"), "second b");
    EXPECT_EQ(Read("a.txt", "mine"), "first a") << "IDs ignore case";
    EXPECT_EQ(Read("a.txt", "GAME"), "<missing>");
    EXPECT_EQ(Read("first/a.txt", "GAME"), "first a");
    EXPECT_EQ(Read("b.txt"), "second b") << "no ID searches every path";
}

TEST_F(SrcdsSimFileSystem, WritesGoToTheFirstPathOfTheirId) {
    const std::string base = folder.GameDir();
    fs.AddSearchPath((base + "/w1").c_str(), "W", PATH_ADD_TO_TAIL);
    fs.AddSearchPath((base + "/w2").c_str(), "W", PATH_ADD_TO_TAIL);
    std::filesystem::create_directories(base + "/w1");
    FileHandle_t file = fs.Open("out.txt", "w", "W");
    ASSERT_NE(file, FILESYSTEM_INVALID_HANDLE);
    EXPECT_EQ(fs.FPrintf(file, "%s %s", "[07/12/26-22:31]", "line\n"), 22);
    fs.Close(file);
    EXPECT_EQ(Read("w1/out.txt"), OnDisk("[07/12/26-22:31] line\n"));
    EXPECT_EQ(fs.Open("out.txt", "w", "NO_SUCH_ID"), FILESYSTEM_INVALID_HANDLE);
}

TEST_F(SrcdsSimFileSystem, DuplicatePathsAreIgnoredAndRemovalSaysWhetherAnythingWent) {
    const std::string logs = folder.GameDir() + "/logs/";
    fs.AddSearchPath(logs.c_str(), "TK_LOGS", PATH_ADD_TO_TAIL);
    fs.AddSearchPath((folder.GameDir() + "/logs").c_str(), "TK_LOGS", PATH_ADD_TO_TAIL);
    char paths[1024];
    fs.GetSearchPath("TK_LOGS", paths, sizeof(paths));
    EXPECT_EQ(std::string(paths), Forward(logs));
    EXPECT_TRUE(fs.RemoveSearchPath(logs.c_str(), "TK_LOGS"));
    EXPECT_FALSE(fs.RemoveSearchPath(logs.c_str(), "TK_LOGS"));
    EXPECT_FALSE(fs.FileExists("anything", "TK_LOGS"));
}

TEST_F(SrcdsSimFileSystem, AppendModeAddsAndReadLineKeepsLineEndsAndCuts) {
    folder.WriteFile("logs/travik.log", "one\n");
    FileHandle_t file = fs.Open("logs/travik.log", "a", "GAME");
    fs.FPrintf(file, "%s", "two is longer\nthree");
    fs.Close(file);
    file = fs.Open("logs/travik.log", "rb", "GAME");
    ASSERT_NE(file, FILESYSTEM_INVALID_HANDLE);
    // The first line was written as bytes, the append in text mode.
    const auto size = static_cast<unsigned>(4 + OnDisk("two is longer\nthree").size());
    EXPECT_EQ(fs.Size(file), size);
    char line[8];
    EXPECT_STREQ(fs.ReadLine(line, sizeof(line), file), "one\n");
    EXPECT_STREQ(fs.ReadLine(line, sizeof(line), file), "two is ") << "at most 7 characters";
#ifdef _WIN32
    // Read as bytes: the line end the append wrote is CR LF.
    EXPECT_STREQ(fs.ReadLine(line, sizeof(line), file), "longer\r");
    EXPECT_STREQ(fs.ReadLine(line, sizeof(line), file), "\n");
#else
    EXPECT_STREQ(fs.ReadLine(line, sizeof(line), file), "longer\n");
#endif
    EXPECT_STREQ(fs.ReadLine(line, sizeof(line), file), "three");
    EXPECT_EQ(fs.ReadLine(line, sizeof(line), file), nullptr);
    EXPECT_TRUE(fs.EndOfFile(file));
    fs.Close(file);
    EXPECT_EQ(fs.OpenHandleCount(), 0u);
    EXPECT_EQ(fs.Size("logs/travik.log", "GAME"), size);
    EXPECT_EQ(fs.Size("logs/none.log", "GAME"), 0u);
}

TEST_F(SrcdsSimFileSystem, ReadModesNeedAnExistingFileAndWriteModesTruncate) {
    EXPECT_EQ(fs.Open("cfg/none.cfg", "r", "GAME"), FILESYSTEM_INVALID_HANDLE);
    folder.WriteFile("cfg/x.cfg", "old content");
    FileHandle_t file = fs.Open("cfg/x.cfg", "wb", "GAME");
    ASSERT_NE(file, FILESYSTEM_INVALID_HANDLE);
    EXPECT_EQ(fs.Write("new", 3, file), 3);
    fs.Close(file);
    EXPECT_EQ(Read("cfg/x.cfg", "GAME"), "new");
    EXPECT_EQ(fs.Open("cfg", "r", "GAME"), FILESYSTEM_INVALID_HANDLE) << "a folder is no file";
}

TEST_F(SrcdsSimFileSystem, RenameOntoAnExistingNameIsTheCLibrarysAndStaysInTheSamePath) {
    const std::string logs = folder.GameDir() + "/logs";
    fs.AddSearchPath(logs.c_str(), "TK_LOGS", PATH_ADD_TO_TAIL);
    folder.WriteFile("logs/travik.log", "full");
    folder.WriteFile("logs/tk261207_2231.log", "earlier");
#ifdef _WIN32
    // The Microsoft C library's rename refuses an existing new name and
    // leaves both files as they were.
    EXPECT_FALSE(fs.RenameFile("travik.log", "tk261207_2231.log", "TK_LOGS"));
    EXPECT_EQ(Read("logs/tk261207_2231.log"), "earlier");
    EXPECT_EQ(Read("logs/travik.log"), "full");
    fs.RemoveFile("tk261207_2231.log", "TK_LOGS");
    EXPECT_TRUE(fs.RenameFile("travik.log", "tk261207_2231.log", "TK_LOGS"));
    EXPECT_EQ(Read("logs/tk261207_2231.log"), "full");
#else
    EXPECT_TRUE(fs.RenameFile("travik.log", "tk261207_2231.log", "TK_LOGS"));
    EXPECT_EQ(Read("logs/tk261207_2231.log"), "full") << "the earlier file is replaced";
#endif
    EXPECT_FALSE(fs.FileExists("travik.log", "TK_LOGS"));
    EXPECT_FALSE(fs.RenameFile("travik.log", "tk261207_2232.log", "TK_LOGS")) << "gone already";
    folder.WriteFile("logs/travik.log", "full");
    EXPECT_TRUE(fs.RenameFile("travik.log", "tk261207_2232.log", "TK_LOGS"));
    EXPECT_EQ(Read("logs/tk261207_2232.log"), "full");
    EXPECT_FALSE(fs.FileExists("travik.log", "TK_LOGS"));
    fs.RemoveFile("tk261207_2232.log", "TK_LOGS");
    EXPECT_FALSE(fs.FileExists("tk261207_2232.log", "TK_LOGS"));
}

// A folder is found whether its name ends with a separator or not, as on
// Linux (a Windows C library's stat may not find "folder/").
TEST_F(SrcdsSimFileSystem, AFolderIsFoundWithOrWithoutASeparatorAtTheEnd) {
    const std::string module = folder.GameDir() + "/addons/travik/";
    fs.AddSearchPath(module.c_str(), "TRAVIK", PATH_ADD_TO_TAIL);
    fs.CreateDirHierarchy("tk_logs/old/", "TRAVIK");
    for (const char* name : {"tk_logs", "tk_logs/", "tk_logs/old/", "tk_logs\\old\\"}) {
        EXPECT_TRUE(fs.IsDirectory(name, "TRAVIK")) << name;
        EXPECT_TRUE(fs.FileExists(name, "TRAVIK")) << name;
    }
    EXPECT_TRUE(fs.IsDirectory((module + "tk_logs/").c_str(), nullptr)) << "an absolute name";
    folder.WriteFile("addons/travik/tk_logs/travik.log", "x");
    EXPECT_FALSE(fs.IsDirectory("tk_logs/travik.log", "TRAVIK"));
    EXPECT_FALSE(fs.IsDirectory("tk_logs/none/", "TRAVIK"));
    EXPECT_FALSE(fs.FileExists("tk_logs/none/", "TRAVIK"));
}

TEST_F(SrcdsSimFileSystem, FoldersAreCreatedWithTheirParents) {
    const std::string module = folder.GameDir() + "/addons/travik/";
    fs.AddSearchPath(module.c_str(), "TRAVIK", PATH_ADD_TO_TAIL);
    EXPECT_FALSE(fs.IsDirectory("tk_logs", "TRAVIK"));
    fs.CreateDirHierarchy("tk_logs/old", "TRAVIK");
    EXPECT_TRUE(fs.IsDirectory("tk_logs", "TRAVIK"));
    EXPECT_TRUE(fs.IsDirectory("tk_logs/old", "TRAVIK"));
    EXPECT_TRUE(std::filesystem::is_directory(module + "tk_logs/old"));
}

TEST_F(SrcdsSimFileSystem, AbsoluteNamesAndForeignHandles) {
    const std::string absolute = folder.PathOf("cfg/abs.cfg");
    FileHandle_t file = fs.Open(absolute.c_str(), "w", "NO_SUCH_ID");
    ASSERT_NE(file, FILESYSTEM_INVALID_HANDLE);
    fs.Close(file);
    EXPECT_TRUE(fs.FileExists(absolute.c_str(), nullptr));
    int foreign = 0;
    fs.Close(&foreign);
    char line[4];
    EXPECT_EQ(fs.ReadLine(line, sizeof(line), &foreign), nullptr);
    EXPECT_EQ(fs.Size(&foreign), 0u);
}

// A game folder named with separators at its end (an operator's
// "C:\srcds\cstrike\" on Windows) is the same folder: a relative search
// path still starts at the folder above it, not inside the game folder.
TEST_F(SrcdsSimFileSystem, AGameFolderNamedWithSeparatorsAtItsEndIsTheSameFolder) {
    const std::string game = folder.GameDir();
    const std::string custom = std::filesystem::path(game).filename().string() + "/custom";
    fs.AddSearchPath(custom.c_str(), "CUSTOM", PATH_ADD_TO_TAIL);
    char expected[1024];
    fs.GetSearchPath("CUSTOM", expected, sizeof(expected));
    ASSERT_EQ(std::string(expected), Forward(game) + "/custom/");
    // Named absolutely, on Windows with its backslashes, it is the same path.
    fs.AddSearchPath((game + "/custom").c_str(), "CUSTOM", PATH_ADD_TO_TAIL);
    char again[1024];
    fs.GetSearchPath("CUSTOM", again, sizeof(again));
    EXPECT_EQ(std::string(again), expected) << "a duplicate";
#ifdef _WIN32
    const char* const endings[] = {"/", "\\", "\\\\", "/\\"};
#else
    const char* const endings[] = {"/", "//"};
#endif
    for (const char* ending : endings) {
        sim::FileSystem named(game + ending);
        named.AddSearchPath(custom.c_str(), "CUSTOM", PATH_ADD_TO_TAIL);
        char seen[1024];
        named.GetSearchPath("CUSTOM", seen, sizeof(seen));
        EXPECT_EQ(std::string(seen), expected) << ending;
        named.GetSearchPath("GAME", seen, sizeof(seen));
        EXPECT_EQ(std::string(seen), Forward(game) + "/") << ending;
        EXPECT_EQ(sim::GameFolder(sim::GameFolder::Existing{game + ending}).GameDir(), game)
            << ending;
    }
    EXPECT_TRUE(fs.RemoveSearchPath((game + "/custom/").c_str(), "CUSTOM"));
    EXPECT_FALSE(fs.FileExists("anything", "CUSTOM"));
    fs.GetSearchPath("CUSTOM", again, sizeof(again));
    EXPECT_STREQ(again, "") << "removed by its absolute name";
}

}  // namespace

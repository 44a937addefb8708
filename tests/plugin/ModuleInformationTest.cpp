// Where the plug-in believes its own file lives decides where its logs and
// updates go.
#include <gtest/gtest.h>

#include "core/ModuleInformation.h"

namespace {

struct Split {
    std::string directory;
    std::string fileName;
};

Split SplitOf(const std::string& path, PathStyle style = PathStyle::Linux) {
    Split split;
    SplitModulePath(path, split.directory, split.fileName, style);
    return split;
}

}  // namespace

TEST(ModuleInformationUnit, SplitsAtTheLastSlash) {
    Split split = SplitOf("/srv/css/cstrike/addons/travik.so");
    EXPECT_EQ(split.directory, "/srv/css/cstrike/addons/");
    EXPECT_EQ(split.fileName, "travik.so");
}

TEST(ModuleInformationUnit, ABackslashCountsOnlyWithoutAnySlash) {
    Split windows = SplitOf("C:\\srcds\\cstrike\\addons\\travik.dll");
    EXPECT_EQ(windows.directory, "C:\\srcds\\cstrike\\addons\\");
    EXPECT_EQ(windows.fileName, "travik.dll");

    Split mixed = SplitOf("/srv/odd\\name/travik.so");
    EXPECT_EQ(mixed.directory, "/srv/odd\\name/");
    EXPECT_EQ(mixed.fileName, "travik.so");
}

// The Windows build splits at the last backslash first: a path the loader
// gives with backslashes may hold a forward slash in a folder's name.
TEST(ModuleInformationUnit, WindowsPathsSplitAtTheLastBackslashFirst) {
    Split windows = SplitOf("C:\\srcds\\cstrike\\addons\\travik.dll", PathStyle::Windows);
    EXPECT_EQ(windows.directory, "C:\\srcds\\cstrike\\addons\\");
    EXPECT_EQ(windows.fileName, "travik.dll");

    Split slashInside = SplitOf("C:\\srv/1\\addons\\travik.dll", PathStyle::Windows);
    EXPECT_EQ(slashInside.directory, "C:\\srv/1\\addons\\");
    EXPECT_EQ(slashInside.fileName, "travik.dll");

    Split slashesOnly = SplitOf("C:/srcds/cstrike/addons/travik.dll", PathStyle::Windows);
    EXPECT_EQ(slashesOnly.directory, "C:/srcds/cstrike/addons/");
    EXPECT_EQ(slashesOnly.fileName, "travik.dll");

    EXPECT_TRUE(SplitOf("travik.dll", PathStyle::Windows).fileName.empty());
}

TEST(ModuleInformationUnit, APathWithoutSeparatorHasNoFileName) {
    EXPECT_TRUE(SplitOf("travik.so").fileName.empty());
    EXPECT_TRUE(SplitOf("/srv/addons/").fileName.empty());
}

// The dynamic loader's answer (dladdr); the Windows build takes its path
// from its module entry instead (windows_module_tests).
#ifndef _WIN32
TEST(ModuleInformationUnit, TheLoaderKnowsTheFileHoldingThisCode) {
    const std::string path = FindModulePath();
    ASSERT_FALSE(path.empty());
    Split split = SplitOf(path);
    EXPECT_FALSE(split.directory.empty());
    EXPECT_FALSE(split.fileName.empty());
}
#endif

// Where the plug-in believes its own file lives decides where its logs and
// updates go.
#include <gtest/gtest.h>

#include "core/ModuleInformation.h"

namespace {

struct Split {
    std::string directory;
    std::string fileName;
};

Split SplitOf(const std::string& path) {
    Split split;
    SplitModulePath(path, split.directory, split.fileName);
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

TEST(ModuleInformationUnit, APathWithoutSeparatorHasNoFileName) {
    EXPECT_TRUE(SplitOf("travik.so").fileName.empty());
    EXPECT_TRUE(SplitOf("/srv/addons/").fileName.empty());
}

TEST(ModuleInformationUnit, TheLoaderKnowsTheFileHoldingThisCode) {
    const std::string path = FindModulePath();
    ASSERT_FALSE(path.empty());
    Split split = SplitOf(path);
    EXPECT_FALSE(split.directory.empty());
    EXPECT_FALSE(split.fileName.empty());
}

// The note an update leaves (addons/travikold.txt) names the module that ran
// before it: the next start deletes that file beside the running module,
// and never the plain module of a first install, whatever the length of the
// build's extension (".so", ".dll").
#include <filesystem>
#include <string>

#include "TravikServerTest.h"
#include "engine/Platform.h"

namespace {

const std::string kExt = sim::kModuleExtension;

class TKUpdaterOldFileFeature : public TravikServerTest {
protected:
    // The module as an update left it: addons/travik46beta<ext>, named by
    // addons/travik.vdf.
    void InstallUpdated() {
        InstallModule();
        std::filesystem::rename(folder.PathOf("addons/travik" + kExt),
                                folder.PathOf("addons/travik46beta" + kExt));
        ASSERT_TRUE(folder.WriteFile("addons/travik.vdf",
                                     "\"Plugin\"\n{\n\t\"file\"\t\"addons/travik46beta\"\n}\n"));
    }
    bool Exists(const std::string& path) const {
        return std::filesystem::exists(folder.PathOf(path));
    }
};

TEST_F(TKUpdaterOldFileFeature, ThePlainModuleOfAFirstInstallIsNeverDeleted) {
    InstallUpdated();
    ASSERT_TRUE(folder.WriteFile("addons/travik" + kExt, "the first install"));
    ASSERT_TRUE(folder.WriteFile("addons/travikold.txt", "travik" + kExt));
    StartServer();
    ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    EXPECT_TRUE(Exists("addons/travik" + kExt));
    EXPECT_FALSE(ConsoleHas("Completed update"));
    EXPECT_FALSE(Exists("addons/travikold.txt"));
}

TEST_F(TKUpdaterOldFileFeature, TheModuleThatRanBeforeTheUpdateIsDeleted) {
    InstallUpdated();
    ASSERT_TRUE(folder.WriteFile("addons/travik45beta" + kExt, "the module before"));
    ASSERT_TRUE(folder.WriteFile("addons/travikold.txt", "travik45beta" + kExt));
    StartServer();
    ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    EXPECT_TRUE(ConsoleHas("[Travik] Completed update by removing old Travik version files\n"))
        << ConsoleText();
    EXPECT_FALSE(Exists("addons/travik45beta" + kExt));
    EXPECT_TRUE(Exists("addons/travik46beta" + kExt));
    EXPECT_FALSE(Exists("addons/travikold.txt"));
}

}  // namespace

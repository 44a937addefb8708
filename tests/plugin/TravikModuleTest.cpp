// The built module as a server operator installs it: one exported entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "../windows/ExportTable.h"
#endif

namespace {

#ifdef _WIN32
// The export directory of the loaded DLL: named functions, and none by
// number only.
TEST(TravikModuleFeature, ExportsCreateInterfaceAndNothingElse) {
    const HMODULE module = LoadLibraryA(TRAVIK_INSTALL_DIR "/addons/travik.dll");
    ASSERT_NE(module, nullptr) << "LoadLibrary failed with error " << GetLastError();
    const exporttable::Exports exports = exporttable::Read(module);
    FreeLibrary(module);
    ASSERT_TRUE(exports.present);
    EXPECT_EQ(exports.names, std::set<std::string>{"CreateInterface"});
    EXPECT_EQ(exports.functions, exports.names.size());
}
#else
TEST(TravikModuleFeature, ExportsCreateInterfaceAndNothingElse) {
    const std::string command =
        std::string(TRAVIK_NM) + " -D --defined-only " + TRAVIK_INSTALL_DIR "/addons/travik.so";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) {
            symbols.insert(type + " " + name);
        }
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, std::set<std::string>{"T CreateInterface"});
}
#endif

}  // namespace

// The built module as a server operator installs it: one exported entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
// The export directory of the loaded DLL: named functions, and none by
// number only.
TEST(TravikModuleFeature, ExportsCreateInterfaceAndNothingElse) {
    const HMODULE module = LoadLibraryA(TRAVIK_INSTALL_DIR "/addons/travik.dll");
    ASSERT_NE(module, nullptr) << "LoadLibrary failed with error " << GetLastError();
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(entry.VirtualAddress, 0u);
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> symbols;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        symbols.insert(reinterpret_cast<const char*>(base + names[i]));
    EXPECT_EQ(symbols, std::set<std::string>{"CreateInterface"});
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames);
    FreeLibrary(module);
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

// The built module as a server operator installs it: one exported entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

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

}  // namespace

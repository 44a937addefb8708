#include "support/TrimSteamID.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each case is checked through both the std::string and the buffer form.
void ExpectTrimmed(const std::string& id, const std::string& expected) {
    std::string text = id;
    TrimSteamID(text);
    EXPECT_EQ(text, expected) << "string form of '" << id << "'";

    char buffer[64] = {};
    id.copy(buffer, sizeof(buffer) - 1);
    TrimSteamID(buffer);
    EXPECT_EQ(std::string(buffer), expected) << "buffer form of '" << id << "'";
}

TEST(SteamIdUnit, DropsTheSixCharacterPrefix) {
    ExpectTrimmed("STEAM_0:0:11", "0:0:11");
    ExpectTrimmed("STEAM_0:1:123456789", "0:1:123456789");
    ExpectTrimmed("STEAM_ID_PENDING", "ID_PENDING");
}

TEST(SteamIdUnit, SixCharactersOrFewerBecomeEmpty) {
    ExpectTrimmed("BOT", "");
    ExpectTrimmed("HLTV", "");
    ExpectTrimmed("STEAM_", "");
    ExpectTrimmed("", "");
    ExpectTrimmed("STEAM_0", "0");
}

}  // namespace

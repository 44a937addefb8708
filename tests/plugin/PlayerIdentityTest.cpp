// Player identity read from outside text alone: which Steam IDs are proven
// and which names carry chat control bytes.
#include "core/PlayerIdentity.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayerIdentityUnit, SteamIdsAreValidOnlyOnceProven) {
    EXPECT_TRUE(PlayerIdentity::IsSteamIDValid("STEAM_0:1:123"));
    EXPECT_TRUE(PlayerIdentity::IsSteamIDValid("STEAM_1:0:123456"));
    for (const char* id : {"STEAM_ID_PENDING", "STEAM_ID_LAN", "UNKNOWN", "BOT", "HLTV",
                           "STEAM_0:1:", "STEAM_X:1:2345", ""}) {
        EXPECT_FALSE(PlayerIdentity::IsSteamIDValid(id)) << id;
    }
    EXPECT_FALSE(PlayerIdentity::IsSteamIDValid(nullptr));
}

TEST(PlayerIdentityUnit, NamesWithChatControlBytesAreFound) {
    EXPECT_TRUE(PlayerIdentity::fixPlayerName("\x01\x01\x01"));
    for (const char* name : {"a\x07", "\x03team", "x\x04y"}) {
        EXPECT_TRUE(PlayerIdentity::fixPlayerName(name));
    }
    EXPECT_FALSE(PlayerIdentity::fixPlayerName("plain \x02 name\n"));
    EXPECT_FALSE(PlayerIdentity::fixPlayerName(""));
}

}  // namespace

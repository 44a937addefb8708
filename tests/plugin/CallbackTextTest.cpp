// Outside text the host callbacks act on: chat words, the server address,
// Steam IDs and player names.
#include <gtest/gtest.h>

#include "core/CallbackText.h"
#include "core/travik_plugin.h"

namespace {

TEST(TravikCallbacks, ReadyWordsAreWholeLinesInAnyCase) {
    EXPECT_EQ(ReadyWordOf("!ready"), ReadyWord::Ready);
    EXPECT_EQ(ReadyWordOf("!READY"), ReadyWord::Ready);
    EXPECT_EQ(ReadyWordOf("!UnReady"), ReadyWord::Unready);
    for (const char* other : {"!ready ", " !ready", "!ready!", "ready", "", "!unready2"}) {
        EXPECT_EQ(ReadyWordOf(other), ReadyWord::None) << "\"" << other << "\"";
    }
}

TEST(TravikCallbacks, TheServerAddressLosesOnlyItsPort) {
    EXPECT_EQ(AddressWithoutPort("192.168.0.4:27015"), "192.168.0.4");
    EXPECT_EQ(AddressWithoutPort("192.168.0.4"), "192.168.0.4");
    EXPECT_EQ(AddressWithoutPort("[::1]:27015"), "[::1]");
    EXPECT_EQ(AddressWithoutPort(""), "");
}

TEST(TKPlayerManager, SteamIdsAreValidOnlyOnceProven) {
    EXPECT_TRUE(Travik::IsSteamIDValid("STEAM_0:1:123"));
    EXPECT_TRUE(Travik::IsSteamIDValid("STEAM_1:0:123456"));
    for (const char* id : {"STEAM_ID_PENDING", "STEAM_ID_LAN", "UNKNOWN", "BOT", "HLTV",
                           "STEAM_0:1:", "STEAM_X:1:2345", ""}) {
        EXPECT_FALSE(Travik::IsSteamIDValid(id)) << id;
    }
    EXPECT_FALSE(Travik::IsSteamIDValid(nullptr));
}

TEST(TKPlayerManager, NamesWithChatControlBytesAreFound) {
    EXPECT_TRUE(Travik::fixPlayerName("\x01\x01\x01"));
    for (const char* name : {"a\x07", "\x03team", "x\x04y"}) {
        EXPECT_TRUE(Travik::fixPlayerName(name));
    }
    EXPECT_FALSE(Travik::fixPlayerName("plain \x02 name\n"));
    EXPECT_FALSE(Travik::fixPlayerName(""));
}

}  // namespace

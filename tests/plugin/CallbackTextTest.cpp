// Outside text the host callbacks act on: chat words and the server address.
#include <gtest/gtest.h>

#include "core/CallbackText.h"

namespace {

TEST(CallbackTextUnit, ReadyWordsAreWholeLinesInAnyCase) {
    EXPECT_EQ(ReadyWordOf("!ready"), ReadyWord::Ready);
    EXPECT_EQ(ReadyWordOf("!READY"), ReadyWord::Ready);
    EXPECT_EQ(ReadyWordOf("!UnReady"), ReadyWord::Unready);
    for (const char* other : {"!ready ", " !ready", "!ready!", "ready", "", "!unready2"}) {
        EXPECT_EQ(ReadyWordOf(other), ReadyWord::None) << "\"" << other << "\"";
    }
}

TEST(CallbackTextUnit, TheServerAddressLosesOnlyItsPort) {
    EXPECT_EQ(AddressWithoutPort("192.168.0.4:27015"), "192.168.0.4");
    EXPECT_EQ(AddressWithoutPort("192.168.0.4"), "192.168.0.4");
    EXPECT_EQ(AddressWithoutPort("[::1]:27015"), "[::1]");
    EXPECT_EQ(AddressWithoutPort(""), "");
}

}  // namespace

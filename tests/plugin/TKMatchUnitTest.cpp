// Demo names: one plain file name and one command argument, whatever the
// map's name holds.
#include <gtest/gtest.h>

#include <string>

#include "match/TKMatch.h"

namespace {

TEST(TKMatchUnit, TheNameIsMapDateAndTimeInTwoDigitFields) {
    EXPECT_EQ(TKMatch::DemoName("de_dust2", 2026, 3, 3, 21, 5), "de_dust2_260303_2105");
    // The year as the C library counts it (since 1900) gives the same two digits.
    EXPECT_EQ(TKMatch::DemoName("cs_office", 100, 12, 31, 0, 0), "cs_office_001231_0000");
    EXPECT_EQ(TKMatch::DemoName("de-nuke_v2", 126, 1, 9, 9, 59), "de-nuke_v2_260109_0959");
}

TEST(TKMatchUnit, WhatAFileOrCommandNameCannotHoldBecomesAnUnderscore) {
    EXPECT_EQ(TKMatch::DemoName("../../cfg/server", 126, 3, 3, 21, 5),
              "______cfg_server_260303_2105");
    EXPECT_EQ(TKMatch::DemoName("x;quit \"a\"\n:b\\c", 126, 3, 3, 21, 5),
              "x_quit__a___b_c_260303_2105");
    EXPECT_EQ(TKMatch::DemoName("d\xc3\xa9j\xc3\xa0", 126, 3, 3, 21, 5), "d__j___260303_2105");
    EXPECT_EQ(TKMatch::DemoName(nullptr, 126, 3, 3, 21, 5), "_260303_2105");
}

}  // namespace

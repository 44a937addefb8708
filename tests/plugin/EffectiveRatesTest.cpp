// The rates the host grants a client, by its own rules.
#include <gtest/gtest.h>

#include "core/EffectiveRates.h"

namespace {

ServerRateLimits Limits(int maxCmdRate, int difference) {
    ServerRateLimits limits;
    limits.minRate = 3500;
    limits.maxRate = 0;
    limits.minCmdRate = 10;
    limits.maxCmdRate = maxCmdRate;
    limits.minUpdateRate = 10;
    limits.maxUpdateRate = 100;
    limits.cmdRateDifference = difference;
    return limits;
}

ClientRates Asked(int rate, int cmdRate, int updateRate) {
    return ClientRates{rate, cmdRate, updateRate};
}

TEST(EffectiveRatesUnit, TheCommandRateFollowsTheUpdateRateWithinTheDifference) {
    const ClientRates rates = EffectiveRates(Asked(30000, 101, 20), Limits(100, 30));
    EXPECT_EQ(rates.updateRate, 20);
    EXPECT_EQ(rates.cmdRate, 50);
    EXPECT_EQ(EffectiveRates(Asked(30000, 5, 66), Limits(100, 30)).cmdRate, 36);
    // No upper limit means the lowest rate the host allows at all.
    EXPECT_EQ(EffectiveRates(Asked(30000, 101, 20), Limits(0, 30)).cmdRate, 10);
    // A negative difference leaves the rate to the limits alone.
    EXPECT_EQ(EffectiveRates(Asked(30000, 101, 20), Limits(100, -1)).cmdRate, 100);
}

TEST(EffectiveRatesUnit, UpdateRatesAndRatesStayWithinTheServersLimits) {
    EXPECT_EQ(EffectiveRates(Asked(30000, 66, 5), Limits(100, 30)).updateRate, 10);
    EXPECT_EQ(EffectiveRates(Asked(30000, 66, 150), Limits(100, 30)).updateRate, 100);
    ServerRateLimits limits = Limits(100, 30);
    EXPECT_EQ(EffectiveRates(Asked(500, 66, 66), limits).rate, 3500);
    EXPECT_EQ(EffectiveRates(Asked(2000000, 66, 66), limits).rate, 1048576);
    limits.maxRate = 20000;
    EXPECT_EQ(EffectiveRates(Asked(30000, 66, 66), limits).rate, 20000);
    limits.minRate = 0;
    EXPECT_EQ(EffectiveRates(Asked(500, 66, 66), limits).rate, 1000);
    limits.maxRate = 0;
    EXPECT_EQ(EffectiveRates(Asked(500, 66, 66), limits).rate, 500);
}

}  // namespace

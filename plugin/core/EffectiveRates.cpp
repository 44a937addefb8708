#include "core/EffectiveRates.h"

#include <algorithm>

namespace {

constexpr int kRateCeiling = 1048576;
constexpr int kLowestRate = 1000;
constexpr int kLowestCmdRate = 10;
constexpr int kHighestCmdRate = 100;

int Rate(int rate, const ServerRateLimits& limits) {
    if (limits.maxRate > 0 && limits.maxRate < rate) {
        rate = limits.maxRate;
    }
    if (rate < kLowestRate && limits.maxRate > rate) {
        rate = kLowestRate;
    }
    if (limits.minRate > 0) {
        rate = std::max(std::min(rate, kRateCeiling), limits.minRate);
    }
    return rate;
}

int UpdateRate(int updateRate, const ServerRateLimits& limits) {
    return std::min(std::max(updateRate, limits.minUpdateRate), limits.maxUpdateRate);
}

// The command rate stays within the difference of the update rate.
int CmdRate(int cmdRate, int updateRate, const ServerRateLimits& limits) {
    const int difference = limits.cmdRateDifference;
    if (difference >= 0 && limits.minCmdRate > 0) {
        if (cmdRate > updateRate + difference) {
            cmdRate = updateRate + difference;
        } else if (cmdRate < updateRate - difference) {
            cmdRate = updateRate - difference;
        }
    }
    cmdRate = std::max(cmdRate, limits.minCmdRate);
    if (limits.minCmdRate > 0) {
        cmdRate = std::min(cmdRate, limits.maxCmdRate);
    }
    return std::clamp(cmdRate, kLowestCmdRate, kHighestCmdRate);
}

}  // namespace

ClientRates EffectiveRates(const ClientRates& asked, const ServerRateLimits& limits) {
    ClientRates rates;
    rates.rate = Rate(asked.rate, limits);
    rates.updateRate = UpdateRate(asked.updateRate, limits);
    rates.cmdRate = CmdRate(asked.cmdRate, rates.updateRate, limits);
    return rates;
}

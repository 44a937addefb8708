#pragma once

// The network rates a client asks for, and those the host lets it have.
struct ClientRates {
    int rate = 0;        // bytes per second
    int cmdRate = 0;     // command packets per second
    int updateRate = 0;  // snapshots per second
};

// The host's limits on client rates (its sv_* variables).
struct ServerRateLimits {
    int minRate = 0;
    int maxRate = 0;
    int minCmdRate = 0;
    int maxCmdRate = 0;
    int minUpdateRate = 0;
    int maxUpdateRate = 0;
    int cmdRateDifference = 0;  // sv_client_cmdrate_difference
};

// What the host makes of the asked rates, by its own rules.
ClientRates EffectiveRates(const ClientRates& asked, const ServerRateLimits& limits);

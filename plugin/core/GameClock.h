#pragma once

// The host's game time, in seconds: what every timer of the plug-in compares
// against. It starts again near 0 at every level, so a time remembered from
// the last level is stale, never "in the future".
class GameClock {
public:
    // The current time of the global variables; 0 before they are known.
    static float Now();
    // The host's real time in seconds: it runs on while the game is paused
    // (game time stands still then) and across level changes.
    static float RealTime();
    // Whether the server has not run a frame yet: no level is running.
    static bool BeforeFirstFrame();
};

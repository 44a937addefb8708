// One movement command of a client (a usercmd): what the client's input was
// for one tick. Hostile clients send anything, NaN included.
#pragma once

#include <mathlib/vector.h>

class CUserCmd {
public:
    int command_number = 0;
    int tick_count = 0;
    QAngle viewangles;  // pitch, yaw, roll in degrees
    float forwardmove = 0.0f;
    float sidemove = 0.0f;
    float upmove = 0.0f;
    int buttons = 0;  // IN_*
};

// The engine's own console variables, at the real server's defaults, flags
// and bounds (the game library registers the game's, see host/game).
#pragma once

#include "engine/ConsoleObjects.h"

namespace sim {

class HostCvars {
public:
    static void Register(ConsoleObjects& objects);
};

}  // namespace sim

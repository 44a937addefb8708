// The game's solid entities as the engine's traces take them (SimSolid):
// the box each fills in world coordinates and its contents.
#pragma once

#include "sim/ISimGame.h"

namespace cstrike {

class EntityList;

// Fills at most maxSolids and answers how many it filled.
int CollectSolids(const EntityList& entities, SimSolid* solids, int maxSolids);

}  // namespace cstrike

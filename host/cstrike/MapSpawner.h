// Level start: the game asks the engine for the map's entity text (through
// IVEngineServer::GetMapEntitiesString, so a hook on it can change the text)
// and spawns an entity for every block that names a class. The world
// ("worldspawn") takes edict 0; weapons lying in the map become weapons.
#pragma once

#include <mathlib/vector.h>

#include <string>
#include <string_view>

class IVEngineServer;

namespace cstrike {

class EntityList;
struct EntityBlock;

struct SpawnReport {
    int spawned = 0;
    int skipped = 0;    // blocks without a class, players, or no edict left
    std::string error;  // the text's fault, with its line; empty when none
};

class MapSpawner {
public:
    explicit MapSpawner(EntityList& entities);

    SpawnReport SpawnFromEngine(IVEngineServer& engine);
    SpawnReport Spawn(std::string_view entityText);

private:
    bool SpawnBlock(const EntityBlock& block);

    EntityList& m_Entities;
};

// Three numbers ("512 -128 0"); zeros for a text that is not three finite
// numbers.
Vector ParseVector(const std::string& text);

}  // namespace cstrike

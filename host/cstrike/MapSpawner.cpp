#include "MapSpawner.h"

#include <eiface.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "BaseCombatWeapon.h"
#include "EntityList.h"
#include "EntityTextParser.h"

namespace cstrike {

Vector ParseVector(const std::string& text) {
    Vector result;
    const char* cursor = text.c_str();
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        const float value = std::strtof(cursor, &end);
        if (end == cursor || !std::isfinite(value)) {
            return Vector();
        }
        result[i] = value;
        cursor = end;
    }
    return result;
}

MapSpawner::MapSpawner(EntityList& entities) : m_Entities(entities) {}

SpawnReport MapSpawner::SpawnFromEngine(IVEngineServer& engine) {
    const char* text = engine.GetMapEntitiesString();
    return Spawn(text ? std::string_view(text) : std::string_view());
}

SpawnReport MapSpawner::Spawn(std::string_view entityText) {
    const EntityText parsed = EntityTextParser::Parse(entityText);
    SpawnReport report;
    for (const EntityBlock& block : parsed.blocks) {
        if (SpawnBlock(block)) {
            ++report.spawned;
        } else {
            ++report.skipped;
        }
    }
    if (!parsed.ok()) {
        report.error = "line " + std::to_string(parsed.errorLine) + ": " + parsed.error;
    }
    return report;
}

bool MapSpawner::SpawnBlock(const EntityBlock& block) {
    const std::string classname = block.Value("classname");
    // Players come from clients only.
    if (classname.empty() || classname == "player") {
        return false;
    }
    cstrike::EntityPtr entity;
    if (const WeaponInfo* weapon = FindWeaponInfo(classname.c_str())) {
        entity =
            std::make_unique<CBaseCombatWeapon>(weapon->classname, weapon->slot, weapon->price);
    } else {
        entity = std::make_unique<CBaseEntity>(classname.c_str(), block.Value("model").c_str());
    }
    entity->SetAbsOrigin(ParseVector(block.Value("origin")));
    const Vector angles = ParseVector(block.Value("angles"));
    entity->SetAbsAngles(QAngle(angles.x, angles.y, angles.z));
    CBaseEntity* spawned =
        classname == "worldspawn"
            ? m_Entities.AddOnEdict(std::move(entity), m_Entities.Engine().PEntityOfEntIndex(0))
            : m_Entities.Add(std::move(entity));
    if (spawned) {
        spawned->Spawn();
    }
    return spawned != nullptr;
}

}  // namespace cstrike

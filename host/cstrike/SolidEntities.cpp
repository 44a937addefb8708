#include "SolidEntities.h"

#include "BaseEntity.h"
#include "EntityList.h"

namespace cstrike {

namespace {

void CopyVector(const Vector& from, float* to) {
    to[0] = from.x;
    to[1] = from.y;
    to[2] = from.z;
}

}  // namespace

int CollectSolids(const EntityList& entities, SimSolid* solids, int maxSolids) {
    int count = 0;
    if (!solids) {
        return 0;
    }
    entities.ForEach([&](CBaseEntity& entity) {
        if (count >= maxSolids || !entity.IsSolid()) {
            return;
        }
        const CCollisionProperty& collision = entity.Collision();
        SimSolid& solid = solids[count++];
        solid.entity = &entity;
        CopyVector(entity.GetAbsOrigin() + collision.m_vecMins, solid.mins);
        CopyVector(entity.GetAbsOrigin() + collision.m_vecMaxs, solid.maxs);
        solid.contents = collision.m_nContents;
    });
    return count;
}

}  // namespace cstrike

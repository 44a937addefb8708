// Traces through the world (IEngineTrace, "EngineTraceServer003"): a ray or
// a swept box against the world's boxes and the game's solid entities. A box
// stops the trace when its contents meet the mask; an entity also needs the
// filter's consent (ShouldHitEntity), and the filter's trace type can leave
// out the world or the entities. A trace that starts inside something stops
// at once (fraction 0, startsolid), and one whose ray is not a number is
// treated as blocked.
#pragma once

#include <IEngineTrace.h>

namespace cstrike {

class EntityList;
class World;

class CEngineTrace final : public IEngineTrace {
public:
    CEngineTrace(const World& world, EntityList& entities);

    int GetPointContents(const Vector& point, IHandleEntity** entity = nullptr) override;
    void TraceRay(const Ray_t& ray, unsigned int mask, ITraceFilter* filter,
                  trace_t* trace) override;

private:
    struct Hit;
    void Clip(const Vector& start, const Vector& delta, const Vector& mins, const Vector& maxs,
              int contents, CBaseEntity* entity, Hit& best) const;

    const World& m_World;
    EntityList& m_Entities;
};

}  // namespace cstrike

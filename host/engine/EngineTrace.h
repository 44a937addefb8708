// Traces through the world (IEngineTrace, "EngineTraceServer003"): a ray or
// a swept box against the world's boxes and the game's solid entities, which
// the engine asks the game for (as boxes with their contents) at each trace. A box
// stops the trace when its contents meet the mask; an entity also needs the
// filter's consent (ShouldHitEntity), and the filter's trace type can leave
// out the world or the entities. A trace that starts inside something stops
// at once (fraction 0, startsolid), and one whose ray is not a number is
// treated as blocked.
#pragma once

#include <IEngineTrace.h>
#include <const.h>

#include <functional>
#include <vector>

#include "sim/ISimGame.h"

namespace sim {

class World;

class CEngineTrace final : public IEngineTrace {
public:
    // Fills at most that many solids and answers how many it filled.
    using SolidSource = std::function<int(SimSolid*, int)>;

    CEngineTrace(const World& world, SolidSource solids);

    int GetPointContents(const Vector& point, IHandleEntity** entity = nullptr) override;
    void TraceRay(const Ray_t& ray, unsigned int mask, ITraceFilter* filter,
                  trace_t* trace) override;

private:
    struct Hit;
    void Clip(const Vector& start, const Vector& delta, const Vector& mins, const Vector& maxs,
              int contents, IServerUnknown* entity, Hit& best) const;
    // The game's solid entities now, into m_Solids.
    int GatherSolids();

    const World& m_World;
    SolidSource m_SolidSource;
    std::vector<SimSolid> m_Solids = std::vector<SimSolid>(MAX_EDICTS);
};

}  // namespace sim

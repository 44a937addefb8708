#include "engine/EngineTrace.h"

#include <algorithm>
#include <limits>

#include <iserverunknown.h>

#include "engine/World.h"

namespace sim {

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();

bool Contains(const Vector& mins, const Vector& maxs, const Vector& point) {
    for (int i = 0; i < 3; ++i) {
        if (point[i] < mins[i] || point[i] > maxs[i]) {
            return false;
        }
    }
    return true;
}

// Where the segment start + t * delta (t from 0 to 1) enters and leaves the
// box; false when it misses it or only touches its surface.
bool Intersect(const Vector& start, const Vector& delta, const Vector& mins, const Vector& maxs,
               float& enter, float& leave, int& axis, float& side) {
    enter = -kInfinity;
    leave = kInfinity;
    axis = -1;
    for (int i = 0; i < 3; ++i) {
        if (delta[i] == 0.0f) {
            if (start[i] <= mins[i] || start[i] >= maxs[i]) {
                return false;
            }
            continue;
        }
        float near = (mins[i] - start[i]) / delta[i];
        float far = (maxs[i] - start[i]) / delta[i];
        if (near > far) {
            std::swap(near, far);
        }
        if (near > enter) {
            enter = near;
            axis = i;
            side = delta[i] > 0.0f ? -1.0f : 1.0f;
        }
        leave = std::min(leave, far);
    }
    return enter < leave && enter < 1.0f && leave > 0.0f;
}

}  // namespace

struct CEngineTrace::Hit {
    float fraction = 1.0f;
    float leftSolid = 0.0f;
    bool startSolid = false;
    bool allSolid = false;
    Vector normal;
    int contents = 0;
    IServerUnknown* entity = nullptr;
    bool any = false;
};

CEngineTrace::CEngineTrace(const World& world, SolidSource solids)
    : m_World(world), m_SolidSource(std::move(solids)) {}

int CEngineTrace::GatherSolids() {
    const int count = m_SolidSource ? m_SolidSource(m_Solids.data(), MAX_EDICTS) : 0;
    return std::clamp(count, 0, static_cast<int>(MAX_EDICTS));
}

int CEngineTrace::GetPointContents(const Vector& point, IHandleEntity** entity) {
    int contents = 0;
    for (const World::Box& box : m_World.Boxes()) {
        contents |= Contains(box.mins, box.maxs, point) ? box.contents : 0;
    }
    if (entity) {
        *entity = nullptr;
    }
    const int count = GatherSolids();
    for (int i = 0; i < count; ++i) {
        const SimSolid& solid = m_Solids[static_cast<size_t>(i)];
        if (Contains(Vector(solid.mins[0], solid.mins[1], solid.mins[2]),
                     Vector(solid.maxs[0], solid.maxs[1], solid.maxs[2]), point)) {
            contents |= solid.contents;
            if (entity && !*entity) {
                *entity = solid.entity;
            }
        }
    }
    return contents;
}

void CEngineTrace::Clip(const Vector& start, const Vector& delta, const Vector& mins,
                        const Vector& maxs, int contents, IServerUnknown* entity, Hit& best) const {
    float enter = 0.0f;
    float leave = 0.0f;
    int axis = -1;
    float side = 0.0f;
    if (!Intersect(start, delta, mins, maxs, enter, leave, axis, side)) {
        return;
    }
    const bool startInside = enter < 0.0f || axis < 0;
    const float fraction = startInside ? 0.0f : enter;
    if (best.any && fraction >= best.fraction) {
        return;
    }
    best = Hit{};
    best.any = true;
    best.fraction = fraction;
    best.contents = contents;
    best.entity = entity;
    if (startInside) {
        best.startSolid = true;
        best.allSolid = leave >= 1.0f;
        best.leftSolid = std::min(leave, 1.0f);
    } else {
        best.normal[axis] = side;
    }
}

void CEngineTrace::TraceRay(const Ray_t& ray, unsigned int mask, ITraceFilter* filter,
                            trace_t* trace) {
    if (!trace) {
        return;
    }
    *trace = trace_t{};
    const Vector start = ray.m_Start;
    const Vector delta = ray.m_Delta;
    trace->startpos = start + ray.m_StartOffset;
    if (!start.IsValid() || !delta.IsValid() || !ray.m_Extents.IsValid()) {
        trace->endpos = trace->startpos;
        trace->fraction = 0.0f;
        trace->startsolid = trace->allsolid = true;
        return;
    }
    const TraceType_t type = filter ? filter->GetTraceType() : TRACE_EVERYTHING;
    const Vector extents = ray.m_Extents;
    Hit best;
    if (type != TRACE_ENTITIES_ONLY) {
        for (const World::Box& box : m_World.Boxes()) {
            if (box.contents & static_cast<int>(mask)) {
                Clip(start, delta, box.mins - extents, box.maxs + extents, box.contents, nullptr,
                     best);
            }
        }
    }
    if (type != TRACE_WORLD_ONLY) {
        const int count = GatherSolids();
        for (int i = 0; i < count; ++i) {
            const SimSolid& solid = m_Solids[static_cast<size_t>(i)];
            if (!(solid.contents & static_cast<int>(mask)) ||
                (filter && !filter->ShouldHitEntity(solid.entity, static_cast<int>(mask)))) {
                continue;
            }
            Clip(start, delta, Vector(solid.mins[0], solid.mins[1], solid.mins[2]) - extents,
                 Vector(solid.maxs[0], solid.maxs[1], solid.maxs[2]) + extents, solid.contents,
                 solid.entity, best);
        }
    }
    trace->fraction = best.fraction;
    trace->fractionleftsolid = best.leftSolid;
    trace->startsolid = best.startSolid;
    trace->allsolid = best.allSolid;
    trace->contents = best.contents;
    // The game's entity behind the edict's unknown, as the engine hands it out.
    trace->m_pEnt = best.entity ? best.entity->GetBaseEntity() : nullptr;
    trace->plane.normal = best.normal;
    trace->endpos = trace->startpos + delta * best.fraction;
}

}  // namespace sim

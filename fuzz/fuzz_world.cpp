// A level's world file is outside input: read anything within bounds,
// keep only finite, ordered boxes, and trace any ray through what was kept
// without leaving the segment.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "EntityList.h"
#include "FakeEngine.h"
#include "SolidEntities.h"
#include "engine/EngineTrace.h"
#include "engine/World.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// The input's first 24 bytes are a ray's two ends (any floats), the rest
// the world file.
constexpr size_t kRayBytes = 6 * sizeof(float);

void CheckBoxes(const sim::World& world) {
    Check(world.Boxes().size() <= sim::World::kMaxBoxes);
    for (const sim::World::Box& box : world.Boxes()) {
        Check(box.mins.IsValid() && box.maxs.IsValid() && box.contents != 0);
        for (int i = 0; i < 3; ++i) {
            Check(box.mins[i] <= box.maxs[i]);
        }
    }
}

// Far enough from the float limits that start + delta cannot round over them.
bool InRange(const Vector& point) {
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(point[i]) < 1e30f)) {
            return false;
        }
    }
    return true;
}

void CheckTrace(sim::CEngineTrace& trace, const float ends[6]) {
    const Vector start(ends[0], ends[1], ends[2]);
    const Vector end(ends[3], ends[4], ends[5]);
    Ray_t ray;
    ray.Init(start, end);
    trace_t result;
    trace.TraceRay(ray, MASK_ALL, nullptr, &result);
    Check(result.fraction >= 0.0f && result.fraction <= 1.0f);
    Check(!result.startsolid || result.fraction == 0.0f);
    if (!start.IsValid() || !ray.m_Delta.IsValid()) {
        Check(result.startsolid && result.fraction == 0.0f);
    } else if (InRange(start) && InRange(end)) {
        Check(result.endpos.IsValid());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A world of boxes and no entities: the list only needs an engine.
    static FakeEngine engine;
    static cstrike::EntityList entities(engine);
    float ends[6] = {};
    if (size >= kRayBytes) {
        std::memcpy(ends, data, kRayBytes);
        data += kRayBytes;
        size -= kRayBytes;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    sim::World world;
    std::string error;
    if (world.LoadText(text, &error)) {
        Check(error.empty());
    } else {
        Check(error.rfind("line ", 0) == 0 || size > sim::World::kMaxFileSize);
    }
    CheckBoxes(world);
    sim::CEngineTrace trace(world, [](SimSolid* solids, int maxSolids) {
        return cstrike::CollectSolids(entities, solids, maxSolids);
    });
    CheckTrace(trace, ends);
    return 0;
}

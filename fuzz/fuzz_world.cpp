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

#include <eiface.h>

#include "EngineTrace.h"
#include "EntityList.h"
#include "World.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// The entity list needs an engine; a world of boxes has no entities.
class NoEngine final : public IVEngineServer {
public:
    void ChangeLevel(const char*, const char*) override {}
    int IsMapValid(const char*) override { return 0; }
    bool IsDedicatedServer() override { return true; }
    void ServerCommand(const char*) override {}
    void ServerExecute() override {}
    void ClientPrintf(edict_t*, const char*) override {}
    bf_write* UserMessageBegin(IRecipientFilter*, int) override { return nullptr; }
    void MessageEnd() override {}
    int IndexOfEdict(const edict_t*) override { return -1; }
    edict_t* PEntityOfEntIndex(int) override { return nullptr; }
    int GetPlayerUserId(const edict_t*) override { return -1; }
    const char* GetPlayerNetworkIDString(const edict_t*) override { return nullptr; }
    const char* GetClientConVarValue(int, const char*) override { return ""; }
    INetChannelInfo* GetPlayerNetInfo(int) override { return nullptr; }
    int GetEntityCount() override { return 0; }
    edict_t* CreateEdict(int) override { return nullptr; }
    void RemoveEdict(edict_t*) override {}
    void GetGameDir(char*, int) override {}
    const char* GetMapEntitiesString() override { return ""; }
    void ForceExactFile(const char*) override {}
    void LogPrint(const char*) override {}
};

// The input's first 24 bytes are a ray's two ends (any floats), the rest
// the world file.
constexpr size_t kRayBytes = 6 * sizeof(float);

void CheckBoxes(const cstrike::World& world) {
    Check(world.Boxes().size() <= cstrike::World::kMaxBoxes);
    for (const cstrike::World::Box& box : world.Boxes()) {
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

void CheckTrace(cstrike::CEngineTrace& trace, const float ends[6]) {
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
    static NoEngine engine;
    static cstrike::EntityList entities(engine);
    float ends[6] = {};
    if (size >= kRayBytes) {
        std::memcpy(ends, data, kRayBytes);
        data += kRayBytes;
        size -= kRayBytes;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    cstrike::World world;
    std::string error;
    if (world.LoadText(text, &error)) {
        Check(error.empty());
    } else {
        Check(error.rfind("line ", 0) == 0 || size > cstrike::World::kMaxFileSize);
    }
    CheckBoxes(world);
    cstrike::CEngineTrace trace(world, entities);
    CheckTrace(trace, ends);
    return 0;
}

// Traces for "EngineTraceServer003". Nothing stands in the world yet: every
// trace runs its full length.
#pragma once

#include <IEngineTrace.h>

namespace sim {

class EngineTrace final : public IEngineTrace {
public:
    int GetPointContents(const Vector& point, IHandleEntity** entity) override;
    void TraceRay(const Ray_t& ray, unsigned int mask, ITraceFilter* filter,
                  trace_t* trace) override;
};

}  // namespace sim

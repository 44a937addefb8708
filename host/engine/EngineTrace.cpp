#include "engine/EngineTrace.h"

#include <bspflags.h>

namespace sim {

int EngineTrace::GetPointContents(const Vector&, IHandleEntity** entity) {
    if (entity)
        *entity = nullptr;
    return CONTENTS_EMPTY;
}

void EngineTrace::TraceRay(const Ray_t& ray, unsigned int, ITraceFilter*, trace_t* trace) {
    if (!trace)
        return;
    *trace = trace_t{};
    trace->startpos = ray.m_Start + ray.m_StartOffset;
    trace->endpos = trace->startpos + ray.m_Delta;
    trace->fraction = 1.0f;
}

}  // namespace sim

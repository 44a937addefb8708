// Ray and box traces through the world and its entities.
// Version "EngineTraceServer003" (engine factory).
#pragma once

#include <bspflags.h>
#include <gametrace.h>
#include <mathlib/vector.h>

class IHandleEntity;

#define INTERFACEVERSION_ENGINETRACE_SERVER "EngineTraceServer003"

// A line (or a swept box) from a start point along a delta.
struct Ray_t {
    Vector m_Start;        // start of the box's centre
    Vector m_Delta;        // end minus start
    Vector m_StartOffset;  // from the given start to the box's centre
    Vector m_Extents;      // half the box's size
    bool m_IsRay = true;   // no extents
    bool m_IsSwept = false;

    void Init(const Vector& start, const Vector& end) {
        m_Delta = end - start;
        m_IsSwept = m_Delta.LengthSqr() != 0.0f;
        m_Extents.Zero();
        m_IsRay = true;
        m_StartOffset.Zero();
        m_Start = start;
    }
    void Init(const Vector& start, const Vector& end, const Vector& mins, const Vector& maxs) {
        m_Delta = end - start;
        m_IsSwept = m_Delta.LengthSqr() != 0.0f;
        m_Extents = (maxs - mins) * 0.5f;
        m_IsRay = m_Extents.LengthSqr() < 1e-6f;
        m_StartOffset = (mins + maxs) * 0.5f;
        m_Start = start + m_StartOffset;
        m_StartOffset = -m_StartOffset;
    }
};

enum TraceType_t {
    TRACE_EVERYTHING = 0,
    TRACE_WORLD_ONLY,
    TRACE_ENTITIES_ONLY,
    TRACE_EVERYTHING_FILTER_PROPS,
};

// Decides which entities a trace may hit.
class ITraceFilter {
public:
    // Slots, in order:
    //  0 ShouldHitEntity
    //  1 GetTraceType
    virtual bool ShouldHitEntity(IHandleEntity* entity, int contentsMask) = 0;
    virtual TraceType_t GetTraceType() const = 0;

protected:
    ~ITraceFilter() = default;
};

// Base for filters: traces everything.
class CTraceFilter : public ITraceFilter {
public:
    TraceType_t GetTraceType() const override { return TRACE_EVERYTHING; }
};

// Only the world and static props stop the trace: no entity is hit.
class CTraceFilterWorldAndPropsOnly : public ITraceFilter {
public:
    bool ShouldHitEntity(IHandleEntity*, int) override { return false; }
    TraceType_t GetTraceType() const override { return TRACE_EVERYTHING; }
};

class IEngineTrace {
public:
    // Slots, in order:
    //  0 GetPointContents
    //  1 TraceRay
    // The contents at a point; *entity receives the entity there, if any.
    virtual int GetPointContents(const Vector& point, IHandleEntity** entity = nullptr) = 0;
    virtual void TraceRay(const Ray_t& ray, unsigned int mask, ITraceFilter* filter,
                          trace_t* trace) = 0;

protected:
    ~IEngineTrace() = default;
};

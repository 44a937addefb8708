// The result of a trace (IEngineTrace::TraceRay).
#pragma once

#include <mathlib/vector.h>

class CBaseEntity;

struct cplane_t {
    Vector normal;
    float dist = 0.0f;
    unsigned char type = 0;
    unsigned char signbits = 0;
};

struct csurface_t {
    const char* name = "";
    short surfaceProps = 0;
    unsigned short flags = 0;
};

class CGameTrace {
public:
    Vector startpos;
    Vector endpos;
    cplane_t plane;         // surface hit
    float fraction = 1.0f;  // 1.0 when nothing was hit
    int contents = 0;       // contents on the other side of the surface hit
    unsigned short dispFlags = 0;
    bool allsolid = false;    // the whole trace was in solid
    bool startsolid = false;  // the start was in solid
    float fractionleftsolid = 0.0f;
    csurface_t surface;
    int hitgroup = 0;
    short physicsbone = 0;
    CBaseEntity* m_pEnt = nullptr;  // entity hit, null for the world or nothing
    int hitbox = 0;

    bool DidHit() const { return fraction < 1.0f || allsolid || startsolid; }
};

typedef CGameTrace trace_t;

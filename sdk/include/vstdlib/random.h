// A seeded stream of uniform random numbers. Version "VEngineRandom001"
// (engine factory).
#pragma once

#include <tier0/platform.h>

#define VENGINE_SERVER_RANDOM_INTERFACE_VERSION "VEngineRandom001"

class IUniformRandomStream {
public:
    // Slots, in order:
    //  0 SetSeed
    //  1 RandomFloat
    //  2 RandomInt
    //  3 RandomFloatExp
    // The same seed gives the same sequence.
    virtual void SetSeed(int seed) = 0;
    // In [low, high).
    virtual float RandomFloat(float low = 0.0f, float high = 1.0f) = 0;
    // In [low, high], both included.
    virtual int RandomInt(int low, int high) = 0;
    // low + (high - low) * u^exponent for a uniform u in [0, 1).
    virtual float RandomFloatExp(float low = 0.0f, float high = 1.0f, float exponent = 1.0f) = 0;

protected:
    ~IUniformRandomStream() = default;
};

// A seeded uniform random stream (a 64-bit mixing generator): the same seed
// gives the same sequence on every machine.
#pragma once

#include <vstdlib/random.h>

class CUniformRandomStream final : public IUniformRandomStream {
public:
    CUniformRandomStream() { SetSeed(0); }

    void SetSeed(int seed) override;
    float RandomFloat(float low, float high) override;
    int RandomInt(int low, int high) override;
    float RandomFloatExp(float low, float high, float exponent) override;

private:
    uint64 Next();
    // In [0, 1).
    float NextUnit();

    uint64 m_state = 0;
};

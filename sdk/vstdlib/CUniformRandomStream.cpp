#include "CUniformRandomStream.h"

#include <cmath>

void CUniformRandomStream::SetSeed(int seed) {
    m_state = static_cast<uint64>(static_cast<uint32>(seed)) * 0x9E3779B97F4A7C15ull;
}

uint64 CUniformRandomStream::Next() {
    uint64 z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float CUniformRandomStream::NextUnit() {
    return static_cast<float>(Next() >> 40) * (1.0f / 16777216.0f);
}

float CUniformRandomStream::RandomFloat(float low, float high) {
    return low + (high - low) * NextUnit();
}

int CUniformRandomStream::RandomInt(int low, int high) {
    if (high <= low)
        return low;
    const uint64 range = static_cast<uint64>(static_cast<int64>(high) - low) + 1;
    const uint64 offset = ((Next() >> 32) * range) >> 32;
    return static_cast<int>(static_cast<int64>(low) + static_cast<int64>(offset));
}

float CUniformRandomStream::RandomFloatExp(float low, float high, float exponent) {
    return low + (high - low) * std::pow(NextUnit(), exponent);
}

// A fixed-size bit set (the transmit set of CCheckTransmitInfo holds one bit
// per entity index, up to MAX_EDICTS). Out-of-range bits read as clear and
// are never written.
#pragma once

#include <tier0/platform.h>

#include <cstring>

template <int NUM_BITS>
class CBitVec {
public:
    static_assert(NUM_BITS > 0, "a bit set needs bits");
    enum { NUM_INTS = (NUM_BITS + 31) / 32 };

    CBitVec() { ClearAll(); }

    int GetNumBits() const { return NUM_BITS; }
    int GetNumDWords() const { return NUM_INTS; }
    uint32* Base() { return m_Ints; }
    const uint32* Base() const { return m_Ints; }

    bool IsBitSet(int bit) const {
        return InRange(bit) && (m_Ints[bit >> 5] & (1u << (bit & 31))) != 0;
    }
    bool Get(int bit) const { return IsBitSet(bit); }
    void Set(int bit) {
        if (InRange(bit))
            m_Ints[bit >> 5] |= 1u << (bit & 31);
    }
    void Set(int bit, bool value) { value ? Set(bit) : Clear(bit); }
    void Clear(int bit) {
        if (InRange(bit))
            m_Ints[bit >> 5] &= ~(1u << (bit & 31));
    }
    void ClearAll() { std::memset(m_Ints, 0, sizeof(m_Ints)); }
    void SetAll() {
        std::memset(m_Ints, 0xFF, sizeof(m_Ints));
        if (NUM_BITS % 32)
            m_Ints[NUM_INTS - 1] &= (1u << (NUM_BITS % 32)) - 1;
    }
    // The first set bit at or after start, or -1.
    int FindNextSetBit(int start) const {
        for (int bit = start < 0 ? 0 : start; bit < NUM_BITS; ++bit)
            if (IsBitSet(bit))
                return bit;
        return -1;
    }
    int CountSetBits() const {
        int count = 0;
        for (int i = 0; i < NUM_INTS; ++i)
            count += __builtin_popcount(m_Ints[i]);
        return count;
    }

private:
    static bool InRange(int bit) { return bit >= 0 && bit < NUM_BITS; }

    uint32 m_Ints[NUM_INTS];
};

// The engine's entity slots: edict 0 is the world, 1 to the client maximum
// the players, the rest what the game creates.
#pragma once

#include <edict.h>

#include <vector>

namespace sim {

class EdictList {
public:
    EdictList() : m_edicts(MAX_EDICTS) {}

    edict_t* Base() { return m_edicts.data(); }
    // Null out of range; free slots are returned too.
    edict_t* Get(int index);
    // -1 for null or a pointer that is not one of these edicts.
    int IndexOf(const edict_t* edict) const;
    int InUseCount() const;
    // One past the highest slot in use.
    int Extent() const;

    // A free slot from firstIndex on, or exactly forcedIndex when that is
    // given and free; null when none is left.
    edict_t* Allocate(int firstIndex, int forcedIndex = -1);
    void Use(int index);
    void Free(edict_t* edict, float time);

private:
    std::vector<edict_t> m_edicts;
};

}  // namespace sim

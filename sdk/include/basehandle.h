// An entity handle: an entry index (the entity index) and a serial number
// that changes when the slot is reused, packed in one integer.
#pragma once

#include <const.h>

class IHandleEntity;

#define NUM_ENT_ENTRY_BITS (MAX_EDICT_BITS + 1)
#define NUM_ENT_ENTRIES (1 << NUM_ENT_ENTRY_BITS)
#define ENT_ENTRY_MASK (NUM_ENT_ENTRIES - 1)
#define INVALID_EHANDLE_INDEX 0xFFFFFFFFu
#define NUM_SERIAL_NUM_BITS (32 - NUM_ENT_ENTRY_BITS)

class CBaseHandle {
public:
    constexpr CBaseHandle() = default;
    CBaseHandle(int entry, int serialNumber) { Init(entry, serialNumber); }

    void Init(int entry, int serialNumber) {
        m_Index = static_cast<unsigned long>(entry) |
                  (static_cast<unsigned long>(serialNumber) << NUM_ENT_ENTRY_BITS);
    }
    void Term() { m_Index = INVALID_EHANDLE_INDEX; }

    bool IsValid() const { return m_Index != INVALID_EHANDLE_INDEX; }
    int GetEntryIndex() const { return static_cast<int>(m_Index & ENT_ENTRY_MASK); }
    int GetSerialNumber() const { return static_cast<int>(m_Index >> NUM_ENT_ENTRY_BITS); }
    int ToInt() const { return static_cast<int>(m_Index); }

    bool operator==(const CBaseHandle& other) const { return m_Index == other.m_Index; }
    bool operator!=(const CBaseHandle& other) const { return m_Index != other.m_Index; }
    bool operator<(const CBaseHandle& other) const { return m_Index < other.m_Index; }

protected:
    unsigned long m_Index = INVALID_EHANDLE_INDEX;
};

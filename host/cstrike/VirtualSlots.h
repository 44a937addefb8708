// Unused virtual functions that keep the game's functions at the slot numbers
// of the real game library, which the plug-in calls by number (the Linux
// library's; on Windows, where the destructor takes one slot, one lower). Each macro
// declares a power of two of slots, named by growing the given prefix; a
// class lists them between its real virtual functions and the slot tests
// check where those land.
#pragma once

namespace cstrike {
// Reached only through a wrong slot number: stop loudly rather than run on.
[[noreturn]] void ReservedSlotCalled();
}  // namespace cstrike

#define CSTRIKE_RESERVED_SLOTS_1(p)    \
    virtual void p() {                 \
        cstrike::ReservedSlotCalled(); \
    }
#define CSTRIKE_RESERVED_SLOTS_2(p) CSTRIKE_RESERVED_SLOTS_1(p##a) CSTRIKE_RESERVED_SLOTS_1(p##b)
#define CSTRIKE_RESERVED_SLOTS_4(p) CSTRIKE_RESERVED_SLOTS_2(p##a) CSTRIKE_RESERVED_SLOTS_2(p##b)
#define CSTRIKE_RESERVED_SLOTS_8(p) CSTRIKE_RESERVED_SLOTS_4(p##a) CSTRIKE_RESERVED_SLOTS_4(p##b)
#define CSTRIKE_RESERVED_SLOTS_16(p) CSTRIKE_RESERVED_SLOTS_8(p##a) CSTRIKE_RESERVED_SLOTS_8(p##b)
#define CSTRIKE_RESERVED_SLOTS_32(p) CSTRIKE_RESERVED_SLOTS_16(p##a) CSTRIKE_RESERVED_SLOTS_16(p##b)
#define CSTRIKE_RESERVED_SLOTS_64(p) CSTRIKE_RESERVED_SLOTS_32(p##a) CSTRIKE_RESERVED_SLOTS_32(p##b)
#define CSTRIKE_RESERVED_SLOTS_128(p) \
    CSTRIKE_RESERVED_SLOTS_64(p##a) CSTRIKE_RESERVED_SLOTS_64(p##b)

// The plug-in reaches the game's entity functions by slot. The Windows game
// library is built by the Microsoft compiler: its slots are one lower and
// its functions are thiscall. A game entity is faked here with such a table.
#include <gtest/gtest.h>

#include <datamap.h>

#include <cstddef>

#include "core/VFuncs.h"
#include "fixes/DefuseFix.h"
#include "hook/Hook.h"

namespace {

namespace hook = travik::hook;

#define THISCALL __attribute__((thiscall))

constexpr std::size_t kSlots = 400;

// An entity as the game lays it out: its table first, then its fields.
struct FakeEntity {
    void* const* table;
    float eye[3];
    datamap_t* map;
    FakeEntity* combat;
    FakeEntity* weapons[6];
    FakeEntity* useTarget;
};

void THISCALL Unused(FakeEntity*) {}
datamap_t* THISCALL GetDataDescMap(FakeEntity* self) {
    return self->map;
}
FakeEntity* THISCALL MyCombatCharacterPointer(FakeEntity* self) {
    return self->combat;
}
FakeEntity* THISCALL WeaponGetSlot(FakeEntity* self, int slot) {
    return slot >= 0 && slot < 6 ? self->weapons[slot] : nullptr;
}
Vector THISCALL EyePosition(FakeEntity* self) {
    return Vector(self->eye[0], self->eye[1], self->eye[2]);
}
FakeEntity* THISCALL FindUseEntity(FakeEntity* self) {
    return self->useTarget;
}

// The Windows game's slots, as its own numbers: 11, 69, 127, 258 and 394.
void* const* GameTable() {
    static void* table[kSlots] = {};
    if (table[0] == nullptr) {
        for (void*& entry : table) {
            entry = reinterpret_cast<void*>(&Unused);
        }
        table[11] = reinterpret_cast<void*>(&GetDataDescMap);
        table[69] = reinterpret_cast<void*>(&MyCombatCharacterPointer);
        table[127] = reinterpret_cast<void*>(&EyePosition);
        table[258] = reinterpret_cast<void*>(&WeaponGetSlot);
        table[394] = reinterpret_cast<void*>(&FindUseEntity);
    }
    return table;
}

class GameSlotsWindows : public ::testing::Test {
protected:
    GameSlotsWindows() {
        player.table = GameTable();
        player.eye[0] = 1.5f;
        player.eye[1] = -2.0f;
        player.eye[2] = 64.0f;
        player.map = &map;
        player.combat = &player;
        player.weapons[1] = &pistol;
        player.useTarget = &bomb;
        pistol.table = GameTable();
        bomb.table = GameTable();
    }
    template <class T>
    T* As(FakeEntity* entity) {
        return reinterpret_cast<T*>(entity);
    }

    datamap_t map{};
    FakeEntity player{};
    FakeEntity pistol{};
    FakeEntity bomb{};
};

TEST_F(GameSlotsWindows, VirtualCallsReachTheWindowsSlotsWithThiscall) {
    EXPECT_EQ(CBaseEntity_GetDataDescMap(As<CBaseEntity>(&player)), &map);
    CBaseCombatCharacter* combat = CBaseEntity_MyCombatCharacterPointer(As<CBaseEntity>(&player));
    EXPECT_EQ(static_cast<void*>(combat), &player);
    EXPECT_EQ(static_cast<void*>(CSSCBaseCombatCharacter_Weapon_GetSlot(combat, 1)), &pistol);
    EXPECT_EQ(CSSCBaseCombatCharacter_Weapon_GetSlot(combat, 0), nullptr);
    EXPECT_EQ(CSSCBaseCombatCharacter_Weapon_GetSlot(combat, 6), nullptr);
    // A vector comes back by value through the hidden pointer.
    const Vector eye = CBasePlayer_EyePosition(As<CBasePlayer>(&player));
    EXPECT_EQ(eye.x, 1.5f);
    EXPECT_EQ(eye.y, -2.0f);
    EXPECT_EQ(eye.z, 64.0f);
}

CBaseEntity* gSeen = nullptr;
void BlockUse(DefuseFix::FindUseCall& call) {
    gSeen = *call.originalResult();
    call.supersede(nullptr);
}

TEST_F(GameSlotsWindows, TheDefuseFixHooksFindUseEntityAtTheWindowsSlot) {
    using Find = FakeEntity*(THISCALL*)(FakeEntity*);
    CBaseEntity* entity = As<CBaseEntity>(&player);
    ASSERT_TRUE(hook::add<DefuseFix::FindUseEntity>(entity, hook::Post, &BlockUse));
    // The game calls its own slot 394 and gets the hook's answer.
    EXPECT_EQ(reinterpret_cast<Find>(player.table[394])(&player), nullptr);
    EXPECT_EQ(static_cast<void*>(gSeen), &bomb);
    EXPECT_TRUE(hook::remove<DefuseFix::FindUseEntity>(entity, hook::Post, &BlockUse));
    EXPECT_EQ(reinterpret_cast<Find>(player.table[394])(&player), &bomb);
}

}  // namespace

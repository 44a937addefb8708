// The plug-in calls game functions by their slot in the entity's virtual
// table; each slot must hold the function the real game library of the
// platform has there (on Windows one lower, with thiscall).
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <type_traits>

#include "CSPlayer.h"
#include "CSTeam.h"
#include "EntityList.h"
#include "FakeEngine.h"
#include "PlantedC4.h"
#include "PluginAccess.h"

using plugin_access::CallSlot;

namespace {

constexpr int kGetDataDescMap = plugin_access::GameSlots::kGetDataDescMap;
constexpr int kMyCombatCharacterPointer = plugin_access::GameSlots::kMyCombatCharacterPointer;
constexpr int kEyePosition = plugin_access::GameSlots::kEyePosition;
constexpr int kWeaponGetSlot = plugin_access::GameSlots::kWeaponGetSlot;
constexpr int kFindUseEntity = plugin_access::GameSlots::kFindUseEntity;

class SrcdsSimGameSlots : public ::testing::Test {
protected:
    void SetUp() override {
        player = static_cast<CCSPlayer*>(
            entities.AddOnEdict(std::make_unique<CCSPlayer>(), engine.ConnectClient(1)));
        bomb = entities.Create(std::make_unique<CPlantedC4>(nullptr, 45.0f));
        ASSERT_NE(player, nullptr);
        ASSERT_NE(bomb, nullptr);
    }

    FakeEngine engine;
    cstrike::EntityList entities{engine};
    CCSPlayer* player = nullptr;
    CPlantedC4* bomb = nullptr;
};

TEST_F(SrcdsSimGameSlots, DataDescMapIsTheObjectsOwnClass) {
    EXPECT_STREQ(CallSlot<datamap_t*>(player, kGetDataDescMap)->dataClassName, "CCSPlayer");
    EXPECT_STREQ(CallSlot<datamap_t*>(bomb, kGetDataDescMap)->dataClassName, "CPlantedC4");
}

TEST_F(SrcdsSimGameSlots, CombatCharacterPointerOnlyForCharacters) {
    EXPECT_EQ(CallSlot<void*>(player, kMyCombatCharacterPointer),
              static_cast<CBaseCombatCharacter*>(player));
    EXPECT_EQ(CallSlot<void*>(bomb, kMyCombatCharacterPointer), nullptr);
}

TEST_F(SrcdsSimGameSlots, EyePositionReturnsAVectorByValue) {
    player->SetAbsOrigin(Vector(10.0f, 20.0f, 30.0f));
    EXPECT_EQ(CallSlot<Vector>(player, kEyePosition), Vector(10.0f, 20.0f, 94.0f));
    player->AddFlag(FL_DUCKING);
    EXPECT_EQ(CallSlot<Vector>(player, kEyePosition), Vector(10.0f, 20.0f, 76.0f));
}

TEST_F(SrcdsSimGameSlots, WeaponGetSlotFindsThePrimaryWeapon) {
    auto* pistol = entities.Create(std::make_unique<CBaseCombatWeapon>("weapon_usp", 1, 500));
    EXPECT_EQ(CallSlot<void*>(player, kWeaponGetSlot, 0), nullptr);
    auto* rifle = entities.Create(std::make_unique<CBaseCombatWeapon>("weapon_m4a1", 0, 3100));
    player->Weapon_Equip(pistol);
    player->Weapon_Equip(rifle);
    EXPECT_EQ(CallSlot<void*>(player, kWeaponGetSlot, 0), rifle);
    EXPECT_EQ(CallSlot<void*>(player, kWeaponGetSlot, 1), pistol);
    EXPECT_EQ(CallSlot<void*>(player, kWeaponGetSlot, -1), nullptr);
    EXPECT_EQ(CallSlot<void*>(player, kWeaponGetSlot, 99), nullptr);

    // A removed weapon leaves no dangling slot behind.
    entities.Remove(rifle);
    EXPECT_EQ(CallSlot<void*>(player, kWeaponGetSlot, 0), nullptr);
}

TEST_F(SrcdsSimGameSlots, FindUseEntityReachesTheBombOnlyWithinRange) {
    bomb->SetAbsOrigin(Vector(50.0f, 0.0f, 0.0f));
    EXPECT_EQ(CallSlot<CBaseEntity*>(player, kFindUseEntity), bomb);
    player->SetAbsOrigin(Vector(-100.0f, 0.0f, 0.0f));
    EXPECT_EQ(CallSlot<CBaseEntity*>(player, kFindUseEntity), nullptr);
    // A bomb that stopped ticking cannot be used any more.
    player->SetAbsOrigin(Vector(0.0f, 0.0f, 0.0f));
    bomb->StopTicking();
    EXPECT_EQ(CallSlot<CBaseEntity*>(player, kFindUseEntity), nullptr);
}

TEST_F(SrcdsSimGameSlots, EngineSlotsOfTheEntityStayInPlace) {
    // GetNetworkable and GetBaseEntity come before the game's own.
    EXPECT_EQ(CallSlot<IServerNetworkable*>(player, plugin_access::GameSlots::kGetNetworkable),
              player->GetNetworkable());
    EXPECT_EQ(CallSlot<CBaseEntity*>(player, plugin_access::GameSlots::kGetBaseEntity), player);
    EXPECT_STREQ(player->edict()->GetClassName(), "player");
    EXPECT_STREQ(bomb->edict()->GetClassName(), "planted_c4");
}

// ---- destroying entities -----------------------------------------------------------

// An entity class of its own whose destruction is seen, derived two levels
// below CBaseEntity as the game's own classes are.
class TrackedWeapon : public CBaseCombatWeapon {
public:
    SDK_DELETING_DESTRUCTOR(TrackedWeapon)
    explicit TrackedWeapon(int* destroyed)
        : CBaseCombatWeapon("weapon_knife", 2, 0), m_destroyed(destroyed) {}
    ~TrackedWeapon() SDK_DESTRUCTOR_OVERRIDE { ++*m_destroyed; }

private:
    int* m_destroyed;
};

TEST(SrcdsSimGameEntities, TheListDestroysEachEntityAsTheClassItWasMadeAs) {
    int destroyed = 0;
    FakeEngine engine;
    {
        cstrike::EntityList entities{engine};
        CBaseEntity* first = entities.Add(std::make_unique<TrackedWeapon>(&destroyed));
        ASSERT_NE(first, nullptr);
        entities.Remove(first);
        EXPECT_EQ(destroyed, 1) << "removed";

        // An entity the list refuses is destroyed at once.
        edict_t* taken = engine.ConnectClient(1);
        ASSERT_NE(entities.AddOnEdict(std::make_unique<CCSPlayer>(), taken), nullptr);
        EXPECT_EQ(entities.AddOnEdict(std::make_unique<TrackedWeapon>(&destroyed), taken), nullptr);
        EXPECT_EQ(destroyed, 2) << "refused";

        ASSERT_NE(entities.Add(std::make_unique<TrackedWeapon>(&destroyed)), nullptr);
        ASSERT_NE(entities.Add(std::make_unique<TrackedWeapon>(&destroyed)), nullptr);
        entities.RemoveAll();
        EXPECT_EQ(destroyed, 4) << "all removed";
        ASSERT_NE(entities.Add(std::make_unique<TrackedWeapon>(&destroyed)), nullptr);
    }
    EXPECT_EQ(destroyed, 5) << "the list's own end";
}

#ifdef _WIN32
// The Windows game's slot 0 is the deleting destructor, as the server's
// compiler makes it: bit 0 of the flags frees the memory, and the answer is
// the object.
TEST(SrcdsSimGameEntities, SlotZeroDestroysTheWholeObjectInPlaceOrFreesIt) {
    int destroyed = 0;
    alignas(TrackedWeapon) unsigned char storage[sizeof(TrackedWeapon)];
    auto* inPlace = new (storage) TrackedWeapon(&destroyed);
    CBaseEntity* asBase = inPlace;
    EXPECT_EQ(CallSlot<void*>(asBase, 0, 0u), static_cast<void*>(asBase));
    EXPECT_EQ(destroyed, 1);

    CBaseEntity* onHeap = new TrackedWeapon(&destroyed);
    CallSlot<void*>(onHeap, 0, 1u);
    EXPECT_EQ(destroyed, 2);
}

// Every class of the game that has objects brings its own slot 0; one that
// inherited its base's would destroy only the base part.
template <class T>
constexpr bool OwnsSlotZero() {
    return std::is_same_v<decltype(&T::DeletingDestructor), void* (T::*)(unsigned int)>;
}

TEST(SrcdsSimGameEntities, EveryEntityClassOverridesSlotZero) {
    EXPECT_TRUE(OwnsSlotZero<CBaseEntity>());
    EXPECT_TRUE(OwnsSlotZero<CBaseCombatCharacter>());
    EXPECT_TRUE(OwnsSlotZero<CBaseCombatWeapon>());
    EXPECT_TRUE(OwnsSlotZero<CBasePlayer>());
    EXPECT_TRUE(OwnsSlotZero<CCSPlayer>());
    EXPECT_TRUE(OwnsSlotZero<CCSTeam>());
    EXPECT_TRUE(OwnsSlotZero<CPlantedC4>());
}
#endif

}  // namespace

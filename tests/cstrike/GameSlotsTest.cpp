// The plug-in calls game functions by their slot in the entity's virtual
// table; each slot must hold the function the Linux game library has there.
#include <gtest/gtest.h>

#include <memory>

#include "CSPlayer.h"
#include "EntityList.h"
#include "FakeEngine.h"
#include "PlantedC4.h"
#include "PluginAccess.h"

using plugin_access::CallSlot;

namespace {

constexpr int kGetDataDescMap = 12;
constexpr int kMyCombatCharacterPointer = 70;
constexpr int kEyePosition = 128;
constexpr int kWeaponGetSlot = 259;
constexpr int kFindUseEntity = 395;

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
    // GetNetworkable (4) and GetBaseEntity (5) come before the game's own.
    EXPECT_EQ(CallSlot<IServerNetworkable*>(player, 4), player->GetNetworkable());
    EXPECT_EQ(CallSlot<CBaseEntity*>(player, 5), player);
    EXPECT_STREQ(player->edict()->GetClassName(), "player");
    EXPECT_STREQ(bomb->edict()->GetClassName(), "planted_c4");
}

}  // namespace

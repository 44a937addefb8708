// The plug-in finds the game's fields by walking the server classes, send
// tables and data maps by name; every offset it finds must reach the field.
#include <gtest/gtest.h>

#include <in_buttons.h>

#include <memory>

#include "CSPlayer.h"
#include "EntityList.h"
#include "FakeEngine.h"
#include "PlantedC4.h"
#include "PluginAccess.h"
#include "ServerClasses.h"

using namespace plugin_access;

namespace {

class SrcdsSimGameTables : public ::testing::Test {
protected:
    void SetUp() override {
        player = static_cast<CCSPlayer*>(
            entities.AddOnEdict(std::make_unique<CCSPlayer>(), engine.ConnectClient(1)));
        ASSERT_NE(player, nullptr);
    }

    int SendOffset(const char* className, const char* prop) {
        ServerClass* serverClass = FindServerClass(cstrike::GetAllServerClasses(), className);
        return serverClass ? FindSendProp(serverClass->m_pTable, prop) : -1;
    }

    int MapOffset(CBaseEntity* entity, const char* field) {
        return FindInDataMap(
            CallSlot<datamap_t*>(entity, plugin_access::GameSlots::kGetDataDescMap), field);
    }

    FakeEngine engine;
    cstrike::EntityList entities{engine};
    CCSPlayer* player = nullptr;
};

TEST_F(SrcdsSimGameTables, SendPropsReachTheirFieldsThroughNestedTables) {
    player->SetAccount(12345);
    player->Blind(3.4f, 255.0f);
    player->SetAbsAngles(QAngle(10.0f, 20.0f, 30.0f));
    player->SetMoveType(MOVETYPE_LADDER);
    player->AddFlag(FL_ONGROUND | FL_DUCKING);

    EXPECT_EQ(FieldAt<int>(player, SendOffset("CCSPlayer", "m_iAccount")), 12345);
    EXPECT_EQ(FieldAt<float>(player, SendOffset("CCSPlayer", "m_flFlashDuration")), 3.4f);
    EXPECT_EQ(FieldAt<float>(player, SendOffset("CCSPlayer", "m_flFlashMaxAlpha")), 255.0f);
    EXPECT_EQ(FieldAt<QAngle>(player, SendOffset("CBaseEntity", "m_angRotation")),
              QAngle(10.0f, 20.0f, 30.0f));
    EXPECT_EQ(FieldAt<unsigned char>(player, SendOffset("CBaseEntity", "movetype")),
              MOVETYPE_LADDER);
    EXPECT_EQ(FieldAt<int>(player, SendOffset("CBasePlayer", "m_fFlags")),
              FL_ONGROUND | FL_DUCKING);
    // Reached from the player's own class through three "baseclass" levels.
    EXPECT_EQ(SendOffset("CCSPlayer", "movetype"), SendOffset("CBaseEntity", "movetype"));
}

TEST_F(SrcdsSimGameTables, PropsOfTablesBehindOffsetEntriesCarryAbsoluteOffsets) {
    // "m_Collision" and "pl" are entries with offsets of their own; the props
    // behind them must not need those added.
    player->SetCollisionBounds(Vector(-16, -16, 0), Vector(16, 16, 72), 0);
    player->SetDeadFlag(true);
    EXPECT_EQ(FieldAt<Vector>(player, SendOffset("CCSPlayer", "m_vecMaxs")), Vector(16, 16, 72));
    EXPECT_TRUE(FieldAt<bool>(player, SendOffset("CCSPlayer", "deadflag")));
}

TEST_F(SrcdsSimGameTables, DataMapFieldsAreFoundInBaseAndEmbeddedMaps) {
    player->SetAbsVelocity(Vector(3.0f, 4.0f, 0.0f));
    player->SetAbsOrigin(Vector(100.0f, 200.0f, 300.0f));
    player->SetLerpTimeFromInterp("0.05");

    EXPECT_EQ(FieldAt<Vector>(player, MapOffset(player, "m_vecVelocity")), Vector(3, 4, 0));
    EXPECT_EQ(FieldAt<float>(player, MapOffset(player, "m_flSpeed")), 5.0f);
    EXPECT_EQ(FieldAt<Vector>(player, MapOffset(player, "m_vecAbsOrigin")), Vector(100, 200, 300));
    EXPECT_EQ(FieldAt<float>(player, MapOffset(player, "m_fLerpTime")), 0.05f);
}

TEST_F(SrcdsSimGameTables, MoveChildAndPeerHandlesChainTheCarriedWeapons) {
    auto* knife = entities.Create(std::make_unique<CBaseCombatWeapon>("weapon_knife", 2, 0));
    auto* rifle = entities.Create(std::make_unique<CBaseCombatWeapon>("weapon_ak47", 0, 2500));
    player->Weapon_Equip(knife);
    player->Weapon_Equip(rifle);

    const int child = MapOffset(player, "m_hMoveChild");
    const int peer = MapOffset(rifle, "m_hMovePeer");
    ASSERT_GT(child, 0);
    ASSERT_GT(peer, 0);
    const CBaseHandle first = FieldAt<CBaseHandle>(player, child);
    EXPECT_EQ(first.GetEntryIndex(), rifle->entindex());
    const CBaseHandle second = FieldAt<CBaseHandle>(rifle, peer);
    EXPECT_EQ(second.GetEntryIndex(), knife->entindex());
    EXPECT_FALSE(FieldAt<CBaseHandle>(knife, peer).IsValid());

    // Dropping the rifle leaves the knife as the only child.
    player->Weapon_Detach(rifle);
    EXPECT_EQ(FieldAt<CBaseHandle>(player, child).GetEntryIndex(), knife->entindex());
}

TEST_F(SrcdsSimGameTables, UnknownNamesAreNotFound) {
    EXPECT_EQ(FindServerClass(cstrike::GetAllServerClasses(), "CCSPlayerX"), nullptr);
    EXPECT_EQ(FindServerClass(cstrike::GetAllServerClasses(), "ccsplayer"), nullptr);
    EXPECT_EQ(SendOffset("CCSPlayer", "m_iAccountX"), 0);
    EXPECT_EQ(MapOffset(player, "m_vecVelocityX"), 0);
    // A class's table knows nothing of its subclasses' fields.
    EXPECT_EQ(SendOffset("CBaseEntity", "m_iAccount"), 0);
}

// Every prop of every class, nested or not, lies inside the class's object.
void ExpectPropsInside(SendTable* table, int objectSize) {
    for (int i = 0; i < table->GetNumProps(); ++i) {
        SendProp* prop = table->GetProp(i);
        if (prop->GetDataTable()) {
            ExpectPropsInside(prop->GetDataTable(), objectSize);
        } else {
            EXPECT_GT(prop->GetOffset(), 0) << prop->GetName();
            EXPECT_LT(prop->GetOffset(), objectSize) << prop->GetName();
        }
    }
}

TEST_F(SrcdsSimGameTables, EveryPropLiesInsideItsObject) {
    ExpectPropsInside(FindServerClass(cstrike::GetAllServerClasses(), "CCSPlayer")->m_pTable,
                      sizeof(CCSPlayer));
    ExpectPropsInside(FindServerClass(cstrike::GetAllServerClasses(), "CPlantedC4")->m_pTable,
                      sizeof(CPlantedC4));
}

TEST(SrcdsSimGameTickInterval, DefaultIsFifteenMillisecondsAndReadsBackAs66) {
    EXPECT_EQ(cstrike::GameTickInterval(0.0f), 0.015f);
    EXPECT_EQ(static_cast<int>(1.0f / cstrike::GameTickInterval(0.0f)), 66);
    EXPECT_EQ(cstrike::GameTickInterval(100.0f), 0.01f);
    EXPECT_EQ(static_cast<int>(1.0f / cstrike::GameTickInterval(100.0f)), 100);
    // Out of range or not a number: the default, never a zero or negative tick.
    EXPECT_EQ(cstrike::GameTickInterval(5.0f), 0.015f);
    EXPECT_EQ(cstrike::GameTickInterval(-66.0f), 0.015f);
    EXPECT_EQ(cstrike::GameTickInterval(std::numeric_limits<float>::quiet_NaN()), 0.015f);
}

}  // namespace

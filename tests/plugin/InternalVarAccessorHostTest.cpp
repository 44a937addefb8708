// Entity fields and game virtual calls on srcds-sim's game objects: the
// offsets the plug-in finds by name must land on the fields the game itself
// reports. No feature reads them yet, so the game.accessor is driven directly.
#include <edict.h>
#include <eiface.h>
#include <gtest/gtest.h>
#include <iplayerinfo.h>

#include "SimRoom.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/VFuncs.h"

namespace {

// Alice on a level, with the accessor initialised on the game's tables.
struct AliceOnTheGame {
    // False unless the level, its tables and alice's entity are there.
    bool Ready() {
        if (!room.started || !accessor.Init()) {
            return false;
        }
        alice = room.EdictOf(room.alice);
        info = g_host.playerInfoManager->GetPlayerInfo(alice);
        entity = g_host.gameEnts->EdictToBaseEntity(alice);
        return info && entity;
    }

    SimRoom room;
    InternalVarAccessor accessor;
    edict_t* alice = nullptr;
    IPlayerInfo* info = nullptr;
    CBaseEntity* entity = nullptr;
};

TEST(InternalVarAccessorService, CashIsTheStartMoney) {
    AliceOnTheGame game;
    ASSERT_TRUE(game.Ready());
    EXPECT_EQ(game.accessor.GetPlayerCash(game.alice), 800);
}

TEST(InternalVarAccessorService, DataMapFieldsAreTheEntitysOwn) {
    AliceOnTheGame game;
    ASSERT_TRUE(game.Ready());
    const Vector* origin = game.accessor.GetAbsOrigin(game.alice);
    ASSERT_NE(origin, nullptr);
    EXPECT_EQ(*origin, game.info->GetAbsOrigin());
    ASSERT_NE(game.accessor.GetVelocity(game.alice), nullptr);
    ASSERT_NE(game.accessor.GetSpeed(game.alice), nullptr);
    EXPECT_EQ(*game.accessor.GetSpeed(game.alice), game.accessor.GetVelocity(game.alice)->Length());
    // Found once, the offsets serve every entity of the game.
    const Vector* bobOrigin = game.accessor.GetAbsOrigin(game.room.EdictOf(game.room.bob));
    ASSERT_NE(bobOrigin, nullptr);
    EXPECT_EQ(
        *bobOrigin,
        g_host.playerInfoManager->GetPlayerInfo(game.room.EdictOf(game.room.bob))->GetAbsOrigin());
}

TEST(InternalVarAccessorService, NetworkedFieldsMatchThePlayersState) {
    AliceOnTheGame game;
    ASSERT_TRUE(game.Ready());
    ASSERT_NE(game.accessor.GetFlashDuration(game.alice), nullptr);
    EXPECT_EQ(*game.accessor.GetFlashDuration(game.alice), 0.0f);
    EXPECT_EQ(game.accessor.GetEntityMoveType(game.entity),
              game.info->IsDead() ? MOVETYPE_OBSERVER : MOVETYPE_WALK);
    EXPECT_EQ(game.accessor.GetPlayerFlags(game.entity) & FL_CLIENT, FL_CLIENT);
}

TEST(InternalVarAccessorService, VirtualCallsBySlotReachTheGamesFunctions) {
    AliceOnTheGame game;
    ASSERT_TRUE(game.Ready());
    EXPECT_NE(CBaseEntity_GetDataDescMap(game.entity), nullptr);
    CBaseCombatCharacter* character = CBaseEntity_MyCombatCharacterPointer(game.entity);
    EXPECT_EQ(static_cast<void*>(character), static_cast<void*>(game.entity));
    const Vector eyes = CBasePlayer_EyePosition(reinterpret_cast<CBasePlayer*>(game.entity));
    const Vector origin = game.info->GetAbsOrigin();
    EXPECT_EQ(eyes.x, origin.x);
    EXPECT_EQ(eyes.y, origin.y);
    EXPECT_GT(eyes.z, origin.z);
}

TEST(InternalVarAccessorService, AnEdictWithoutEntityFailsEveryReader) {
    AliceOnTheGame game;
    ASSERT_TRUE(game.Ready());
    edict_t* empty = g_host.engine->PEntityOfEntIndex(30);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(game.accessor.GetPlayerCash(empty), -1);
    EXPECT_EQ(game.accessor.GetFlashDuration(empty), nullptr);
    EXPECT_EQ(game.accessor.GetVelocity(empty), nullptr);
    EXPECT_EQ(game.accessor.GetAbsOrigin(empty), nullptr);
    const QAngle rotation = game.accessor.GetEntityRotation(empty);
    EXPECT_EQ(rotation.x, 0.0f);
    EXPECT_EQ(rotation.y, 0.0f);
    EXPECT_EQ(rotation.z, 0.0f);
    EXPECT_EQ(game.accessor.GetPlayerCash(nullptr), -1);
}

}  // namespace

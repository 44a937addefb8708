// Who a client is, as the plug-in's identity operations read the host:
// players, bots and SourceTV told apart, players found by user ID.
#include <eiface.h>
#include <gtest/gtest.h>

#include "SimRoom.h"
#include "core/travik_plugin.h"

namespace {

TEST(TKPlayerManager, IdentityTellsPlayersBotsAndSourceTVApart) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    edict_t* alice = room.EdictOf(room.alice);
    edict_t* bot = room.EdictOf(room.bot);
    edict_t* tv = room.EdictOf(room.tv);
    EXPECT_TRUE(Travik::IsPlayer(alice));
    EXPECT_TRUE(Travik::IsPlayerAndConnected(alice));
    EXPECT_FALSE(Travik::IsPlayer(bot));
    EXPECT_TRUE(Travik::IsPlayerOrBot(bot));
    EXPECT_FALSE(Travik::IsPlayer(tv));
    EXPECT_FALSE(Travik::IsPlayerOrBot(tv));
    EXPECT_EQ(Travik::getSourceTV(), tv);
    EXPECT_EQ(Travik::GetNumRealPlayers(), 5);
    EXPECT_EQ(Travik::GetEntityByUserID(room.bob->UserId()), room.EdictOf(room.bob));
    EXPECT_EQ(Travik::GetEntityByUserID(room.bot->UserId()), bot);
    EXPECT_EQ(Travik::GetEntityByUserID(9999), nullptr);

    room.server->Clients().Disconnect(*room.alice, "Disconnect by user.", false);
    EXPECT_FALSE(Travik::IsPlayer(alice));
    EXPECT_EQ(Travik::GetNumRealPlayers(), 4);
}

}  // namespace

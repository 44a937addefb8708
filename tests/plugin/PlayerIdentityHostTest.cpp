// Who a client is, as the plug-in's identity operations read the host:
// players, bots and SourceTV told apart, players found by user ID.
#include <eiface.h>
#include <gtest/gtest.h>
#include <igameevents.h>

#include "SimRoom.h"
#include "core/PlayerIdentity.h"

namespace {

TEST(PlayerIdentityService, IdentityTellsPlayersBotsAndSourceTVApart) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    edict_t* alice = room.EdictOf(room.alice);
    edict_t* bot = room.EdictOf(room.bot);
    edict_t* tv = room.EdictOf(room.tv);
    EXPECT_TRUE(PlayerIdentity::IsPlayer(alice));
    EXPECT_TRUE(PlayerIdentity::IsPlayerAndConnected(alice));
    EXPECT_FALSE(PlayerIdentity::IsPlayer(bot));
    EXPECT_TRUE(PlayerIdentity::IsPlayerOrBot(bot));
    EXPECT_FALSE(PlayerIdentity::IsPlayer(tv));
    EXPECT_FALSE(PlayerIdentity::IsPlayerOrBot(tv));
    EXPECT_EQ(PlayerIdentity::getSourceTV(), tv);
    EXPECT_EQ(PlayerIdentity::GetNumRealPlayers(), 5);
    // The bot plays for the terrorists and SourceTV sits with the spectators:
    // neither counts.
    EXPECT_EQ(PlayerIdentity::GetNumActualPlayersOnTeam(2), 2);
    EXPECT_EQ(PlayerIdentity::GetNumActualPlayersOnTeam(3), 1);
    EXPECT_EQ(PlayerIdentity::GetNumActualPlayersOnTeam(1), 2);
    EXPECT_EQ(PlayerIdentity::GetNumActualPlayersOnTeam(0), 0);
    EXPECT_EQ(PlayerIdentity::GetEntityByUserID(room.bob->UserId()), room.EdictOf(room.bob));
    EXPECT_EQ(PlayerIdentity::GetEntityByUserID(room.bot->UserId()), bot);
    EXPECT_EQ(PlayerIdentity::GetEntityByUserID(9999), nullptr);

    room.server->Clients().Disconnect(*room.alice, "Disconnect by user.", false);
    EXPECT_FALSE(PlayerIdentity::IsPlayer(alice));
    EXPECT_EQ(PlayerIdentity::GetNumRealPlayers(), 4);
    EXPECT_EQ(PlayerIdentity::GetNumActualPlayersOnTeam(2), 1);
}

// The player an event names; a missing, non-positive or unknown user ID, or
// one of a player who left, names nobody.
TEST(PlayerIdentityService, AnEventsUserIdNamesAPlayerInTheGameOrNobody) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    sim::GameEventManager& events = room.server->Events();
    IGameEvent* event = events.CreateEvent("player_spawn", true);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(PlayerIdentity::GetEventPlayer(event), nullptr) << "no userid at all";
    event->SetInt("userid", room.carol->UserId());
    EXPECT_EQ(PlayerIdentity::GetEventPlayer(event), room.EdictOf(room.carol));
    event->SetInt("userid", room.bot->UserId());
    EXPECT_EQ(PlayerIdentity::GetEventPlayer(event), room.EdictOf(room.bot));
    for (int id : {0, -1, 9999}) {
        event->SetInt("userid", id);
        EXPECT_EQ(PlayerIdentity::GetEventPlayer(event), nullptr) << id;
    }
    event->SetInt("userid", room.carol->UserId());
    room.server->Clients().Disconnect(*room.carol, "Disconnect by user.", false);
    EXPECT_EQ(PlayerIdentity::GetEventPlayer(event), nullptr) << "a player who left";
    EXPECT_EQ(PlayerIdentity::GetEventPlayer(nullptr), nullptr);
    events.FreeEvent(event);
}

}  // namespace

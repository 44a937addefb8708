// The anti-flash fix's table of blindings is indexed by player slot: an edict
// beyond the 64 player slots, or the world's, must never reach it. Driven
// directly on a srcds-sim level, as no host callback hands such an edict over.
#include <edict.h>
#include <gtest/gtest.h>

#include "SimRoom.h"
#include "fixes/AntiAntiFlash.h"

namespace {

TEST(AntiAntiFlashService, EdictsOutsideThePlayerSlotsAreRefused) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    AntiAntiFlash flash;
    flash.InitialiseAllClients();
    sim::EdictList& edicts = room.server->Edicts();
    edict_t* alice = room.EdictOf(room.alice);
    const std::vector<sim::Client*> players = {room.alice, room.bob, room.carol, room.dave,
                                               room.erin,  room.bot, room.tv};

    for (int index : {0, 65, 66, 100, MAX_EDICTS - 1}) {
        edict_t* edict = edicts.Get(index);
        ASSERT_NE(edict, nullptr) << index;
        flash.Flash(edict, 5.0f, 255.0f);
        EXPECT_FALSE(flash.IsBlinded(edict)) << index;
        for (const sim::Client* player : players) {
            EXPECT_FALSE(flash.IsBlinded(room.EdictOf(player))) << index;
        }
    }
    flash.Flash(nullptr, 5.0f, 255.0f);

    flash.Flash(alice, 5.0f, 255.0f);
    EXPECT_TRUE(flash.IsBlinded(alice));
    for (int index : {0, 65, 100}) {
        flash.ResetPlayer(edicts.Get(index));
        flash.OnClientDisconnect(edicts.Get(index));
    }
    flash.ResetPlayer(nullptr);
    EXPECT_TRUE(flash.IsBlinded(alice)) << "no other slot's reset reaches hers";
    flash.OnClientDisconnect(alice);
    EXPECT_FALSE(flash.IsBlinded(alice));
}

}  // namespace

// Dead voice's records are indexed by player slot and its hook by the entity
// indexes the caller of SetClientListening passes: indexes that are not the
// server's client slots, and commands from edicts that are not, must never
// reach a record. Driven directly on a srcds-sim level, as no host callback
// hands such indexes over. Run under the sanitizer build for the reads.
#include <edict.h>
#include <gtest/gtest.h>
#include <tier1/convar.h>

#include <climits>

#include "SimRoom.h"
#include "core/HostInterfaces.h"
#include "core/PlayerSlots.h"
#include "fixes/deadvoice.h"

namespace {

namespace hook = travik::hook;

// What the engine was last asked, after every pre-hook had its say.
struct Listening {
    int receiver = 0;
    int sender = 0;
    bool listen = false;
};
Listening g_seen;

void SeeListening(Deadvoice::ListenCall&, int receiver, int sender, bool listen) {
    g_seen = {receiver, sender, listen};
}

class DeadvoiceService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(room.started);
        g_host.voiceServer = &room.server->Voice();
        voice.Init(GetMaxClients());
        ASSERT_TRUE(voice.Configure());
        ASSERT_TRUE(hook::add<&IVoiceServer::SetClientListening>(g_host.voiceServer, hook::Post,
                                                                 &SeeListening));
        for (const sim::Client* client : {room.alice, room.bob, room.carol, room.dave, room.erin}) {
            Command(client->EntityIndex(), "VModEnable 1");
        }
    }
    void TearDown() override {
        voice.Unload();
        hook::remove<&IVoiceServer::SetClientListening>(g_host.voiceServer, hook::Post,
                                                        &SeeListening);
    }

    void Command(int entityIndex, const char* line) {
        CCommand args;
        ASSERT_TRUE(args.Tokenize(line));
        voice.ClientCommand(args.Arg(0), room.server->Edicts().Get(entityIndex), args);
    }
    // The listen value the engine got for a "no" from the game.
    bool Overridden(int receiver, int sender) {
        g_seen = {};
        g_host.voiceServer->SetClientListening(receiver, sender, false);
        EXPECT_EQ(g_seen.receiver, receiver);
        EXPECT_EQ(g_seen.sender, sender);
        return g_seen.listen;
    }

    SimRoom room;
    Deadvoice voice;
};

TEST_F(DeadvoiceService, IndexesOutsideTheServersClientSlotsPassUntouched) {
    const int dave = room.dave->EntityIndex();
    const int erin = room.erin->EntityIndex();
    ASSERT_TRUE(Overridden(dave, erin)) << "two spectators with voice on";
    for (int bad : {0, -1, 65, 66, 1000, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(Overridden(bad, dave)) << bad;
        EXPECT_FALSE(Overridden(dave, bad)) << bad;
    }
    EXPECT_FALSE(Overridden(dave, dave)) << "a player and himself are the game's business";

    // A server of fewer slots than the level holds: the players above its
    // maximum are not its clients.
    voice.Init(erin - 1);
    EXPECT_FALSE(Overridden(dave, erin));
    EXPECT_FALSE(Overridden(erin, dave));
    EXPECT_TRUE(Overridden(room.alice->EntityIndex(), room.bob->EntityIndex()));

    voice.Init(1000);
    EXPECT_EQ(voice.MaxClients(), kMaxPlayerSlots);
    voice.Init(-5);
    EXPECT_EQ(voice.MaxClients(), 0);
    EXPECT_FALSE(Overridden(room.alice->EntityIndex(), room.bob->EntityIndex()));
}

TEST_F(DeadvoiceService, RecordsComeOnlyFromTheServersClientSlots) {
    const int carol = room.carol->EntityIndex();
    const int dave = room.dave->EntityIndex();
    voice.Init(carol);  // dave's slot is above the maximum
    Command(carol, "vban 1");
    Command(dave, "vban 1");
    EXPECT_TRUE(voice.IsMuted(carol - 1, 0));
    EXPECT_FALSE(voice.IsMuted(dave - 1, 0));

    // The world's edict and edicts beyond the 64 slots are nobody's.
    for (int index : {0, 65, 66, 100, MAX_EDICTS - 1}) {
        ASSERT_NE(room.server->Edicts().Get(index), nullptr) << index;
        Command(index, "VModEnable 1");
        Command(index, "vban ffffffff ffffffff");
    }
    for (int slot = 0; slot < kMaxPlayerSlots; ++slot) {
        EXPECT_EQ(voice.IsVoiceEnabled(slot), slot < room.erin->EntityIndex()) << slot;
        EXPECT_EQ(voice.IsMuted(carol - 1, slot), slot == 0) << slot;
    }

    // Two words cover the 64 slots; a third names nobody.
    const int alice = room.alice->EntityIndex();
    Command(alice, "vban 1 80000000 ffffffff");
    for (int slot = 0; slot < kMaxPlayerSlots; ++slot) {
        EXPECT_EQ(voice.IsMuted(alice - 1, slot), slot == 0 || slot == 63) << slot;
    }
    Command(alice, "vban 100000002");  // wider than a word: its low word
    EXPECT_TRUE(voice.IsMuted(alice - 1, 1));
    EXPECT_FALSE(voice.IsMuted(alice - 1, 0));
    EXPECT_FALSE(voice.IsMuted(alice - 1, 63));

    // Leaving takes the slot's records along, and only that slot's.
    voice.OnClientDisconnect(room.server->Edicts().Get(alice));
    EXPECT_FALSE(voice.IsMuted(alice - 1, 1));
    EXPECT_FALSE(voice.IsVoiceEnabled(alice - 1));
    EXPECT_TRUE(voice.IsMuted(carol - 1, 0));
    EXPECT_TRUE(voice.IsVoiceEnabled(carol - 1));
    voice.OnClientDisconnect(room.server->Edicts().Get(100));
    voice.OnClientDisconnect(nullptr);
    EXPECT_TRUE(voice.IsVoiceEnabled(carol - 1));
}

}  // namespace

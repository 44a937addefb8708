// The anti-flash fix as the clients see it: what each one's snapshots held
// while somebody was blinded, on srcds-sim's Counter-Strike: Source game.
#include <basehandle.h>
#include <datamap.h>
#include <edict.h>
#include <eiface.h>
#include <iservernetworkable.h>
#include <iserverunknown.h>
#include <shareddefs.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "TravikServerTest.h"
#include "cstrike/BaseEntity.h"

namespace {

const char* const kEnabled = "[Travik] AntiAntiFlash Hook Enabled\n";
const char* const kDisabled = "[Travik] AntiAntiFlash Hook Disabled\n";

// The address of an entity's handle field, found by name in its data map as
// the game describes it.
CBaseHandle* HandleField(CBaseEntity* entity, datamap_t* map, const char* name) {
    for (; map; map = map->baseMap) {
        for (int i = 0; i < map->dataNumFields; ++i) {
            const typedescription_t& field = map->dataDesc[i];
            if (field.fieldName && std::strcmp(field.fieldName, name) == 0) {
                return reinterpret_cast<CBaseHandle*>(reinterpret_cast<char*>(entity) +
                                                      field.fieldOffset[TD_OFFSET_NORMAL]);
            }
            if (field.td) {
                if (CBaseHandle* found = HandleField(entity, field.td, name)) {
                    return found;
                }
            }
        }
    }
    return nullptr;
}

class AntiAntiFlashFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    // Alice and bob for the terrorists, carol for the counter-terrorists and
    // a bot, all alive and armed.
    void Start(const std::string& commandLine = "+map de_dust2") {
        StartServer(commandLine);
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        alice = &Join("alice", TEAM_TERRORIST);
        bob = &Join("bob", TEAM_TERRORIST);
        carol = &Join("carol", TEAM_CT);
        bot = &AddBot("bot", TEAM_TERRORIST);
        server->RunFrame();
        for (const sim::Client* client : {alice, bob, carol, bot}) {
            ASSERT_TRUE(server->Game().Sim()->IsAlive(client->EntityIndex())) << client->Name();
            ASSERT_FALSE(Carried(*client).empty()) << client->Name();
        }
        ASSERT_TRUE(SeesAll(*alice, {bob, carol, bot}));
    }

    // The entity indexes of what the player carries (its move children).
    std::vector<int> Carried(const sim::Client& client) {
        std::vector<int> carried;
        CBaseEntity* player = EntityOf(client);
        for (CBaseEntity* child = player ? player->FirstMoveChild() : nullptr; child;
             child = child->NextMovePeer()) {
            carried.push_back(child->entindex());
        }
        return carried;
    }

    void Flash(const sim::Client& client, float duration, float maxAlpha = 255.0f) {
        server->Game().Sim()->Flash(client.EntityIndex(), duration, maxAlpha);
    }

    bool Sent(const sim::Client& to, int entityIndex) const {
        return server->Snapshots()->WasSent(to.EntityIndex(), entityIndex);
    }
    // The player and everything it carries were in `to`'s last snapshot.
    bool SeesPlayer(const sim::Client& to, const sim::Client& other) {
        bool all = Sent(to, other.EntityIndex());
        for (int carried : Carried(other)) {
            all = all && Sent(to, carried);
        }
        return all;
    }
    // None of the player and what it carries was.
    bool SeesNothingOf(const sim::Client& to, const sim::Client& other) {
        bool none = !Sent(to, other.EntityIndex());
        for (int carried : Carried(other)) {
            none = none && !Sent(to, carried);
        }
        return none;
    }
    bool SeesAll(const sim::Client& to, std::initializer_list<const sim::Client*> others) {
        bool all = true;
        for (const sim::Client* other : others) {
            all = all && SeesPlayer(to, *other);
        }
        return all;
    }
    bool SeesNone(const sim::Client& to, std::initializer_list<const sim::Client*> others) {
        bool none = true;
        for (const sim::Client* other : others) {
            none = none && SeesNothingOf(to, *other);
        }
        return none;
    }

    // The game's transmit check for one receiver, asked through the
    // interface the host hands out (so the plug-in's hook runs): what it
    // would be sent now.
    TransmitBitVec CheckTransmitFor(const sim::Client& receiver) {
        std::vector<unsigned short> candidates;
        for (int index = 0; index < MAX_EDICTS; ++index) {
            const edict_t* edict = server->Edicts().Get(index);
            if (edict && !edict->IsFree()) {
                candidates.push_back(static_cast<unsigned short>(index));
            }
        }
        TransmitBitVec transmit;
        TransmitBitVec always;
        CCheckTransmitInfo info;
        info.m_pClientEnt = server->Edicts().Get(receiver.EntityIndex());
        info.m_pTransmitEdict = &transmit;
        info.m_pTransmitAlways = &always;
        server->Game().Ents()->CheckTransmit(&info, candidates.data(),
                                             static_cast<int>(candidates.size()));
        return transmit;
    }

    sim::Client* alice = nullptr;
    sim::Client* bob = nullptr;
    sim::Client* carol = nullptr;
    sim::Client* bot = nullptr;
};

TEST_F(AntiAntiFlashFeature, AFullFlashHidesTheOtherPlayersAndWhatTheyCarryForHalfItsLength) {
    Start();
    EXPECT_TRUE(ConsoleHas(kEnabled));
    Flash(*alice, 3.4f);
    server->RunFrame();
    EXPECT_TRUE(SeesNone(*alice, {bob, carol, bot})) << "team-mates, enemies and bots alike";
    EXPECT_TRUE(SeesPlayer(*alice, *alice)) << "her own player and weapons stay";
    EXPECT_TRUE(SeesAll(*bob, {alice, carol, bot})) << "only the blinded player is cut off";
    // Everything that is neither another player nor carried by one still
    // goes out: the game sends bob and alice the same, less what is hidden.
    std::vector<int> hidden;
    for (const sim::Client* other : {bob, carol, bot}) {
        hidden.push_back(other->EntityIndex());
        for (int carried : Carried(*other)) {
            hidden.push_back(carried);
        }
    }
    int kept = 0;
    for (int index = 0; index < MAX_EDICTS; ++index) {
        const bool isHidden = std::find(hidden.begin(), hidden.end(), index) != hidden.end();
        if (isHidden || index == alice->EntityIndex()) {
            continue;
        }
        EXPECT_EQ(Sent(*alice, index), Sent(*bob, index)) << "entity " << index;
        kept += Sent(*alice, index) ? 1 : 0;
    }
    EXPECT_GT(kept, static_cast<int>(Carried(*alice).size())) << "team entities and the like";

    // 3.4 s hides for 1.67 s from the flash.
    server->RunSeconds(1.6);
    EXPECT_TRUE(SeesNone(*alice, {bob, carol, bot}));
    server->RunSeconds(0.1);
    EXPECT_TRUE(SeesAll(*alice, {bob, carol, bot}));
}

TEST_F(AntiAntiFlashFeature, APartialFlashHidesNothing) {
    Start();
    Flash(*alice, 3.0f, 253.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*alice, {bob, carol, bot})) << "not quite white";
    Flash(*alice, 0.9f, 255.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*alice, {bob, carol, bot})) << "too short";
    // The least that blinds: alpha 254 for 1 s, cut off for 0.47 s.
    Flash(*alice, 1.0f, 254.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesNone(*alice, {bob, carol, bot}));
    server->RunSeconds(0.5);
    EXPECT_TRUE(SeesAll(*alice, {bob, carol, bot}));
}

TEST_F(AntiAntiFlashFeature, DeathOrASpawnEndsTheBlindnessAtOnce) {
    Start();
    Flash(*alice, 5.0f);
    server->RunFrame();
    ASSERT_TRUE(SeesNone(*alice, {bob, carol}));
    server->Game().Sim()->Hurt(alice->EntityIndex(), carol->EntityIndex(), 200, "ak47");
    ASSERT_FALSE(server->Game().Sim()->IsAlive(alice->EntityIndex()));
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*alice, {bob, carol})) << "the dead see again at once";
    // A flash that reaches the dead (watching through a living player's
    // eyes) takes nobody out of their view.
    Flash(*alice, 5.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*alice, {bob, carol}));

    Flash(*bob, 5.0f);
    server->RunFrame();
    ASSERT_TRUE(SeesNone(*bob, {carol}));
    Console("mp_restartgame 1");
    server->RunSeconds(1.2);
    ASSERT_TRUE(server->Game().Sim()->IsAlive(alice->EntityIndex()));
    EXPECT_TRUE(SeesAll(*bob, {alice, carol})) << "respawned 1.2 s into a 2.47 s blindness";
}

TEST_F(AntiAntiFlashFeature, BotsAndSourceTVAreNeverBlindedReceivers) {
    Start("+tv_enable 1 +map de_dust2");
    sim::Client* tv = server->TV().GetClient();
    ASSERT_NE(tv, nullptr);
    Flash(*tv, 5.0f);
    Flash(*bot, 5.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*tv, {alice, bob, carol, bot}));
    // Bots get no snapshots; asked for one all the same, the game's choice
    // stands.
    const TransmitBitVec forBot = CheckTransmitFor(*bot);
    for (const sim::Client* other : {alice, bob, carol}) {
        EXPECT_TRUE(forBot.IsBitSet(other->EntityIndex())) << other->Name();
    }
    // The same question for a flashed human is answered without the others.
    Flash(*alice, 5.0f);
    const TransmitBitVec forAlice = CheckTransmitFor(*alice);
    EXPECT_FALSE(forAlice.IsBitSet(bot->EntityIndex()));
    EXPECT_FALSE(forAlice.IsBitSet(tv->EntityIndex())) << "SourceTV's entity is a player's";
    EXPECT_TRUE(forAlice.IsBitSet(alice->EntityIndex()));
}

TEST_F(AntiAntiFlashFeature, TheSwitchAndTheActivePluginMoveTheHook) {
    Start();
    Console("tk_beta_antiflash 0");
    EXPECT_TRUE(ConsoleHas(kDisabled));
    EXPECT_EQ(ChatOf(*alice).back(), "\x03Travik:\x04 Anti-Flash Fix Disabled\n");
    Flash(*alice, 5.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*alice, {bob, carol}));

    // A blinding heard while the hook was off is not acted on later.
    ClearConsole();
    Console("tk_beta_antiflash 1");
    EXPECT_TRUE(ConsoleHas(kEnabled));
    EXPECT_EQ(ChatOf(*alice).back(), "\x03Travik:\x04 Anti-Flash Fix Enabled\n");
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*alice, {bob, carol}));
    Flash(*alice, 5.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesNone(*alice, {bob, carol}));

    // Inactive, the plug-in hooks nothing and the switch waits.
    Console("tk_active 0");
    EXPECT_TRUE(ConsoleHas(kDisabled));
    server->RunFrame();
    EXPECT_TRUE(SeesAll(*alice, {bob, carol}));
    ClearConsole();
    const size_t chatLines = ChatOf(*alice).size();
    Console("tk_beta_antiflash 0");
    Console("tk_beta_antiflash 1");
    EXPECT_FALSE(ConsoleHas("AntiAntiFlash"));
    EXPECT_EQ(ChatOf(*alice).size(), chatLines);
    Console("tk_active 1");
    EXPECT_TRUE(ConsoleHas(kEnabled));

    // Unloaded, the module's handler is gone from the game's calls.
    ClearConsole();
    Console("plugin_unload 0");
    EXPECT_FALSE(ConsoleHas("AntiAntiFlash"));
    sim::Client& dan = Join("dan", TEAM_CT);
    sim::Client& eve = Join("eve", TEAM_TERRORIST);
    server->RunFrame();
    Flash(eve, 5.0f);
    server->RunFrame();
    EXPECT_TRUE(SeesAll(eve, {&dan}));
}

// The handles of an attachment chain live in game memory the plug-in only
// reads: a chain damaged into a loop must not hold the frame, and a handle
// whose entity is gone must not hide whatever now holds its index.
TEST_F(AntiAntiFlashFeature, TheAttachmentWalkEndsAtALoopAndAtAStaleHandle) {
    Start();
    const std::vector<int> carried = Carried(*bob);
    ASSERT_GE(carried.size(), 2u);
    CBaseEntity* first = EntityAt(carried.front());
    CBaseEntity* last = EntityAt(carried.back());
    CBaseHandle* lastPeer = HandleField(last, last->GetDataDescMap(), "m_hMovePeer");
    ASSERT_NE(lastPeer, nullptr);
    ASSERT_FALSE(lastPeer->IsValid());

    *lastPeer = first->GetRefEHandle();  // last -> first -> ... -> last
    Flash(*alice, 5.0f);
    server->RunFrame();
    for (int index : carried) {
        EXPECT_FALSE(Sent(*alice, index)) << index;
    }
    EXPECT_FALSE(Sent(*alice, bob->EntityIndex()));

    // A handle to an index reused since: the serial number no longer matches.
    std::vector<int> teams;
    for (int index = 1; index < MAX_EDICTS; ++index) {
        const edict_t* edict = server->Edicts().Get(index);
        const char* classname = edict && !edict->IsFree() ? edict->GetClassName() : nullptr;
        if (classname && std::strcmp(classname, "cs_team_manager") == 0) {
            teams.push_back(index);
        }
    }
    ASSERT_FALSE(teams.empty());
    const CBaseHandle current = EntityAt(teams.front())->GetRefEHandle();
    *lastPeer = CBaseHandle(current.GetEntryIndex(), current.GetSerialNumber() + 1);
    server->RunFrame();
    EXPECT_TRUE(Sent(*alice, teams.front())) << "a stale handle ends the walk";
    EXPECT_FALSE(Sent(*alice, carried.back()));
    // The same index under its own handle is attached, and hidden.
    *lastPeer = current;
    server->RunFrame();
    EXPECT_FALSE(Sent(*alice, teams.front()));

    lastPeer->Term();
    server->RunSeconds(2.5);
    EXPECT_TRUE(SeesAll(*alice, {bob}));
    EXPECT_TRUE(Sent(*alice, teams.front()));
}

}  // namespace

// What each client is sent every snapshot, and who hears whom: both decided
// by the game through interfaces a plug-in may hook, and recorded.
#include <gtest/gtest.h>

#include <vector>

#include "GameFixture.h"
#include "ServerGameEnts.h"
#include "VoiceRules.h"
#include "engine/SnapshotDriver.h"
#include "engine/VoiceServer.h"

namespace {

// After the game decides, hides one entity, as a hook after CheckTransmit would.
class TransmitSpy : public IServerGameEnts {
public:
    explicit TransmitSpy(IServerGameEnts& game) : m_Game(game) {}
    edict_t* BaseEntityToEdict(CBaseEntity* entity) override {
        return m_Game.BaseEntityToEdict(entity);
    }
    CBaseEntity* EdictToBaseEntity(edict_t* edict) override {
        return m_Game.EdictToBaseEntity(edict);
    }
    void CheckTransmit(CCheckTransmitInfo* info, const unsigned short* indices,
                       int count) override {
        ++calls;
        m_Game.CheckTransmit(info, indices, count);
        info->m_pTransmitEdict->Clear(hidden);
    }
    void FreeContainingEntity(edict_t* edict) override { m_Game.FreeContainingEntity(edict); }

    int calls = 0;
    int hidden = -1;

private:
    IServerGameEnts& m_Game;
};

class SrcdsSimGameTransmit : public GameFixture {
protected:
    void SetUp() override {
        rules.LevelInit();
        t = AddPlayer(1, TEAM_TERRORIST);
        ct = AddPlayer(2, TEAM_CT);
        prop = entities.Create(std::make_unique<CBaseEntity>("prop_physics", "models/crate.mdl"));
        clients = {t->edict(), ct->edict()};
    }

    CCSPlayer* t = nullptr;
    CCSPlayer* ct = nullptr;
    CBaseEntity* prop = nullptr;
    std::vector<edict_t*> clients;
    cstrike::CServerGameEnts gameEnts{entities};
    TransmitSpy spy{gameEnts};
    sim::SnapshotDriver snapshots{engine, &spy};
};

TEST_F(SrcdsSimGameTransmit, EveryClientIsSentEveryEntityOfTheGame) {
    snapshots.TakeSnapshot(clients);
    EXPECT_EQ(spy.calls, 2);
    for (int client : {1, 2}) {
        const TransmitBitVec* sent = snapshots.LastSent(client);
        ASSERT_NE(sent, nullptr);
        // Two players, two weapons each, the prop.
        EXPECT_EQ(sent->CountSetBits(), entities.Count());
        EXPECT_TRUE(sent->IsBitSet(prop->entindex()));
        EXPECT_TRUE(sent->IsBitSet(t->Weapon_GetSlot(WEAPON_SLOT_KNIFE)->entindex()));
    }
    EXPECT_EQ(snapshots.LastSent(3), nullptr);
    EXPECT_FALSE(snapshots.WasSent(1, 0));  // the world edict holds no game entity here
}

TEST_F(SrcdsSimGameTransmit, HookedDecisionsAndEdictFlagsAreWhatTheClientGets) {
    spy.hidden = ct->entindex();
    prop->edict()->m_fStateFlags |= FL_EDICT_DONTSEND;
    snapshots.TakeSnapshot(clients);
    EXPECT_FALSE(snapshots.WasSent(1, ct->entindex()));
    EXPECT_FALSE(snapshots.WasSent(1, prop->entindex()));
    EXPECT_TRUE(snapshots.WasSent(1, t->entindex()));

    // Each snapshot replaces the last one.
    spy.hidden = -1;
    const int propIndex = prop->entindex();
    entities.Remove(prop);
    snapshots.TakeSnapshot(clients);
    EXPECT_TRUE(snapshots.WasSent(1, ct->entindex()));
    EXPECT_FALSE(snapshots.WasSent(1, propIndex));
    EXPECT_EQ(snapshots.Snapshots(), 2);
}

TEST_F(SrcdsSimGameTransmit, EdictLookupsRefuseFreeAndForeignObjects) {
    EXPECT_EQ(gameEnts.EdictToBaseEntity(t->edict()), t);
    EXPECT_EQ(gameEnts.BaseEntityToEdict(t), t->edict());
    EXPECT_EQ(gameEnts.EdictToBaseEntity(engine.PEntityOfEntIndex(400)), nullptr);
    EXPECT_EQ(gameEnts.EdictToBaseEntity(nullptr), nullptr);
    CBaseEntity stray("info_target");
    EXPECT_EQ(gameEnts.BaseEntityToEdict(&stray), nullptr);

    // The engine freeing an edict takes the entity with it, once.
    edict_t* edict = prop->edict();
    gameEnts.FreeContainingEntity(edict);
    EXPECT_EQ(gameEnts.EdictToBaseEntity(edict), nullptr);
    gameEnts.FreeContainingEntity(edict);
    EXPECT_EQ(entities.CountByClassname("prop_physics"), 0);
}

// Forces listening for one pair, as a dead-voice hook would.
class VoiceSpy : public IVoiceServer {
public:
    explicit VoiceSpy(IVoiceServer& engine) : m_Engine(engine) {}
    bool GetClientListening(int r, int s) override { return m_Engine.GetClientListening(r, s); }
    bool SetClientListening(int r, int s, bool listen) override {
        ++calls;
        const bool forced = r == forcedReceiver && s == forcedSender;
        return m_Engine.SetClientListening(r, s, listen || forced);
    }
    bool SetClientProximity(int c, bool p) override { return m_Engine.SetClientProximity(c, p); }

    int calls = 0;
    int forcedReceiver = -1;
    int forcedSender = -1;

private:
    IVoiceServer& m_Engine;
};

// sv_alltalk and the RequestState messages the voice manager sends.
class VoiceHost final : public cstrike::IVoiceHost {
public:
    bool AllTalk() override { return allTalk; }
    void RequestState(int entityIndex) override { requests.push_back(entityIndex); }

    bool allTalk = false;
    std::vector<int> requests;
};

class SrcdsSimGameVoice : public GameFixture {
protected:
    void SetUp() override {
        rules.LevelInit();
        aliveT = AddPlayer(1, TEAM_TERRORIST);
        mateT = AddPlayer(2, TEAM_TERRORIST);
        aliveCT = AddPlayer(3, TEAM_CT);
        deadT = AddPlayer(4, TEAM_TERRORIST);
        deadCT = AddPlayer(5, TEAM_CT);
        rules.Kill(deadT, nullptr, "world", false);
        rules.Kill(deadCT, nullptr, "world", false);
        spectator = rules.ClientPutInServer(engine.ConnectClient(6), 106, "spec", "STEAM_0:1:6");
        rules.JoinTeam(spectator, TEAM_SPECTATOR);
        for (CCSPlayer* player : {aliveT, mateT, aliveCT, deadT, deadCT, spectator}) {
            voiceRules.ClientConnected(player->entindex());
            voiceRules.SetModEnable(player->entindex(), true);
        }
    }

    bool Hears(CCSPlayer* receiver, CCSPlayer* sender) {
        return voice.GetClientListening(receiver->entindex(), sender->entindex());
    }

    CCSPlayer *aliveT, *mateT, *aliveCT, *deadT, *deadCT, *spectator;
    sim::CVoiceServer voice{32};
    VoiceSpy spy{voice};
    VoiceHost host;
    cstrike::VoiceRules voiceRules{entities, &spy, host, globals};
};

TEST_F(SrcdsSimGameVoice, TheLivingAreHeardByTheirTeamTheDeadOnlyByTheirDeadTeamMates) {
    voiceRules.Update();
    EXPECT_EQ(spy.calls, 36);  // every ordered pair of six players
    EXPECT_TRUE(Hears(aliveT, mateT));
    EXPECT_TRUE(Hears(aliveT, aliveT));
    EXPECT_FALSE(Hears(aliveT, aliveCT));
    EXPECT_TRUE(Hears(deadT, aliveT));   // the dead hear their living team-mates
    EXPECT_FALSE(Hears(aliveT, deadT));  // the living do not hear the dead
    EXPECT_FALSE(Hears(deadT, deadCT));  // nor do the dead of the other side
    EXPECT_FALSE(Hears(deadCT, aliveT));
    EXPECT_FALSE(Hears(spectator, deadT));
    EXPECT_FALSE(Hears(deadT, spectator));
    EXPECT_TRUE(Hears(spectator, spectator));

    host.allTalk = true;
    voiceRules.Update();
    EXPECT_TRUE(Hears(aliveT, deadCT));
    EXPECT_TRUE(Hears(spectator, aliveCT));
}

TEST_F(SrcdsSimGameVoice, ANewClientIsAskedOnceAndHearsNobodyBeforeItAnswers) {
    CCSPlayer* late = AddPlayer(7, TEAM_TERRORIST);
    voiceRules.ClientConnected(late->entindex());
    host.allTalk = true;
    voiceRules.Update();
    voiceRules.Update();
    EXPECT_EQ(host.requests, (std::vector<int>{7})) << "a reliable message, sent once";
    EXPECT_FALSE(Hears(late, aliveT));
    EXPECT_TRUE(Hears(aliveT, late)) << "he is heard all the same";
    voiceRules.SetModEnable(late->entindex(), false);  // "VModEnable 0"
    voiceRules.Update();
    EXPECT_FALSE(Hears(late, aliveT));
    voiceRules.SetModEnable(late->entindex(), true);
    voiceRules.Update();
    EXPECT_TRUE(Hears(late, aliveT));
    // The next client of the slot starts over, without the mutes.
    voiceRules.SetBanMask(late->entindex(), ~0ull);
    voiceRules.ClientDisconnected(late->entindex());
    voiceRules.ClientConnected(late->entindex());
    voiceRules.SetModEnable(late->entindex(), true);
    voiceRules.Update();
    EXPECT_TRUE(Hears(late, aliveT));
}

TEST_F(SrcdsSimGameVoice, MutesHoldAndAHookedAnswerIsKept) {
    voiceRules.SetBanMask(aliveT->entindex(), 1ull << (mateT->entindex() - 1));
    // As a dead-voice hook: the dead counter-terrorist hears a living terrorist.
    spy.forcedReceiver = deadCT->entindex();
    spy.forcedSender = aliveT->entindex();
    voiceRules.Update();
    EXPECT_FALSE(Hears(aliveT, mateT));
    EXPECT_TRUE(Hears(mateT, aliveT)) << "muting is one way";
    EXPECT_TRUE(Hears(deadCT, aliveT));
    host.allTalk = true;
    voiceRules.Update();
    EXPECT_FALSE(Hears(aliveT, mateT)) << "a mute holds under all-talk";

    // A change of state shows at the next update.
    host.allTalk = false;
    spy.forcedReceiver = -1;
    rules.Kill(mateT, nullptr, "world", false);
    voiceRules.Update();
    EXPECT_TRUE(Hears(mateT, deadT));
    EXPECT_FALSE(Hears(deadCT, aliveT));
}

TEST_F(SrcdsSimGameVoice, UpdatesComeEveryThreeTenthsOfASecond) {
    voiceRules.Think();
    Advance(0.285f);
    voiceRules.Think();
    EXPECT_EQ(voiceRules.Updates(), 1);
    Advance(0.03f);
    voiceRules.Think();
    EXPECT_EQ(voiceRules.Updates(), 2);
}

TEST_F(SrcdsSimGameVoice, IndexesOutsideTheClientSlotsAreRefused) {
    EXPECT_FALSE(voice.SetClientListening(0, 1, true));
    EXPECT_FALSE(voice.SetClientListening(1, 33, true));
    EXPECT_FALSE(voice.SetClientListening(-1, 65, true));
    EXPECT_FALSE(voice.GetClientListening(1, 33));
    EXPECT_TRUE(voice.SetClientListening(32, 1, true));
    EXPECT_TRUE(voice.GetClientListening(32, 1));
    EXPECT_FALSE(voice.GetClientListening(1, 32));
}

}  // namespace

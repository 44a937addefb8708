// Rounds, restarts, teams and the bomb, judged by the events the rules fire.
#include <in_buttons.h>

#include <utility>

#include "CSTeam.h"
#include "GameFixture.h"

using cstrike::RoundPhase;
using Names = std::vector<std::string>;

namespace {

class SrcdsSimGameRounds : public GameFixture {
protected:
    void SetUp() override {
        rules.Settings().freezeTime = 3.0f;
        rules.LevelInit();
        t = AddPlayer(1, TEAM_TERRORIST);
        ct = AddPlayer(2, TEAM_CT);
        // Both sides filled: the game commences and restarts.
        Commence();
        ASSERT_EQ(recorder.Count("round_start"), 2);
        recorder.events.clear();
        recorder.texts.clear();
    }

    CCSPlayer* t = nullptr;
    CCSPlayer* ct = nullptr;
};

TEST_F(SrcdsSimGameRounds, FreezeTimeEndsAfterMpFreezetime) {
    EXPECT_TRUE(rules.IsFreezeTime());
    EXPECT_EQ(t->GetMaxSpeed(), 1.0f);
    Advance(2.985f);
    EXPECT_EQ(recorder.Count("round_freeze_end"), 0);
    Advance(0.015f);
    EXPECT_EQ(recorder.Names(), Names{"round_freeze_end"});
    EXPECT_EQ(t->GetMaxSpeed(), 250.0f);
}

TEST_F(SrcdsSimGameRounds, RestartFiresRoundStartSpawnsAndFreezeEndInOrder) {
    EndFreezeTime();
    t->SetAccount(5000);
    rules.Buy(t, "weapon_ak47");
    recorder.events.clear();

    rules.RestartGame(2);
    ASSERT_EQ(recorder.texts.size(), 2u);
    EXPECT_EQ(recorder.texts[0],
              std::make_pair(HUD_PRINTCENTER, std::string("Game will restart in 2 seconds")));
    EXPECT_EQ(recorder.texts[1].first, HUD_PRINTCONSOLE);
    Advance(1.98f);
    EXPECT_TRUE(recorder.events.empty());
    Advance(0.03f);
    EXPECT_EQ(recorder.Names(), (Names{"player_spawn", "player_spawn", "round_start"}));
    EXPECT_EQ(t->GetAccount(), 800);
    EXPECT_EQ(t->Weapon_GetSlot(WEAPON_SLOT_PRIMARY), nullptr);
    EXPECT_NE(t->Weapon_GetSlot(WEAPON_SLOT_SECONDARY), nullptr);
    Advance(3.0f);
    EXPECT_EQ(recorder.Names(),
              (Names{"player_spawn", "player_spawn", "round_start", "round_freeze_end"}));
}

TEST_F(SrcdsSimGameRounds, RestartDelayIsClampedAndZeroDoesNothing) {
    rules.RestartGame(0);
    rules.RestartGame(-5);
    EXPECT_FALSE(rules.IsRestartPending());
    EXPECT_TRUE(recorder.texts.empty());
    rules.RestartGame(1000);
    EXPECT_EQ(recorder.texts[0].second, "Game will restart in 60 seconds");
    Advance(59.9f);
    EXPECT_EQ(recorder.Count("round_start"), 0);
    Advance(0.1f);
    EXPECT_EQ(recorder.Count("round_start"), 1);
}

TEST_F(SrcdsSimGameRounds, StartMoneyAppliesFromTheRestart) {
    rules.Settings().startMoney = 16000;
    rules.RestartGame(1);
    Advance(1.0f);
    EXPECT_EQ(t->GetAccount(), 16000);
    EXPECT_EQ(ct->GetAccount(), 16000);
}

TEST_F(SrcdsSimGameRounds, TeamChangesFireOldAndNewTeamAndKillTheLiving) {
    // Listeners of player_team still read the old team.
    std::vector<int> teamsSeen;
    recorder.onEvent = [&](const cstrike::GameEvent& event) {
        if (event.GetName() == "player_team") {
            teamsSeen.push_back(rules.PlayerByUserId(event.GetInt("userid"))->GetTeamNumber());
        }
    };
    CCSPlayer* late = rules.ClientPutInServer(engine.ConnectClient(3), 103, "late", "BOT");
    rules.JoinTeam(late, TEAM_CT);  // freeze time: spawns at once
    EXPECT_EQ(recorder.Names(), (Names{"player_team", "player_spawn"}));
    EXPECT_EQ(recorder.events[0].GetInt("oldteam"), TEAM_UNASSIGNED);
    EXPECT_EQ(recorder.events[0].GetInt("team"), TEAM_CT);
    EXPECT_FALSE(recorder.events[0].GetBool("disconnect"));
    EXPECT_FALSE(recorder.events[0].GetBool("autoteam"));
    EXPECT_TRUE(recorder.events[0].Has("silent"));
    EXPECT_EQ(recorder.events[0].GetString("name"), "late");
    EXPECT_TRUE(late->IsAlive());

    EndFreezeTime();
    recorder.events.clear();
    rules.JoinTeam(late, TEAM_TERRORIST);  // alive: dies, and waits for the next round
    EXPECT_EQ(recorder.Names(), (Names{"player_death", "player_team"}));
    EXPECT_EQ(recorder.events[1].GetInt("oldteam"), TEAM_CT);
    EXPECT_FALSE(late->IsAlive());
    EXPECT_TRUE(late->IsObserver());
    EXPECT_EQ(late->GetTeamNumber(), TEAM_TERRORIST);
    rules.JoinTeam(late, TEAM_TERRORIST);
    rules.JoinTeam(late, 7);
    EXPECT_EQ(recorder.events.size(), 2u);
    rules.JoinTeam(late, TEAM_CT, true);
    EXPECT_TRUE(recorder.Last("player_team")->GetBool("autoteam"));
    EXPECT_EQ(teamsSeen, (std::vector<int>{TEAM_UNASSIGNED, TEAM_CT, TEAM_TERRORIST}));
}

TEST_F(SrcdsSimGameRounds, GameCommencesWhenBothSidesFirstHavePlayersAndAgainAfterOneEmptied) {
    EndFreezeTime();
    recorder.events.clear();
    // The counter-terrorists' only player leaves for the spectators: one side
    // plays on alone, and nobody wins.
    rules.JoinTeam(ct, TEAM_SPECTATOR);
    Advance(1.0f);
    EXPECT_EQ(recorder.Count("round_end"), 0);
    t->SetAccount(2000);
    rules.JoinTeam(ct, TEAM_CT);
    EXPECT_EQ(recorder.Count("round_end"), 0) << "seen by the next think";
    Advance(0.015f);
    const cstrike::GameEvent* end = recorder.Last("round_end");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->GetInt("winner"), cstrike::kWinnerDraw);
    EXPECT_EQ(end->GetInt("reason"), cstrike::Game_Commencing);
    EXPECT_EQ(end->GetString("message"), "#Game_Commencing");
    EXPECT_EQ(t->GetAccount(), 2000) << "nobody is paid for it";
    EXPECT_EQ(rules.TeamScore(TEAM_CT) + rules.TeamScore(TEAM_TERRORIST), 0);
    Advance(2.97f);
    EXPECT_EQ(recorder.Count("round_start"), 0);
    Advance(0.045f);
    EXPECT_EQ(recorder.Count("round_start"), 1);
    EXPECT_EQ(t->GetAccount(), 800);
    EXPECT_TRUE(ct->IsAlive());
    EXPECT_EQ(rules.RoundNumber(), 1);
}

TEST_F(SrcdsSimGameRounds, TeamScoresCountRoundWinsOnTheTeamEntitiesUntilARestart) {
    EndFreezeTime();
    rules.Kill(ct, t, "weapon_glock", false);
    Advance(0.015f);
    EXPECT_EQ(rules.TeamScore(TEAM_TERRORIST), 1);
    EXPECT_EQ(rules.TeamScore(TEAM_CT), 0);
    Advance(5.0f + 6.0f);  // the next round and its freeze time
    rules.Kill(t, ct, "weapon_usp", false);
    Advance(0.015f);
    EXPECT_EQ(recorder.Last("round_end")->GetInt("reason"), cstrike::CTs_Win);
    EXPECT_EQ(rules.TeamScore(TEAM_CT), 1);

    // The scores as a tool reads them: from the team entities.
    int scores[TEAM_CT + 1] = {-1, -1, -1, -1};
    int teams = 0;
    entities.ForEach([&](CBaseEntity& entity) {
        if (std::string(entity.GetClassname()) == "cs_team_manager") {
            ++teams;
            scores[entity.GetTeamNumber()] = static_cast<CCSTeam&>(entity).GetScore();
        }
    });
    EXPECT_EQ(teams, 4);
    EXPECT_EQ(scores[TEAM_TERRORIST], 1);
    EXPECT_EQ(scores[TEAM_CT], 1);

    rules.RestartGame(1);
    Advance(1.0f);
    EXPECT_EQ(rules.TeamScore(TEAM_TERRORIST), 0);
    EXPECT_EQ(rules.TeamScore(TEAM_CT), 0);
}

TEST_F(SrcdsSimGameRounds, BothSidesDeadAtOnceIsADraw) {
    EndFreezeTime();
    rules.Kill(ct, t, "weapon_glock", false);
    rules.Kill(t, ct, "weapon_usp", false);
    Advance(0.015f);
    EXPECT_EQ(recorder.Last("round_end")->GetInt("reason"), cstrike::Round_Draw);
    EXPECT_EQ(recorder.Last("round_end")->GetInt("winner"), cstrike::kWinnerDraw);
    EXPECT_EQ(rules.TeamScore(TEAM_TERRORIST) + rules.TeamScore(TEAM_CT), 0);
}

// The game's variables, read when the rules use them.
class FakeSettings final : public cstrike::IRulesSettingsSource {
public:
    void Read(cstrike::RulesSettings& settings) override {
        ++reads;
        settings = values;
    }
    int TakeRestartRequest() override { return std::exchange(restart, 0); }

    cstrike::RulesSettings values;
    int restart = 0;
    int reads = 0;
};

TEST_F(SrcdsSimGameRounds, SettingsAreReadWhenUsedAndARestartRequestAtTheNextThink) {
    FakeSettings settings;
    rules.SetSettingsSource(&settings);
    settings.values.freezeTime = 2.0f;
    settings.values.startMoney = 5000;
    settings.restart = 2;
    EXPECT_TRUE(recorder.texts.empty()) << "nothing before the think";
    Advance(0.015f);
    EXPECT_EQ(settings.restart, 0);
    ASSERT_EQ(recorder.texts.size(), 2u);
    EXPECT_EQ(recorder.texts[0].second, "Game will restart in 2 seconds");
    Advance(2.01f);
    EXPECT_EQ(recorder.Count("round_start"), 1);
    EXPECT_EQ(t->GetAccount(), 5000);
    Advance(1.98f);
    EXPECT_EQ(recorder.Count("round_freeze_end"), 0);
    Advance(0.03f);
    EXPECT_EQ(recorder.Count("round_freeze_end"), 1);
    EXPECT_GT(settings.reads, 0);
    rules.SetSettingsSource(nullptr);
}

TEST_F(SrcdsSimGameRounds, DisconnectFiresPlayerDisconnectThenTeamWithDisconnect) {
    const int before = entities.Count();
    rules.FirePlayerDisconnect(ct, "Kicked by Console : bye");
    rules.ClientDisconnect(ct);
    ASSERT_EQ(recorder.Names(), (Names{"player_disconnect", "player_team"}));
    EXPECT_EQ(recorder.events[0].GetString("reason"), "Kicked by Console : bye");
    EXPECT_EQ(recorder.events[0].GetString("networkid"), "STEAM_0:1:1");
    EXPECT_TRUE(recorder.events[1].GetBool("disconnect"));
    EXPECT_EQ(recorder.events[1].GetInt("oldteam"), TEAM_CT);
    // The player and his two weapons are gone.
    EXPECT_EQ(entities.Count(), before - 3);
    EXPECT_EQ(rules.PlayerByUserId(102), nullptr);
}

TEST_F(SrcdsSimGameRounds, DamageKillsAtZeroAndTheLastDeathEndsTheRound) {
    EndFreezeTime();
    recorder.events.clear();
    rules.Hurt(ct, t, 60, "weapon_glock");
    EXPECT_EQ(recorder.Last("player_hurt")->GetInt("health"), 40);
    rules.Hurt(ct, t, 60, "weapon_glock");
    Advance(0.015f);
    EXPECT_EQ(recorder.Names(), (Names{"player_hurt", "player_hurt", "player_death", "round_end"}));
    EXPECT_EQ(recorder.events[1].GetInt("dmg_health"), 40);
    EXPECT_EQ(recorder.Last("player_death")->GetInt("attacker"), t->GetUserID());
    EXPECT_EQ(recorder.Last("round_end")->GetInt("winner"), TEAM_TERRORIST);
    EXPECT_EQ(recorder.Last("round_end")->GetString("message"), "#Terrorists_Win");
    EXPECT_EQ(t->GetAccount(), 800 + 300 + 3250);
    EXPECT_EQ(ct->GetAccount(), 800 + 1400);
    // The dead drop what they carried; the next round clears it away, but
    // not the weapons the map placed.
    EXPECT_EQ(ct->Weapon_GetSlot(WEAPON_SLOT_SECONDARY), nullptr);
    EXPECT_EQ(entities.CountByClassname("weapon_usp"), 1);
    entities.Create(std::make_unique<CBaseCombatWeapon>("weapon_awp", 0, 4750));

    Advance(4.98f);
    EXPECT_EQ(recorder.Count("round_start"), 0);
    Advance(0.03f);
    EXPECT_EQ(recorder.Count("round_start"), 1);
    EXPECT_EQ(rules.RoundNumber(), 2);
    EXPECT_TRUE(ct->IsAlive());
    EXPECT_EQ(entities.CountByClassname("weapon_usp"), 1);  // his new one
    EXPECT_EQ(entities.CountByClassname("weapon_awp"), 1);
}

TEST_F(SrcdsSimGameRounds, FlashFieldsAreSetBeforePlayerBlindFires) {
    float seen = -1.0f;
    recorder.onEvent = [&](const cstrike::GameEvent& event) {
        if (event.GetName() == "player_blind") {
            seen = rules.PlayerByUserId(event.GetInt("userid"))->GetFlashDuration();
        }
    };
    rules.Flash(ct, 3.4f, 255.0f);
    EXPECT_EQ(seen, 3.4f);
    EXPECT_EQ(ct->GetFlashMaxAlpha(), 255.0f);
}

TEST_F(SrcdsSimGameRounds, SayIsCutTo127Characters) {
    rules.Say(t, std::string(300, 'x').c_str());
    rules.Say(t, nullptr);
    EXPECT_EQ(recorder.events[0].GetString("text").size(), 127u);
    EXPECT_EQ(recorder.events[1].GetString("text"), "");
}

TEST_F(SrcdsSimGameRounds, RoundTimerRunsOutForTheCounterTerrorists) {
    rules.Settings().roundTime = 1.0f;
    EndFreezeTime();
    Advance(59.9f);
    EXPECT_EQ(recorder.Count("round_end"), 0);
    Advance(0.2f);
    EXPECT_EQ(recorder.Last("round_end")->GetInt("reason"), cstrike::Target_Saved);
}

class SrcdsSimGameBomb : public SrcdsSimGameRounds {
protected:
    void SetUp() override {
        SrcdsSimGameRounds::SetUp();
        EndFreezeTime();
        bomb = rules.PlantBomb(t);
        ASSERT_NE(bomb, nullptr);
        ct->SetAbsOrigin(t->GetAbsOrigin() + Vector(40.0f, 0.0f, 0.0f));
        recorder.events.clear();
    }

    // One command with or without the use key, then a tick of the rules.
    void Command(bool use) {
        ct->SetButtons(use ? IN_USE : 0);
        ct->PlayerUse();
        Advance(0.015f);
    }

    CPlantedC4* bomb = nullptr;
};

TEST_F(SrcdsSimGameBomb, ExplodesAtTheTimerAndOnlyOnce) {
    EXPECT_EQ(rules.PlantBomb(t), nullptr);  // one bomb at a time
    Advance(45.0f);
    EXPECT_EQ(recorder.Names(), (Names{"bomb_exploded", "round_end"}));
    EXPECT_EQ(recorder.Last("round_end")->GetInt("reason"), cstrike::Target_Bombed);
    Advance(1.0f);
    EXPECT_EQ(recorder.Count("bomb_exploded"), 1);
}

TEST_F(SrcdsSimGameBomb, HoldingUseDefusesInTenSeconds) {
    Command(true);
    EXPECT_EQ(recorder.Names(), Names{"bomb_begindefuse"});
    EXPECT_TRUE(ct->IsDefusing());
    for (int i = 0; i < 666; ++i) {
        Command(true);
    }
    EXPECT_EQ(recorder.Names(), (Names{"bomb_begindefuse", "bomb_defused", "round_end"}));
    EXPECT_EQ(recorder.Last("round_end")->GetInt("winner"), TEAM_CT);
    EXPECT_FALSE(ct->IsDefusing());
    // A defused bomb cannot be used again.
    Command(true);
    EXPECT_EQ(recorder.Count("bomb_begindefuse"), 1);
}

TEST_F(SrcdsSimGameBomb, LettingGoOfUseAbortsTheDefuse) {
    Command(true);
    for (int i = 0; i < 40; ++i) {
        Command(false);
    }
    EXPECT_EQ(recorder.Names(), (Names{"bomb_begindefuse", "bomb_abortdefuse"}));
    EXPECT_FALSE(ct->IsDefusing());
    // A terrorist cannot defuse.
    t->SetButtons(IN_USE);
    t->PlayerUse();
    EXPECT_EQ(recorder.Count("bomb_begindefuse"), 1);
}

TEST_F(SrcdsSimGameBomb, DefuserDyingAbortsAndTerroristsDeadDoNotEndTheRound) {
    Command(true);
    rules.Kill(t, ct, "weapon_usp", true);
    Advance(0.015f);
    EXPECT_EQ(recorder.Count("round_end"), 0);  // the bomb still ticks
    rules.Kill(ct, nullptr, "world", false);
    Advance(0.015f);
    EXPECT_EQ(recorder.Names(), (Names{"bomb_begindefuse", "player_death", "bomb_abortdefuse",
                                       "player_death", "round_end"}));
}

}  // namespace

// The rules of a Counter-Strike: Source match: rounds with freeze time, the
// round timer, the bomb, restarts (mp_restartgame), money, teams, spawning,
// damage, deaths, flashes and chat. Driven by game time (Think once per
// frame); everything it decides reaches the engine as game events through an
// event sink, and restart notices as text to every player.
#pragma once

#include <edict.h>
#include <shareddefs.h>

#include <string>
#include <vector>

#include "GameEvent.h"
#include "PlantedC4.h"

class CBaseCombatWeapon;
class CBasePlayer;
class CCSPlayer;

namespace cstrike {

class EntityList;

// The game's settings (mp_freezetime, mp_roundtime, mp_startmoney,
// mp_c4timer, mp_round_restart_delay); read when they matter, so a change
// applies from then on.
struct RulesSettings {
    float freezeTime = 6.0f;         // seconds
    float roundTime = 2.5f;          // minutes
    int startMoney = 800;            // dollars
    float c4Timer = 45.0f;           // seconds from plant to explosion
    float roundRestartDelay = 5.0f;  // seconds from round end to the next round
    int forceCamera = 1;             // mp_forcecamera: 1 and 2 keep team players on their team
};

// Where the rules read their settings each time they use them (the game's
// console variables, whoever holds their change callbacks); without one they
// use Settings() as a test set it.
class IRulesSettingsSource {
public:
    virtual void Read(RulesSettings& settings) = 0;
    // mp_restartgame: the seconds asked for (0 when none). Taking the request
    // sets the variable back to 0.
    virtual int TakeRestartRequest() = 0;

protected:
    ~IRulesSettingsSource() = default;
};

enum class RoundPhase { FreezeTime, Playing, Ended };

// round_end "reason" values (the game's numbering) and their messages.
enum RoundEndReason {
    Target_Bombed = 1,
    Bomb_Defused = 7,
    CTs_Win = 8,
    Terrorists_Win = 9,
    Round_Draw = 10,
    Target_Saved = 12,
    Game_Commencing = 16,
};

// round_end "winner" of a round nobody won.
inline constexpr int kWinnerDraw = 1;

class CSGameRules final : private IBombObserver {
public:
    static constexpr int kMaxRestartSeconds = 60;
    static constexpr int kKillReward = 300;
    static constexpr int kRoundWinReward = 3250;
    static constexpr int kRoundLossReward = 1400;
    static constexpr float kDefuseTime = 10.0f;
    static constexpr float kDefuseTimeWithKit = 5.0f;
    // A defuse goes on while the bomb keeps being used at least this often.
    static constexpr float kDefuseUseGap = 0.5f;
    static constexpr int kMaxSayLength = 127;
    static constexpr int kDefuserPrice = 200;
    // From the "Game Commencing" round end to the restart.
    static constexpr float kCommencingDelay = 3.0f;

    CSGameRules(EntityList& entities, const CGlobalVars& globals, IGameEventSink& events,
                IPlayerMessages& messages);
    CSGameRules(const CSGameRules&) = delete;
    CSGameRules& operator=(const CSGameRules&) = delete;

    RulesSettings& Settings() { return m_Settings; }
    void SetSettingsSource(IRulesSettingsSource* source) { m_pSettingsSource = source; }

    // The level's team entities ("cs_team_manager"), made before the map's
    // entities spawn, as the game makes them with its rules.
    void CreateTeams();
    // The level's first round starts now (its team entities made if need be).
    void LevelInit();
    // Once per frame: a restart asked for (mp_restartgame), restarts, freeze
    // end, the bomb, the round timer, "Game Commencing", wins.
    void Think();
    // The game restarts after that many seconds (at most 60), announced to
    // every player; 0 or less does nothing.
    void RestartGame(int seconds);

    // A client entered the game: its player, unassigned and observing.
    CCSPlayer* ClientPutInServer(edict_t* edict, int userId, const char* name,
                                 const char* networkId);
    // The engine's "player_disconnect", fired before the game lets go of the
    // player.
    void FirePlayerDisconnect(CCSPlayer* player, const char* reason);
    // The game lets go of the player: "player_team" with disconnect set when
    // it was on a team; its weapons and entity are removed.
    void ClientDisconnect(CCSPlayer* player);

    // "player_team", fired while the player is still on his old team; a
    // living player who changes team dies first. A player joining a team
    // during freeze time spawns at once, later ones with the next round.
    // autoTeam: the game picked the team (jointeam 0).
    void JoinTeam(CCSPlayer* player, int team, bool autoTeam = false);
    void Hurt(CCSPlayer* victim, CCSPlayer* attacker, int damage, const char* weapon);
    void Kill(CCSPlayer* victim, CCSPlayer* attacker, const char* weapon, bool headshot);
    // Sets the flash fields, then fires "player_blind".
    void Flash(CCSPlayer* player, float duration, float maxAlpha);
    // spec_mode [MODE]: the observer mode given (first person for one out of
    // range) or, without one, the next (first person after roaming). The
    // first-person and chase modes need someone to watch: without anybody
    // the observer roams (mp_forcecamera 0) or stays fixed.
    void SpecMode(CCSPlayer* player, const char* mode);
    // spec_next, spec_prev: the next (previous) player, in entity order, that
    // the observer may watch; only in the first-person, chase and roaming modes.
    void SpecNext(CCSPlayer* player, bool reverse);
    // A living player other than the observer; under mp_forcecamera 1 or 2 a
    // team player watches only his own team.
    bool IsValidObserverTarget(const CCSPlayer& observer, const CBasePlayer* target);
    // "player_say", the text cut to 127 characters.
    void Say(CCSPlayer* player, const char* text);

    CBaseCombatWeapon* GiveNamedItem(CCSPlayer* player, const char* classname);
    // Pays for the weapon and equips it; false when unknown or too dear.
    bool Buy(CCSPlayer* player, const char* classname);
    // A living counter-terrorist without a kit buys one; false otherwise.
    bool BuyDefuser(CCSPlayer* player);
    // A living terrorist plants the bomb where he stands, while the round
    // is being played and no bomb ticks yet.
    CPlantedC4* PlantBomb(CCSPlayer* planter);

    RoundPhase Phase() const { return m_Phase; }
    bool IsFreezeTime() const { return m_Phase == RoundPhase::FreezeTime; }
    int RoundNumber() const { return m_RoundNumber; }
    bool IsRestartPending() const { return m_RestartTime >= 0.0f; }
    // Rounds won by the team since the last restart (0 for a team number
    // that does not play).
    int TeamScore(int team) const;
    CPlantedC4* Bomb() const;
    std::vector<CCSPlayer*> Players() const;
    CCSPlayer* PlayerByUserId(int userId) const;

private:
    void OnBombUsed(CPlantedC4& bomb, CBaseEntity* user) override;

    float Now() const;
    const RulesSettings& Current();
    void Fire(const GameEvent& event) { m_Events.FireGameEvent(event); }
    void FirePlayerTeam(CCSPlayer& player, int team, bool disconnect, bool autoTeam);
    void SetTeamScore(int team, int score);
    // Everything back to the start: scores, money, weapons; a new round.
    void Restart();
    void StartRound();
    void EndFreezeTime();
    void EndRound(int winner, RoundEndReason reason);
    void BombThink();
    void EndDefuse(CPlantedC4& bomb, bool completed);
    // Both sides have players for the first time: the "Game Commencing"
    // round end, then a restart.
    bool CheckCommencing(const int members[]);
    void CheckElimination();
    CBasePlayer* FindNextObserverTarget(CCSPlayer& observer, bool reverse);
    void ApplyObserverMode(CCSPlayer& observer, int mode);
    // Observers whose target died or left watch someone else.
    void CheckObservers();
    void SpawnPlayer(CCSPlayer& player, int spawnNumber);
    Vector SpawnPoint(int team, int spawnNumber) const;
    void DropWeapons(CCSPlayer& player);
    // Weapons dropped during the round; those the map placed stay.
    void RemoveLooseWeapons();
    void RemoveBomb();

    EntityList& m_Entities;
    const CGlobalVars& m_Globals;
    IGameEventSink& m_Events;
    IPlayerMessages& m_Messages;
    RulesSettings m_Settings;
    IRulesSettingsSource* m_pSettingsSource = nullptr;

    RoundPhase m_Phase = RoundPhase::Ended;
    int m_RoundNumber = 0;
    float m_FreezeEndTime = 0.0f;
    float m_RoundEndTime = 0.0f;
    float m_NextRoundTime = -1.0f;
    float m_RestartTime = -1.0f;
    float m_LastDefuseUse = 0.0f;
    bool m_FirstConnected = false;
    bool m_RestartAtNextRound = false;
    CBaseHandle m_hBomb;
    CBaseHandle m_hTeams[TEAM_CT + 1];
    int m_TeamScores[TEAM_CT + 1] = {};
};

}  // namespace cstrike

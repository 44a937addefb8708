// The rules of a Counter-Strike: Source match: rounds with freeze time, the
// round timer, the bomb, restarts (mp_restartgame), money, teams, spawning,
// damage, deaths, flashes and chat. Driven by game time (Think once per
// frame); everything it decides reaches the engine as game events through an
// event sink, and restart notices as text to every player.
#pragma once

#include <edict.h>

#include <string>
#include <vector>

#include "GameEvent.h"
#include "PlantedC4.h"

class CBaseCombatWeapon;
class CCSPlayer;

namespace cstrike {

class EntityList;

// The game's settings (mp_freezetime, mp_roundtime, mp_startmoney,
// mp_c4timer); read when they matter, so a change applies from then on.
struct RulesSettings {
    float freezeTime = 6.0f;         // seconds
    float roundTime = 2.5f;          // minutes
    int startMoney = 800;            // dollars
    float c4Timer = 45.0f;           // seconds from plant to explosion
    float roundRestartDelay = 5.0f;  // seconds from round end to the next round
};

enum class RoundPhase { FreezeTime, Playing, Ended };

// round_end "reason" values and their messages.
enum RoundEndReason {
    Target_Bombed = 1,
    Bomb_Defused = 7,
    CTs_Win = 8,
    Terrorists_Win = 9,
    Target_Saved = 12,
};

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

    CSGameRules(EntityList& entities, const CGlobalVars& globals, IGameEventSink& events,
                IPlayerMessages& messages);
    CSGameRules(const CSGameRules&) = delete;
    CSGameRules& operator=(const CSGameRules&) = delete;

    RulesSettings& Settings() { return m_Settings; }

    // The level's first round starts now.
    void LevelInit();
    // Once per frame: restarts, freeze end, the bomb, the round timer, wins.
    void Think();
    // mp_restartgame: the game restarts after that many seconds (at most
    // 60), announced to every player; 0 or less does nothing.
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

    // "player_team"; a living player who changes team dies first. A player
    // joining a team during freeze time spawns at once, later ones with the
    // next round.
    void JoinTeam(CCSPlayer* player, int team);
    void Hurt(CCSPlayer* victim, CCSPlayer* attacker, int damage, const char* weapon);
    void Kill(CCSPlayer* victim, CCSPlayer* attacker, const char* weapon, bool headshot);
    // Sets the flash fields, then fires "player_blind".
    void Flash(CCSPlayer* player, float duration, float maxAlpha);
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
    CPlantedC4* Bomb() const;
    std::vector<CCSPlayer*> Players() const;
    CCSPlayer* PlayerByUserId(int userId) const;

private:
    void OnBombUsed(CPlantedC4& bomb, CBaseEntity* user) override;

    float Now() const;
    void Fire(const GameEvent& event) { m_Events.FireGameEvent(event); }
    void Restart();
    void StartRound();
    void EndFreezeTime();
    void EndRound(int winner, RoundEndReason reason);
    void BombThink();
    void EndDefuse(CPlantedC4& bomb, bool completed);
    void CheckElimination();
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

    RoundPhase m_Phase = RoundPhase::Ended;
    int m_RoundNumber = 0;
    float m_FreezeEndTime = 0.0f;
    float m_RoundEndTime = 0.0f;
    float m_NextRoundTime = -1.0f;
    float m_RestartTime = -1.0f;
    float m_LastDefuseUse = 0.0f;
    CBaseHandle m_hBomb;
};

}  // namespace cstrike

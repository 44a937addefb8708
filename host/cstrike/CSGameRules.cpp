#include "CSGameRules.h"

#include <bspflags.h>
#include <shareddefs.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "CSPlayer.h"
#include "CSTeam.h"
#include "EntityList.h"

namespace cstrike {

namespace {

int UserIdOf(const CCSPlayer* player) {
    return player ? player->GetUserID() : 0;
}

const char* RoundEndMessage(RoundEndReason reason) {
    switch (reason) {
        case Target_Bombed:
            return "#Target_Bombed";
        case Bomb_Defused:
            return "#Bomb_Defused";
        case CTs_Win:
            return "#CTs_Win";
        case Terrorists_Win:
            return "#Terrorists_Win";
        case Round_Draw:
            return "#Round_Draw";
        case Target_Saved:
            return "#Target_Saved";
        case Game_Commencing:
            return "#Game_Commencing";
    }
    return "";
}

bool IsPlayingTeam(int team) {
    return team == TEAM_TERRORIST || team == TEAM_CT;
}

const char* const kTeamNames[TEAM_CT + 1] = {"Unassigned", "Spectator", "TERRORIST", "CT"};

}  // namespace

CSGameRules::CSGameRules(EntityList& entities, const CGlobalVars& globals, IGameEventSink& events,
                         IPlayerMessages& messages)
    : m_Entities(entities), m_Globals(globals), m_Events(events), m_Messages(messages) {}

float CSGameRules::Now() const {
    return m_Globals.curtime;
}

const RulesSettings& CSGameRules::Current() {
    if (m_pSettingsSource) {
        m_pSettingsSource->Read(m_Settings);
    }
    return m_Settings;
}

void CSGameRules::LevelInit() {
    m_RoundNumber = 0;
    m_RestartTime = -1.0f;
    m_FirstConnected = false;
    m_RestartAtNextRound = false;
    if (!m_Entities.Lookup(m_hTeams[TEAM_UNASSIGNED])) {
        CreateTeams();
    }
    StartRound();
}

void CSGameRules::CreateTeams() {
    for (int team = TEAM_UNASSIGNED; team <= TEAM_CT; ++team) {
        m_Entities.Remove(m_Entities.Lookup(m_hTeams[team]));
        m_hTeams[team].Term();
        m_TeamScores[team] = 0;
        if (CCSTeam* entity =
                m_Entities.Create(std::make_unique<CCSTeam>(team, kTeamNames[team]))) {
            m_hTeams[team] = entity->GetRefEHandle();
        }
    }
}

void CSGameRules::SetTeamScore(int team, int score) {
    if (team < TEAM_UNASSIGNED || team > TEAM_CT) {
        return;
    }
    m_TeamScores[team] = score;
    if (auto* entity = static_cast<CCSTeam*>(m_Entities.Lookup(m_hTeams[team]))) {
        entity->SetScore(score);
    }
}

int CSGameRules::TeamScore(int team) const {
    return IsPlayingTeam(team) ? m_TeamScores[team] : 0;
}

void CSGameRules::Think() {
    // mp_restartgame is seen by the next think, not when it is set.
    if (m_pSettingsSource) {
        RestartGame(m_pSettingsSource->TakeRestartRequest());
    }
    if (IsRestartPending() && Now() >= m_RestartTime) {
        Restart();
    }
    if (m_Phase == RoundPhase::Ended && m_NextRoundTime >= 0.0f && Now() >= m_NextRoundTime) {
        if (m_RestartAtNextRound) {
            Restart();
        } else {
            StartRound();
        }
    }
    if (m_Phase == RoundPhase::FreezeTime && Now() >= m_FreezeEndTime) {
        EndFreezeTime();
    }
    BombThink();
    if (m_Phase == RoundPhase::Playing && !Bomb() && Now() >= m_RoundEndTime) {
        EndRound(TEAM_CT, Target_Saved);
    }
    CheckElimination();
    CheckObservers();
}

void CSGameRules::RestartGame(int seconds) {
    if (seconds <= 0) {
        return;
    }
    seconds = std::min(seconds, kMaxRestartSeconds);
    m_RestartTime = Now() + static_cast<float>(seconds);
    const std::string text = "Game will restart in " + std::to_string(seconds) + " seconds";
    m_Messages.TextToAll(HUD_PRINTCENTER, text.c_str());
    m_Messages.TextToAll(HUD_PRINTCONSOLE, text.c_str());
}

void CSGameRules::Restart() {
    m_RestartTime = -1.0f;
    m_RestartAtNextRound = false;
    m_RoundNumber = 0;
    for (int team = TEAM_UNASSIGNED; team <= TEAM_CT; ++team) {
        SetTeamScore(team, 0);
    }
    const int startMoney = Current().startMoney;
    for (CCSPlayer* player : Players()) {
        player->SetAccount(startMoney);
        player->ResetScores();
        player->GiveDefuser(false);
        for (int slot = 0; slot < WEAPON_SLOT_COUNT; ++slot) {
            m_Entities.Remove(player->Weapon_GetSlot(slot));
        }
    }
    StartRound();
}

void CSGameRules::StartRound() {
    RemoveBomb();
    RemoveLooseWeapons();
    m_Phase = RoundPhase::FreezeTime;
    m_NextRoundTime = -1.0f;
    ++m_RoundNumber;
    const RulesSettings& settings = Current();
    m_FreezeEndTime = Now() + settings.freezeTime;
    // Everybody is back on his feet before round_start goes out: a listener
    // of the event finds last round's dead alive again.
    int spawned[TEAM_CT + 1] = {};
    for (CCSPlayer* player : Players()) {
        const int team = player->GetTeamNumber();
        if (IsPlayingTeam(team)) {
            SpawnPlayer(*player, spawned[team]++);
        }
    }
    GameEvent start("round_start");
    start.SetInt("timelimit", static_cast<int>(settings.roundTime * 60.0f))
        .SetInt("fraglimit", 0)
        .SetString("objective", "BOMB TARGET");
    Fire(start);
}

void CSGameRules::EndFreezeTime() {
    m_Phase = RoundPhase::Playing;
    m_RoundEndTime = Now() + Current().roundTime * 60.0f;
    for (CCSPlayer* player : Players()) {
        player->SetMaxSpeed(250.0f);
    }
    Fire(GameEvent("round_freeze_end"));
}

void CSGameRules::EndRound(int winner, RoundEndReason reason) {
    if (m_Phase == RoundPhase::Ended) {
        return;
    }
    m_Phase = RoundPhase::Ended;
    const bool commencing = reason == Game_Commencing;
    m_RestartAtNextRound = commencing;
    m_NextRoundTime = Now() + (commencing ? kCommencingDelay : Current().roundRestartDelay);
    if (IsPlayingTeam(winner)) {
        SetTeamScore(winner, m_TeamScores[winner] + 1);
    }
    GameEvent end("round_end");
    end.SetInt("winner", winner)
        .SetInt("reason", reason)
        .SetString("message", RoundEndMessage(reason));
    Fire(end);
    // The warm-up round pays nobody: the restart resets the money anyway.
    for (CCSPlayer* player : commencing ? std::vector<CCSPlayer*>() : Players()) {
        if (IsPlayingTeam(player->GetTeamNumber())) {
            player->AddAccount(player->GetTeamNumber() == winner ? kRoundWinReward
                                                                 : kRoundLossReward);
        }
    }
}

void CSGameRules::CheckElimination() {
    if (m_Phase == RoundPhase::Ended) {
        return;
    }
    int members[TEAM_CT + 1] = {};
    int alive[TEAM_CT + 1] = {};
    for (CCSPlayer* player : Players()) {
        const int team = player->GetTeamNumber();
        if (IsPlayingTeam(team)) {
            ++members[team];
            alive[team] += player->IsAlive();
        }
    }
    if (CheckCommencing(members)) {
        return;
    }
    if (alive[TEAM_CT] == 0 && alive[TEAM_TERRORIST] == 0 && !Bomb()) {
        EndRound(kWinnerDraw, Round_Draw);
    } else if (alive[TEAM_CT] == 0) {
        EndRound(TEAM_TERRORIST, Terrorists_Win);
    } else if (alive[TEAM_TERRORIST] == 0 && !Bomb()) {
        EndRound(TEAM_CT, CTs_Win);
    }
}

bool CSGameRules::CheckCommencing(const int members[]) {
    // A round needs both sides; one side alone plays on, and the game
    // commences again once the other side fills.
    if (members[TEAM_TERRORIST] == 0 || members[TEAM_CT] == 0) {
        m_FirstConnected = false;
        return true;
    }
    if (m_FirstConnected) {
        return false;
    }
    m_FirstConnected = true;
    EndRound(kWinnerDraw, Game_Commencing);
    return true;
}

CCSPlayer* CSGameRules::ClientPutInServer(edict_t* edict, int userId, const char* name,
                                          const char* networkId) {
    auto* player =
        static_cast<CCSPlayer*>(m_Entities.AddOnEdict(std::make_unique<CCSPlayer>(), edict));
    if (!player) {
        return nullptr;
    }
    player->SetIdentity(userId, name, networkId);
    player->SetAccount(Current().startMoney);
    player->SetLifeState(LIFE_DEAD);
    player->StartObserverMode(OBS_MODE_ROAMING);
    return player;
}

void CSGameRules::FirePlayerDisconnect(CCSPlayer* player, const char* reason) {
    if (!player) {
        return;
    }
    GameEvent event("player_disconnect");
    event.SetInt("userid", player->GetUserID())
        .SetString("reason", reason ? reason : "")
        .SetString("name", player->GetPlayerName())
        .SetString("networkid", player->GetNetworkIDString());
    Fire(event);
}

void CSGameRules::ClientDisconnect(CCSPlayer* player) {
    if (!player) {
        return;
    }
    if (CPlantedC4* bomb = Bomb(); bomb && bomb->GetDefuser() == player) {
        EndDefuse(*bomb, false);
    }
    if (player->GetTeamNumber() != TEAM_UNASSIGNED) {
        FirePlayerTeam(*player, TEAM_UNASSIGNED, true, false);
    }
    for (int slot = 0; slot < WEAPON_SLOT_COUNT; ++slot) {
        m_Entities.Remove(player->Weapon_GetSlot(slot));
    }
    m_Entities.Remove(player);
}

void CSGameRules::FirePlayerTeam(CCSPlayer& player, int team, bool disconnect, bool autoTeam) {
    GameEvent event("player_team");
    event.SetInt("userid", player.GetUserID())
        .SetInt("team", team)
        .SetInt("oldteam", player.GetTeamNumber())
        .SetBool("disconnect", disconnect)
        .SetBool("autoteam", autoTeam)
        .SetBool("silent", false)
        .SetString("name", player.GetPlayerName());
    Fire(event);
}

void CSGameRules::JoinTeam(CCSPlayer* player, int team, bool autoTeam) {
    if (!player || team < TEAM_UNASSIGNED || team > TEAM_CT || team == player->GetTeamNumber()) {
        return;
    }
    if (player->IsAlive()) {
        Kill(player, nullptr, "world", false);
    }
    // Listeners still read the old team inside the event.
    FirePlayerTeam(*player, team, false, autoTeam);
    player->ChangeTeamNumber(team);
    if (IsPlayingTeam(team) && m_Phase == RoundPhase::FreezeTime) {
        int teammates = 0;
        for (CCSPlayer* other : Players()) {
            teammates += other != player && other->GetTeamNumber() == team;
        }
        SpawnPlayer(*player, teammates);
    }
}

void CSGameRules::Hurt(CCSPlayer* victim, CCSPlayer* attacker, int damage, const char* weapon) {
    if (!victim || !victim->IsAlive() || damage <= 0) {
        return;
    }
    const int dealt = std::min(damage, victim->GetHealth());
    victim->SetHealth(victim->GetHealth() - dealt);
    GameEvent event("player_hurt");
    event.SetInt("userid", victim->GetUserID())
        .SetInt("attacker", UserIdOf(attacker))
        .SetInt("health", victim->GetHealth())
        .SetInt("armor", 0)
        .SetString("weapon", weapon ? weapon : "")
        .SetInt("dmg_health", dealt)
        .SetInt("dmg_armor", 0)
        .SetInt("hitgroup", 0);
    Fire(event);
    if (victim->GetHealth() <= 0) {
        Kill(victim, attacker, weapon, false);
    }
}

void CSGameRules::Kill(CCSPlayer* victim, CCSPlayer* attacker, const char* weapon, bool headshot) {
    if (!victim || !victim->IsAlive()) {
        return;
    }
    if (CPlantedC4* bomb = Bomb(); bomb && bomb->GetDefuser() == victim) {
        EndDefuse(*bomb, false);
    }
    victim->SetHealth(0);
    victim->SetLifeState(LIFE_DEAD);
    victim->SetDeadFlag(true);
    victim->SetAbsVelocity(vec3_origin);
    victim->SetNotSolid();
    victim->StartObserverMode(OBS_MODE_ROAMING);
    victim->IncrementDeathCount(1);
    // The kit goes with its owner's life.
    victim->GiveDefuser(false);
    DropWeapons(*victim);
    if (attacker && attacker != victim && attacker->GetTeamNumber() != victim->GetTeamNumber()) {
        attacker->IncrementFragCount(1);
        attacker->AddAccount(kKillReward);
    }
    GameEvent event("player_death");
    event.SetInt("userid", victim->GetUserID())
        .SetInt("attacker", UserIdOf(attacker))
        .SetString("weapon", weapon ? weapon : "")
        .SetBool("headshot", headshot);
    Fire(event);
}

void CSGameRules::Flash(CCSPlayer* player, float duration, float maxAlpha) {
    if (!player) {
        return;
    }
    player->Blind(duration, maxAlpha);
    Fire(GameEvent("player_blind").SetInt("userid", player->GetUserID()));
}

bool CSGameRules::IsValidObserverTarget(const CCSPlayer& observer, const CBasePlayer* target) {
    if (!target || target == &observer || !target->IsAlive() || target->IsObserver() ||
        target->GetTeamNumber() == TEAM_UNASSIGNED) {
        return false;
    }
    return Current().forceCamera == 0 || observer.GetTeamNumber() <= TEAM_SPECTATOR ||
           target->GetTeamNumber() == observer.GetTeamNumber();
}

CBasePlayer* CSGameRules::FindNextObserverTarget(CCSPlayer& observer, bool reverse) {
    std::vector<CCSPlayer*> players = Players();
    if (reverse) {
        std::reverse(players.begin(), players.end());
    }
    // Start after the one watched now, or after the observer himself.
    const CBasePlayer* from = observer.GetObserverTarget();
    auto start = std::find(players.begin(), players.end(), from ? from : &observer);
    const size_t first = start == players.end() ? 0 : (start - players.begin()) + 1;
    for (size_t i = 0; i < players.size(); ++i) {
        CCSPlayer* candidate = players[(first + i) % players.size()];
        if (IsValidObserverTarget(observer, candidate)) {
            return candidate;
        }
    }
    return nullptr;
}

void CSGameRules::ApplyObserverMode(CCSPlayer& observer, int mode) {
    if (mode == OBS_MODE_IN_EYE || mode == OBS_MODE_CHASE) {
        if (!IsValidObserverTarget(observer, observer.GetObserverTarget())) {
            observer.SetObserverTarget(FindNextObserverTarget(observer, false));
        }
        if (!observer.GetObserverTarget()) {
            mode = Current().forceCamera == 0 ? OBS_MODE_ROAMING : OBS_MODE_FIXED;
        }
    }
    observer.SetObserverMode(mode);
    observer.SetMoveType(mode == OBS_MODE_FIXED ? MOVETYPE_NONE : MOVETYPE_OBSERVER);
}

void CSGameRules::SpecMode(CCSPlayer* player, const char* mode) {
    if (!player || !player->IsObserver()) {
        return;
    }
    int next = 0;
    if (mode && *mode) {
        next = std::atoi(mode);
        if (next < OBS_MODE_IN_EYE || next > LAST_PLAYER_OBSERVERMODE) {
            next = OBS_MODE_IN_EYE;
        }
    } else {
        next = player->GetObserverMode() + 1;
        if (next > LAST_PLAYER_OBSERVERMODE || next < OBS_MODE_IN_EYE) {
            next = OBS_MODE_IN_EYE;
        }
    }
    ApplyObserverMode(*player, next);
}

void CSGameRules::SpecNext(CCSPlayer* player, bool reverse) {
    if (!player || player->GetObserverMode() <= OBS_MODE_FIXED) {
        return;
    }
    if (CBasePlayer* target = FindNextObserverTarget(*player, reverse)) {
        player->SetObserverTarget(target);
    }
}

void CSGameRules::CheckObservers() {
    for (CCSPlayer* player : Players()) {
        const int mode = player->GetObserverMode();
        if ((mode == OBS_MODE_IN_EYE || mode == OBS_MODE_CHASE) &&
            !IsValidObserverTarget(*player, player->GetObserverTarget())) {
            player->SetObserverTarget(nullptr);
            ApplyObserverMode(*player, mode);
        }
    }
}

void CSGameRules::Say(CCSPlayer* player, const char* text) {
    if (!player) {
        return;
    }
    const std::string said = text ? std::string(text).substr(0, kMaxSayLength) : std::string();
    Fire(GameEvent("player_say").SetInt("userid", player->GetUserID()).SetString("text", said));
}

CBaseCombatWeapon* CSGameRules::GiveNamedItem(CCSPlayer* player, const char* classname) {
    const WeaponInfo* info = FindWeaponInfo(classname);
    if (!player || !info) {
        return nullptr;
    }
    auto* weapon = m_Entities.Create(
        std::make_unique<CBaseCombatWeapon>(info->classname, info->slot, info->price));
    if (weapon) {
        weapon->SetAbsOrigin(player->GetAbsOrigin());
        player->Weapon_Equip(weapon);
    }
    return weapon;
}

bool CSGameRules::Buy(CCSPlayer* player, const char* classname) {
    const WeaponInfo* info = FindWeaponInfo(classname);
    if (!player || !info || !player->IsAlive() || player->GetAccount() < info->price) {
        return false;
    }
    if (!GiveNamedItem(player, classname)) {
        return false;
    }
    player->AddAccount(-info->price);
    return true;
}

bool CSGameRules::BuyDefuser(CCSPlayer* player) {
    if (!player || !player->IsAlive() || player->GetTeamNumber() != TEAM_CT ||
        player->HasDefuser() || player->GetAccount() < kDefuserPrice) {
        return false;
    }
    player->GiveDefuser(true);
    player->AddAccount(-kDefuserPrice);
    return true;
}

CPlantedC4* CSGameRules::PlantBomb(CCSPlayer* planter) {
    if (!planter || !planter->IsAlive() || planter->GetTeamNumber() != TEAM_TERRORIST ||
        m_Phase != RoundPhase::Playing || Bomb()) {
        return nullptr;
    }
    IBombObserver* observer = this;
    auto* bomb =
        m_Entities.Create(std::make_unique<CPlantedC4>(observer, Now() + Current().c4Timer));
    if (!bomb) {
        return nullptr;
    }
    bomb->SetAbsOrigin(planter->GetAbsOrigin());
    m_hBomb = bomb->GetRefEHandle();
    CBaseCombatWeapon* c4 = planter->Weapon_GetSlot(WEAPON_SLOT_C4);
    if (c4 && std::strcmp(c4->GetClassname(), "weapon_c4") == 0) {
        m_Entities.Remove(c4);
    }
    Fire(GameEvent("bomb_planted").SetInt("userid", planter->GetUserID()).SetInt("site", 0));
    return bomb;
}

CPlantedC4* CSGameRules::Bomb() const {
    auto* bomb = static_cast<CPlantedC4*>(m_Entities.Lookup(m_hBomb));
    return bomb && bomb->IsTicking() ? bomb : nullptr;
}

void CSGameRules::OnBombUsed(CPlantedC4& bomb, CBaseEntity* user) {
    if (!user || !user->IsPlayer() || !user->IsAlive() || user->GetTeamNumber() != TEAM_CT) {
        return;
    }
    auto* player = static_cast<CCSPlayer*>(user);
    CBaseEntity* defuser = bomb.GetDefuser();
    if (defuser && defuser != player) {
        return;
    }
    m_LastDefuseUse = Now();
    if (defuser) {
        return;
    }
    const float length = player->HasDefuser() ? kDefuseTimeWithKit : kDefuseTime;
    bomb.StartDefuse(player, Now() + length);
    player->SetDefusing(true);
    Fire(GameEvent("bomb_begindefuse")
             .SetInt("userid", player->GetUserID())
             .SetBool("haskit", player->HasDefuser()));
}

void CSGameRules::BombThink() {
    CPlantedC4* bomb = Bomb();
    if (!bomb) {
        return;
    }
    if (bomb->GetDefuser()) {
        if (Now() >= bomb->GetDefuseEndTime()) {
            EndDefuse(*bomb, true);
            return;
        }
        if (Now() - m_LastDefuseUse > kDefuseUseGap) {
            EndDefuse(*bomb, false);
        }
    }
    if (Now() >= bomb->GetBlowTime()) {
        bomb->StopTicking();
        Fire(GameEvent("bomb_exploded").SetInt("site", 0));
        EndRound(TEAM_TERRORIST, Target_Bombed);
    }
}

void CSGameRules::EndDefuse(CPlantedC4& bomb, bool completed) {
    auto* defuser = static_cast<CCSPlayer*>(bomb.GetDefuser());
    const int userId = UserIdOf(defuser);
    if (defuser) {
        defuser->SetDefusing(false);
    }
    if (!completed) {
        bomb.StopDefuse();
        Fire(GameEvent("bomb_abortdefuse").SetInt("userid", userId));
        return;
    }
    bomb.StopTicking();
    Fire(GameEvent("bomb_defused").SetInt("userid", userId).SetInt("site", 0));
    EndRound(TEAM_CT, Bomb_Defused);
}

void CSGameRules::SpawnPlayer(CCSPlayer& player, int spawnNumber) {
    player.SetLifeState(LIFE_ALIVE);
    player.SetDeadFlag(false);
    player.SetHealth(100);
    player.StopObserverMode();
    player.SetMoveType(MOVETYPE_WALK);
    player.RemoveFlag(FL_DUCKING);
    player.AddFlag(FL_ONGROUND | FL_CLIENT);
    player.SetAbsVelocity(vec3_origin);
    player.SetCollisionBounds(Vector(-16.0f, -16.0f, 0.0f), Vector(16.0f, 16.0f, 72.0f),
                              CONTENTS_MONSTER);
    player.SetAbsOrigin(SpawnPoint(player.GetTeamNumber(), spawnNumber));
    player.SetFloorHeight(player.GetAbsOrigin().z);
    player.SetViewAngles(QAngle());
    // Nobody moves in freeze time.
    player.SetMaxSpeed(m_Phase == RoundPhase::FreezeTime ? 1.0f : 250.0f);
    if (!player.Weapon_GetSlot(WEAPON_SLOT_KNIFE)) {
        GiveNamedItem(&player, "weapon_knife");
    }
    if (!player.Weapon_GetSlot(WEAPON_SLOT_SECONDARY)) {
        GiveNamedItem(&player, player.GetTeamNumber() == TEAM_CT ? "weapon_usp" : "weapon_glock");
    }
    Fire(GameEvent("player_spawn").SetInt("userid", player.GetUserID()));
}

Vector CSGameRules::SpawnPoint(int team, int spawnNumber) const {
    const char* classname =
        team == TEAM_CT ? "info_player_counterterrorist" : "info_player_terrorist";
    std::vector<Vector> points;
    m_Entities.ForEach([&](CBaseEntity& entity) {
        if (std::strcmp(entity.GetClassname(), classname) == 0) {
            points.push_back(entity.GetAbsOrigin());
        }
    });
    if (points.empty()) {
        // A map without spawn points: the teams line up at either end.
        return Vector(team == TEAM_CT ? 512.0f : -512.0f, 64.0f * static_cast<float>(spawnNumber),
                      0.0f);
    }
    return points[static_cast<size_t>(spawnNumber) % points.size()];
}

void CSGameRules::DropWeapons(CCSPlayer& player) {
    for (int slot = 0; slot < WEAPON_SLOT_COUNT; ++slot) {
        if (CBaseCombatWeapon* weapon = player.Weapon_GetSlot(slot)) {
            player.Weapon_Detach(weapon);
            weapon->SetAbsOrigin(player.GetAbsOrigin());
        }
    }
}

void CSGameRules::RemoveLooseWeapons() {
    std::vector<CBaseEntity*> loose;
    m_Entities.ForEach([&loose](CBaseEntity& entity) {
        if (FindWeaponInfo(entity.GetClassname()) &&
            static_cast<CBaseCombatWeapon&>(entity).IsDropped()) {
            loose.push_back(&entity);
        }
    });
    for (CBaseEntity* weapon : loose) {
        m_Entities.Remove(weapon);
    }
}

void CSGameRules::RemoveBomb() {
    m_Entities.Remove(m_Entities.Lookup(m_hBomb));
    m_hBomb.Term();
}

std::vector<CCSPlayer*> CSGameRules::Players() const {
    std::vector<CCSPlayer*> players;
    m_Entities.ForEach([&players](CBaseEntity& entity) {
        if (entity.IsPlayer()) {
            players.push_back(static_cast<CCSPlayer*>(&entity));
        }
    });
    return players;
}

CCSPlayer* CSGameRules::PlayerByUserId(int userId) const {
    for (CCSPlayer* player : Players()) {
        if (player->GetUserID() == userId) {
            return player;
        }
    }
    return nullptr;
}

}  // namespace cstrike

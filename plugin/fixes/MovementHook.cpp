#include "fixes/MovementHook.h"

#include <edict.h>
#include <eiface.h>
#include <igameevents.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <cmath>
#include <cstring>

#include "core/GameClock.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/PlayerIdentity.h"
#include "core/travik_services.h"
#include "enforcement/KickBanQueue.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"

ConVar tk_antispeedhack("tk_antispeedhack", "1", 0,
                        "Enable/Disable speed-hack prevention (1=Prevent/2=Kick)", true, 0.0f, true,
                        2.0f, MovementHook::OnTKAntiSpeedhackChange);
ConVar tk_checkviewangles("tk_checkviewangles", "1", 0,
                          "Enable/Disable detection of cheats which manipulate the view-angles",
                          true, 0.0f, true, 1.0f, MovementHook::OnTKCheckViewAnglesChange);
ConVar tk_beta_tagging("tk_beta_tagging", "0", 0,
                       "Enable/Disable CS style movement restriction when a player is hurt", true,
                       0.0f, true, 1.0f, MovementHook::OnTKBetaTaggingChange);

namespace {

constexpr int kMoveTypeWalk = 2;
constexpr int kFlagOnGround = 1;
constexpr int kKickMode = 2;
// A window's commands at or over this share of the last window's slow the
// player no further: a client a little over the limit is not slowed.
constexpr float kSlowDownBelow = 0.96f;

const char* const kExploitReason = "[Travik] Attempted to use a movement exploit";
const char* const kSpeedHackReason = "[Travik] Speed-Hack Detected";
const char* const kEyeAnglesReason = "[Travik] Invalid Eye-Angles Detected";

// The limits are the single-precision factors times the tick rate, compared
// with the count in double: at 100 ticks 140 commands are over 1.4 times the
// rate, which a product rounded to float (140.0) would not show.
bool CountIsOver(int32_t count, float tickRate, float factor) {
    return static_cast<double>(count) > static_cast<double>(tickRate) * static_cast<double>(factor);
}

// NaN, or an infinity, which the game turns into NaN: the sine of an
// infinite yaw, an infinite move times a zero factor.
bool AnyIsNotFinite(const CMoveData* move) {
    return !std::isfinite(move->m_vecViewAngles.x) || !std::isfinite(move->m_vecViewAngles.y) ||
           !std::isfinite(move->m_flForwardMove) || !std::isfinite(move->m_flSideMove) ||
           !std::isfinite(move->m_flUpMove);
}

// Angles of 180 to 360 degrees are the negative ones.
float Normalised(float angle) {
    return angle > 180.0f ? angle - 360.0f : angle;
}

bool OutsideRightAngle(float angle) {
    return angle > 90.0f || angle < -90.0f;
}

// Queues a kick unless the player is queued already; true when this call
// queued one.
bool KickOnce(edict_t* edict, const char* reason) {
    KickBanQueue* queue = travik::getKickBanQueue();
    if (queue->IsOnKickBanQueue(edict)) {
        return false;
    }
    queue->Kick(edict, reason);
    return true;
}

CBaseEntity* EntityOf(CBasePlayer* player) {
    // A player is an entity at the same address: CBaseEntity is its first base.
    return reinterpret_cast<CBaseEntity*>(player);
}

}  // namespace

bool MovementHook::ConfigureHook() {
    const bool anySwitch =
        tk_antispeedhack.GetBool() || tk_checkviewangles.GetBool() || tk_beta_tagging.GetBool();
    return hook.Configure(
        anySwitch, [this] { return Install(); }, [this] { Remove(); });
}

void MovementHook::Unload() {
    hook.Unload([this] { Remove(); });
}

// Every record starts afresh with the hook: what was counted before it went
// away is stale.
bool MovementHook::Install() {
    if (!g_host.gameMovement) {
        return false;
    }
    InitialiseMovementStateAllClients();
    return processMovement.Install(g_host.gameMovement);
}

void MovementHook::Remove() {
    processMovement.Remove();
}

void MovementHook::SetTickRate(float rate) {
    if (rate > 0.0f && std::isfinite(rate)) {
        tickRate = rate;
    }
}

void MovementHook::OnEvent(IGameEvent* event) {
    if (!event || !HostCommands::IsNamed(event->GetName(), "player_spawn")) {
        return;
    }
    InitialiseMovementStatePlayer(PlayerIdentity::GetEventPlayer(event));
}

void MovementHook::OnClientActive(edict_t* player) {
    if (travik::IsActive()) {
        InitialiseMovementStatePlayer(player);
    }
}

void MovementHook::OnClientDisconnect(edict_t* player) {
    InitialiseMovementStatePlayer(player);
}

void MovementHook::TagPlayer(edict_t* player) {
    if (!PlayerIdentity::IsPlayerOrBot(player)) {
        return;
    }
    const int slot = PlayerSlot(player);
    if (slot >= 0) {
        states[slot].tagged = true;
    }
}

void MovementHook::InitialiseMovementStateIndex(int slot) {
    if (slot < 0 || slot >= kMaxPlayerSlots) {
        return;
    }
    const bool clock = g_host.globals != nullptr;
    const float now = GameClock::Now();
    MovementState& state = states[slot];
    state = MovementState{};
    state.nextWindowTime = clock ? now + kWindowLength : 0.0f;
    state.nextAngleCheckTime = clock ? now + kAngleCheckInterval : 0.0f;
}

void MovementHook::InitialiseMovementStatePlayer(edict_t* player) {
    if (PlayerIdentity::IsPlayerOrBot(player)) {
        InitialiseMovementStateIndex(PlayerSlot(player));
    }
}

void MovementHook::InitialiseMovementStateAllClients() {
    for (int slot = 0; slot < kMaxPlayerSlots; ++slot) {
        InitialiseMovementStateIndex(slot);
    }
}

// Leaving without a result lets the game run the command as it came.
void MovementHook::OnProcessMovementHook(ProcessMovementCall& call, CBasePlayer* player,
                                         CMoveData* move) {
    if (!player || !move || !g_host.gameEnts || !g_host.playerInfoManager) {
        return;
    }
    edict_t* edict = g_host.gameEnts->BaseEntityToEdict(EntityOf(player));
    if (!edict) {
        return;
    }
    InternalVarAccessor* fields = travik::getInternalVarAccessor();
    // Noclip, ladders, observers and the like move as they please.
    if (fields->GetEntityMoveType(EntityOf(player)) != kMoveTypeWalk) {
        return;
    }
    IPlayerInfo* info = g_host.playerInfoManager->GetPlayerInfo(edict);
    if (!info || info->IsDead() || info->IsObserver() || info->IsInAVehicle()) {
        return;
    }
    // A slot outside the table is refused before it indexes it.
    const int slot = PlayerSlot(edict);
    const bool bot = info->IsFakeClient();
    if (!bot && AnyIsNotFinite(move)) {
        KickOnce(edict, kExploitReason);
        call.supersede();
        return;
    }
    if (slot < 0) {
        return;
    }
    MovementState& state = states[slot];
    const float now = GameClock::Now();
    bool changed = false;
    if (!bot && tk_antispeedhack.GetBool()) {
        changed = CheckSpeed(state, edict, info, move, now);
    }
    if (tk_beta_tagging.GetBool()) {
        changed = Tag(state, fields->GetPlayerFlags(EntityOf(player)), move, now) || changed;
    }
    if (!bot && tk_checkviewangles.GetBool() && now > state.nextAngleCheckTime) {
        CheckViewAngles(state, edict, info, move, now);
    }
    if (changed) {
        call.handled();
    }
}

bool MovementHook::CheckSpeed(MovementState& state, edict_t* edict, IPlayerInfo* info,
                              CMoveData* move, float now) const {
    if (now >= state.nextWindowTime) {
        state.nextWindowTime = now + kWindowLength;
        if (CountIsOver(state.windowCommands, tickRate, kOverLimitFactor)) {
            ++state.overLimitWindows;
            if (tk_antispeedhack.GetInt() == kKickMode &&
                state.overLimitWindows > kKickAfterWindows &&
                CountIsOver(state.windowCommands, tickRate, kKickFactor) &&
                KickOnce(edict, kSpeedHackReason)) {
                tkLog(true, "[TKDEBUG] AntiSpeedhack - Kicked Player: %s (%i/%i)\n",
                      LogSafe(info->GetName()).c_str(), state.windowCommands,
                      static_cast<int>(tickRate));
            }
        } else {
            state.overLimitWindows = 0;
        }
        state.lastWindowCommands = state.windowCommands;
        state.windowCommands = 0;
    }
    ++state.windowCommands;
    if (state.overLimitWindows <= 1 || state.lastWindowCommands <= 0) {
        return false;
    }
    const float ratio = tickRate / static_cast<float>(state.lastWindowCommands);
    if (!(ratio < kSlowDownBelow)) {
        return false;
    }
    move->m_vecVelocity *= ratio;
    return true;
}

// A tag runs from the landing; a time of 0 is no landing, so that nobody is
// slowed in the first moments of a level without having been hurt.
bool MovementHook::Tag(MovementState& state, int flags, CMoveData* move, float now) {
    if (state.tagged && (flags & kFlagOnGround)) {
        state.tagged = false;
        state.tagTime = now;
    }
    if (!(state.tagTime > 0.0f && state.tagTime > now - kTagDuration)) {
        return false;
    }
    Vector& velocity = move->m_vecVelocity;
    const float horizontal = velocity.x * velocity.x + velocity.y * velocity.y;
    if (horizontal > kTagSpeedSquared) {
        const float scale = kTagSpeedSquared / horizontal;
        velocity.x *= scale;
        velocity.y *= scale;
    }
    return true;
}

void MovementHook::CheckViewAngles(MovementState& state, edict_t* edict, IPlayerInfo* info,
                                   const CMoveData* move, float now) {
    const float x = Normalised(move->m_vecViewAngles.x);
    const float z = Normalised(move->m_vecViewAngles.z);
    if ((OutsideRightAngle(x) || OutsideRightAngle(z)) && KickOnce(edict, kEyeAnglesReason)) {
        tkLog(false, "Kicked player with invalid eye-angles: %s (x=%.2f, z=%.2f)\n",
              LogSafe(info->GetName()).c_str(), static_cast<double>(x), static_cast<double>(z));
    }
    state.nextAngleCheckTime = now + kAngleCheckInterval;
}

void MovementHook::OnSwitchChange(const ConVar& var, const char* oldValue, const char* enabled,
                                  const char* disabled) {
    if (!travik::IsActive() || std::strcmp(var.GetString(), oldValue ? oldValue : "") == 0) {
        return;
    }
    travik::getMovementHook()->ConfigureHook();
    Messaging::SendAllMessage(var.GetBool() ? enabled : disabled);
}

void MovementHook::OnTKAntiSpeedhackChange(IConVar*, const char* oldValue, float) {
    OnSwitchChange(tk_antispeedhack, oldValue, "\x03Travik:\x04 Anti-Speedhack Enabled\n",
                   "\x03Travik:\x04 Anti-Speedhack Disabled\n");
}

void MovementHook::OnTKCheckViewAnglesChange(IConVar*, const char* oldValue, float) {
    OnSwitchChange(tk_checkviewangles, oldValue, "\x03Travik:\x04 View-Angles Check Enabled\n",
                   "\x03Travik:\x04 View-Angles Check Disabled\n");
}

void MovementHook::OnTKBetaTaggingChange(IConVar*, const char* oldValue, float) {
    OnSwitchChange(tk_beta_tagging, oldValue, "\x03Travik:\x04 Tagging Enabled\n",
                   "\x03Travik:\x04 Tagging Disabled\n");
}

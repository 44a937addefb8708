#pragma once

#include <igamemovement.h>
#include <tier1/convar.h>
#include <tier1/iconvar.h>

#include <cstdint>

#include "core/PlayerSlots.h"
#include "core/SwitchedHook.h"
#include "core/VirtualHook.h"

class IGameEvent;
class IPlayerInfo;
struct edict_t;

// One player's movement record: the usercmd count of the running one-second
// window and the windows before it, when the view angles are checked next,
// and the slow-down after being hurt.
struct MovementState {
    // Consecutive closed windows whose count was over the limit.
    int32_t overLimitWindows = 0;
    int32_t lastWindowCommands = 0;
    int32_t windowCommands = 0;
    float nextWindowTime = 0.0f;
    float nextAngleCheckTime = 0.0f;
    // When the hurt player stood on the ground again; 0 while he has not.
    float tagTime = 0.0f;
    bool tagged = false;
};

// Watches every usercmd before the game's movement runs it: refuses those
// whose angles or move values are not numbers, slows (and in kick mode
// removes) players who send more usercmds than the tick rate allows, kicks
// players whose pitch or roll is impossible, and slows hurt players for a
// moment after they land.
class MovementHook {
public:
    using ProcessMovementHook = VirtualHook<&IGameMovement::ProcessMovement, MovementHook>;
    using ProcessMovementCall = ProcessMovementHook::Call;

    // Seconds of game time a usercmd window lasts, and between two checks
    // of a player's view angles.
    static constexpr float kWindowLength = 1.0f;
    static constexpr float kAngleCheckInterval = 3.0f;
    // A window over tickRate * kOverLimitFactor is over the limit; in kick
    // mode the fifth such window in a row over tickRate * kKickFactor kicks.
    static constexpr float kOverLimitFactor = 1.08f;
    static constexpr float kKickFactor = 1.4f;
    static constexpr int kKickAfterWindows = 4;
    // A hurt player's horizontal speed is bounded for this long after he
    // lands; speeds v over sqrt(kTagSpeedSquared) become kTagSpeedSquared / v.
    static constexpr float kTagDuration = 0.6f;
    static constexpr float kTagSpeedSquared = 12800.0f;

    MovementHook() = default;
    MovementHook(const MovementHook&) = delete;
    MovementHook& operator=(const MovementHook&) = delete;

    // Installs the hook while the plug-in is active and any of the three
    // switches is on, removes it otherwise; true when that changed anything.
    bool ConfigureHook();
    // Removes an installed hook without a word.
    void Unload();
    bool IsHooked() const { return hook.IsInstalled(); }

    // The usercmds per second an honest client sends. A rate that is not a
    // positive number is refused: with a limit of 0 every player would be
    // slowed to a standstill.
    void SetTickRate(float rate);
    float GetTickRate() const { return tickRate; }

    // "player_spawn" starts the player's record again.
    void OnEvent(IGameEvent* event);
    void OnClientActive(edict_t* player);
    void OnClientDisconnect(edict_t* player);
    // The player was hurt: slowed from when he next stands on the ground.
    void TagPlayer(edict_t* player);

    void InitialiseMovementStateIndex(int slot);
    void InitialiseMovementStatePlayer(edict_t* player);
    void InitialiseMovementStateAllClients();

    void OnProcessMovementHook(ProcessMovementCall& call, CBasePlayer* player, CMoveData* move);

    static void OnTKAntiSpeedhackChange(IConVar* var, const char* oldValue, float oldFloat);
    static void OnTKCheckViewAnglesChange(IConVar* var, const char* oldValue, float oldFloat);
    static void OnTKBetaTaggingChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    bool Install();
    void Remove();
    // Counts the usercmd in the player's window; true when it slowed him.
    bool CheckSpeed(MovementState& state, edict_t* edict, IPlayerInfo* info, CMoveData* move,
                    float now) const;
    static bool Tag(MovementState& state, int flags, CMoveData* move, float now);
    static void CheckViewAngles(MovementState& state, edict_t* edict, IPlayerInfo* info,
                                const CMoveData* move, float now);
    // Announces a switch's change to everybody and follows it.
    static void OnSwitchChange(const ConVar& var, const char* oldValue, const char* enabled,
                               const char* disabled);

    SwitchedHook hook{"Movement"};
    ProcessMovementHook processMovement{travik::hook::Pre, this,
                                        &MovementHook::OnProcessMovementHook};
    MovementState states[kMaxPlayerSlots];
    float tickRate = 66.0f;
};

extern ConVar tk_antispeedhack;
extern ConVar tk_checkviewangles;
extern ConVar tk_beta_tagging;

#pragma once

#include <mathlib/vector.h>
#include <mathlib/vector2d.h>
#include <tier1/iconvar.h>

#include "core/BuildPlatform.h"
#include "core/PlayerSlots.h"
#include "core/SwitchedHook.h"
#include "hook/Hook.h"

class CBaseEntity;
class ConVar;
class IGameEvent;
struct edict_t;

// Only the world and static props can hide the bomb: a use search that finds
// the planted bomb is answered with nothing unless the counter-terrorist's
// eyes have a clear line to it. A post-hook on the game's FindUseEntity,
// placed on each living counter-terrorist's own entity, judges the game's
// result; on de_train two areas where the cars (brush entities, which the
// sight trace passes through) stand between a player and the bomb are judged
// by their geometry first.
class DefuseFix {
public:
    // CBaseEntity* CBasePlayer::FindUseEntity(), slot 395 of the Linux game
    // (394 of the Windows one).
    using FindUseEntity =
        travik::hook::Manual<CBaseEntity, CBaseEntity*(), BuildPlatform::GameSlot(395), 0, 0>;
    using FindUseCall = travik::hook::CallOf<FindUseEntity>;

    struct DefuseState {
        bool hooked = false;
        // Game time of the last trace for this player; 0 for none.
        float lastCheckTime = 0.0f;
        bool allowed = true;
        // The entity the hook sits on: it is removed from that very object,
        // and only forgotten once the object is gone.
        CBaseEntity* entity = nullptr;
    };

    // A player sees the message at most this often, and the trace runs no
    // more often.
    static constexpr float kRecheckSeconds = 0.1f;
    static constexpr const char* kRefusal = "You must be able to see the bomb to defuse!";

    DefuseFix() = default;
    DefuseFix(const DefuseFix&) = delete;
    DefuseFix& operator=(const DefuseFix&) = delete;

    // Hooks every living counter-terrorist when the plug-in is active and
    // tk_beta_illegaldefusefix is on, unhooks all otherwise; true when that
    // changed anything. Prints nothing.
    bool Configure();
    void Unload();
    // Takes whether the new level is de_train.
    void OnServerActivate();
    // The entities of the level are about to go: their hooks go first.
    void OnLevelShutdown();

    // "player_spawn" hooks a counter-terrorist, "player_death" unhooks.
    void OnEvent(IGameEvent* event);
    void OnClientActive(edict_t* player);
    void OnClientDisconnect(edict_t* player);

    void HookAll();
    void UnhookAll();
    void HookPlayer(edict_t* player, bool hook);
    void Reset(edict_t* player);

    bool IsEnabled() const { return hook.IsInstalled(); }
    bool IsTrain() const { return isTrain; }
    const DefuseState& State(int slot) const { return players[slot]; }

    void FindUseEntityHook(FindUseCall& call);

    // de_train's areas: false where the bomb lies on a car that the eyes
    // look at from below and beside.
    static bool TrainCanDefuse(const Vector& eye, const Vector& bomb);
    // Whether the point's x and y lie in the box spanned by the four corners,
    // its edges included.
    static bool IsPointInside2DBox(const Vector& point, const Vector2D& a, const Vector2D& b,
                                   const Vector2D& c, const Vector2D& d);

    static void OnTKBetaIllegalDefuseFixChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    // Hooks the entity of a player's slot; false when the layer refused.
    bool Attach(int slot, CBaseEntity* entity);
    // Takes the slot's hook off its entity: removed while that entity is the
    // one the edict holds, forgotten (nothing at its address is touched)
    // once it is not.
    void Detach(int slot, edict_t* edict);
    void ResetSlot(int slot);
    // Whether the player's eyes see the bomb; a fresh verdict.
    bool SeesBomb(CBaseEntity* player, edict_t* bomb) const;

    SwitchedHook hook{nullptr};
    DefuseState players[kMaxPlayerSlots];
    bool isTrain = false;
};

extern ConVar tk_beta_illegaldefusefix;

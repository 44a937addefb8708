#pragma once

#include <eiface.h>
#include <iservernetworkable.h>
#include <tier1/iconvar.h>

#include "core/PlayerSlots.h"
#include "core/SwitchedHook.h"
#include "hook/Hook.h"

class CBaseEntity;
class ConVar;
class IGameEvent;
class InternalVarAccessor;
struct edict_t;

// Takes the point out of anti-flash cheats: while a player is fully blinded
// by a flashbang, the snapshots he is sent leave out the other players and
// what they carry, so a client that suppresses the white screen has nothing
// to draw. A post-hook on the game's CheckTransmit clears their bits after
// the game has made its own choice.
class AntiAntiFlash {
public:
    using TransmitCall = travik::hook::CallFor<&IServerGameEnts::CheckTransmit>;

    // A player carries a handful of attachments (weapons, view models); a
    // chain of move peers longer than this has looped through damaged or
    // stale handles and is given up.
    static constexpr int kMaxAttachments = 64;

    AntiAntiFlash() = default;
    AntiAntiFlash(const AntiAntiFlash&) = delete;
    AntiAntiFlash& operator=(const AntiAntiFlash&) = delete;

    // Installs or removes the transmit hook to match the active switch and
    // tk_beta_antiflash; true when that changed anything.
    bool Configure();
    // Removes the hook silently.
    void Unload();

    // "player_spawn", "player_death" and "player_blind".
    void OnEvent(IGameEvent* event);
    void OnClientActive(edict_t* player);
    void OnClientDisconnect(edict_t* player);

    // Records a blinding; a partial one (not quite white, or short) hides
    // nothing.
    void Flash(edict_t* player, float duration, float maxAlpha);
    void ResetPlayer(edict_t* player);
    void InitialiseAllClients();
    // Whether the player counts as blinded at this moment of game time.
    bool IsBlinded(edict_t* player) const;
    bool IsHooked() const { return hook.IsInstalled(); }

    void CheckTransmitHook(TransmitCall& call, CCheckTransmitInfo* info,
                           const unsigned short* edictIndices, int edictCount);

    static void OnTKBetaAntiFlashChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    void ResetPlayerIndex(int slot);
    // Records the blinding of a living human from the game's flash fields.
    void OnPlayerBlind(edict_t* player);
    // Clears the bits of every other player (bots included) and of the
    // entities attached to them.
    static void HidePlayers(TransmitBitVec& transmit, int ownIndex);
    static void HideAttachments(TransmitBitVec& transmit, InternalVarAccessor& fields,
                                CBaseEntity* entity);
    bool Install();
    void Remove();

    SwitchedHook hook{"AntiAntiFlash"};
    // Game time until which each player slot counts as blinded; 0 for none.
    float flashEndTime[kMaxPlayerSlots] = {};
};

extern ConVar tk_beta_antiflash;

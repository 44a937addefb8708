#include "fixes/AntiAntiFlash.h"

#include <basehandle.h>
#include <edict.h>
#include <igameevents.h>
#include <iplayerinfo.h>
#include <iserverunknown.h>
#include <tier1/convar.h>

#include <algorithm>
#include <cstring>

#include "core/GameClock.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/PlayerIdentity.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"

ConVar tk_beta_antiflash("tk_beta_antiflash", "1", 0,
                         "Prevents anti-flash cheats/exploits from being effective", true, 0.0f,
                         true, 1.0f, AntiAntiFlash::OnTKBetaAntiFlashChange);

namespace {

namespace hook = travik::hook;
using HostCommands::IsNamed;

// Below these the screen never turns fully white: nothing is hidden.
constexpr float kFullAlpha = 254.0f;
constexpr float kShortestFlash = 1.0f;

// The client that sees the white screen in a snapshot: a human in the game,
// not SourceTV.
bool IsRealPlayer(IPlayerInfo* info) {
    return info && info->IsPlayer() && !info->IsFakeClient() && !info->IsHLTV();
}

}  // namespace

bool AntiAntiFlash::Configure() {
    return hook.Configure(
        tk_beta_antiflash.GetBool(), [this] { return Install(); }, [this] { Remove(); });
}

void AntiAntiFlash::Unload() {
    hook.Unload([this] { Remove(); });
}

bool AntiAntiFlash::Install() {
    if (!g_host.gameEnts) {
        return false;
    }
    InitialiseAllClients();
    return hook::add<&IServerGameEnts::CheckTransmit>(g_host.gameEnts, hook::Post, this,
                                                      &AntiAntiFlash::CheckTransmitHook);
}

void AntiAntiFlash::Remove() {
    if (g_host.gameEnts) {
        hook::remove<&IServerGameEnts::CheckTransmit>(g_host.gameEnts, hook::Post, this,
                                                      &AntiAntiFlash::CheckTransmitHook);
    }
}

void AntiAntiFlash::OnEvent(IGameEvent* event) {
    edict_t* player = IsHooked() ? PlayerIdentity::GetEventPlayer(event) : nullptr;
    if (!player) {
        return;
    }
    const char* name = event->GetName();
    if (IsNamed(name, "player_spawn") || IsNamed(name, "player_death")) {
        ResetPlayer(player);
    } else if (IsNamed(name, "player_blind")) {
        OnPlayerBlind(player);
    }
}

// The dead see the others again at once (a death ends a blinding), so a
// flash that reaches a dead player watching through someone's eyes must not
// take the players, his view among them, out of his snapshots.
void AntiAntiFlash::OnPlayerBlind(edict_t* player) {
    IPlayerInfo* info = PlayerInfoOf(player);
    if (!IsRealPlayer(info) || info->IsDead()) {
        return;
    }
    InternalVarAccessor* fields = travik::getInternalVarAccessor();
    const float* duration = fields ? fields->GetFlashDuration(player) : nullptr;
    const float* maxAlpha = fields ? fields->GetFlashMaxAlpha(player) : nullptr;
    if (duration && maxAlpha) {
        Flash(player, *duration, *maxAlpha);
    }
}

void AntiAntiFlash::OnClientActive(edict_t* player) {
    if (IsHooked()) {
        ResetPlayer(player);
    }
}

void AntiAntiFlash::OnClientDisconnect(edict_t* player) {
    ResetPlayer(player);
}

// The player is cut off for the first half of the flash, less a tick or two,
// while the white screen is at its thickest.
void AntiAntiFlash::Flash(edict_t* player, float duration, float maxAlpha) {
    if (maxAlpha < kFullAlpha || duration < kShortestFlash) {
        return;
    }
    const int slot = PlayerSlot(player);
    if (slot < 0) {
        return;
    }
    flashEndTime[slot] = GameClock::Now() + static_cast<float>(duration / 2.0 - 0.03);
}

void AntiAntiFlash::ResetPlayer(edict_t* player) {
    if (!PlayerIdentity::IsPlayer(player)) {
        return;
    }
    const int slot = PlayerSlot(player);
    if (slot >= 0) {
        ResetPlayerIndex(slot);
    }
}

void AntiAntiFlash::ResetPlayerIndex(int slot) {
    if (slot >= 0 && slot < kMaxPlayerSlots) {
        flashEndTime[slot] = 0.0f;
    }
}

void AntiAntiFlash::InitialiseAllClients() {
    for (int slot = 0; slot < kMaxPlayerSlots; ++slot) {
        ResetPlayerIndex(slot);
    }
}

bool AntiAntiFlash::IsBlinded(edict_t* player) const {
    const int slot = PlayerSlot(player);
    return slot >= 0 && flashEndTime[slot] > GameClock::Now();
}

// Runs for every client in every snapshot: a client that is not blinded
// costs a slot lookup and one comparison before anything else is asked.
void AntiAntiFlash::CheckTransmitHook(TransmitCall&, CCheckTransmitInfo* info,
                                      const unsigned short*, int) {
    if (!IsHooked() || !info || !info->m_pTransmitEdict || !g_host.engine || !g_host.gameEnts) {
        return;
    }
    edict_t* client = info->m_pClientEnt;
    if (!IsBlinded(client) || !IsRealPlayer(PlayerInfoOf(client))) {
        return;
    }
    HidePlayers(*info->m_pTransmitEdict, PlayerSlot(client) + 1);
}

// Bits are only ever cleared: what the game did not mean to send stays unsent.
void AntiAntiFlash::HidePlayers(TransmitBitVec& transmit, int ownIndex) {
    InternalVarAccessor* fields = travik::getInternalVarAccessor();
    const int last = std::min(GetMaxClients(), kMaxPlayerSlots);
    for (int index = 1; index <= last; ++index) {
        if (index == ownIndex || !transmit.IsBitSet(index)) {
            continue;
        }
        edict_t* edict = g_host.engine->PEntityOfEntIndex(index);
        IPlayerInfo* info = PlayerInfoOf(edict);
        if (!info || !info->IsPlayer()) {
            continue;
        }
        if (fields) {
            HideAttachments(transmit, *fields, g_host.gameEnts->EdictToBaseEntity(edict));
        }
        transmit.Clear(index);
    }
}

// The first level of the entity's move children: its weapons and whatever
// else follows it. The walk ends at a handle the engine has no edict for
// (beyond the networked entities, free, or now another entity's), and
// after kMaxAttachments steps however the chain goes on.
void AntiAntiFlash::HideAttachments(TransmitBitVec& transmit, InternalVarAccessor& fields,
                                    CBaseEntity* entity) {
    const CBaseHandle* link = entity ? fields.BaseEnt_HFirstMoveChild(entity) : nullptr;
    for (int step = 0; link && link->IsValid() && step < kMaxAttachments; ++step) {
        const CBaseHandle handle = *link;
        const int index = handle.GetEntryIndex();
        if (index <= 0 || index >= MAX_EDICTS) {
            return;
        }
        edict_t* edict = g_host.engine->PEntityOfEntIndex(index);
        IServerUnknown* unknown = edict && !edict->IsFree() ? edict->GetUnknown() : nullptr;
        if (!unknown || unknown->GetRefEHandle() != handle) {
            return;
        }
        transmit.Clear(index);
        CBaseEntity* child = g_host.gameEnts->EdictToBaseEntity(edict);
        link = child ? fields.BaseEnt_HNextMovePeer(child) : nullptr;
    }
}

void AntiAntiFlash::OnTKBetaAntiFlashChange(IConVar*, const char* oldValue, float) {
    if (!travik::IsActive() ||
        (oldValue && std::strcmp(tk_beta_antiflash.GetString(), oldValue) == 0)) {
        return;
    }
    travik::getAntiAntiFlash()->Configure();
    Messaging::SendAllMessage(tk_beta_antiflash.GetBool()
                                  ? "\x03Travik:\x04 Anti-Flash Fix Enabled\n"
                                  : "\x03Travik:\x04 Anti-Flash Fix Disabled\n");
}

#include "fixes/DefuseFix.h"

#include <IEngineTrace.h>
#include <edict.h>
#include <eiface.h>
#include <igameevents.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <algorithm>
#include <cstring>

#include "core/GameClock.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/PlayerIdentity.h"
#include "core/VFuncs.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"

ConVar tk_beta_illegaldefusefix(
    "tk_beta_illegaldefusefix", "0", 0,
    "Prevents defusal through walls and other static objects (0=Disabled/1=Enabled)", true, 0.0f,
    true, 1.0f, DefuseFix::OnTKBetaIllegalDefuseFixChange);

namespace {

namespace hook = travik::hook;
using HostCommands::IsNamed;

constexpr int kTeamCT = 3;

CBaseEntity* EntityOf(edict_t* edict) {
    return g_host.gameEnts && edict && !edict->IsFree() ? g_host.gameEnts->EdictToBaseEntity(edict)
                                                        : nullptr;
}

// The last player slot the tables and the host both have.
int LastPlayerIndex() {
    return std::min(GetMaxClients(), kMaxPlayerSlots);
}

// A human counter-terrorist in the game and alive: the players who defuse.
bool IsLivingCounterTerrorist(edict_t* edict) {
    IPlayerInfo* info = PlayerInfoOf(edict);
    return info && PlayerIdentity::IsPlayer(edict) && info->IsConnected() && !info->IsDead() &&
           !info->IsObserver() && info->GetTeamIndex() == kTeamCT;
}

}  // namespace

bool DefuseFix::Configure() {
    return hook.Configure(
        tk_beta_illegaldefusefix.GetBool(),
        [this] {
            HookAll();
            return true;
        },
        [this] { UnhookAll(); });
}

void DefuseFix::Unload() {
    hook.Unload([this] { UnhookAll(); });
}

void DefuseFix::OnServerActivate() {
    isTrain = g_host.globals && std::strcmp(STRING(g_host.globals->mapname), "de_train") == 0;
}

// The game frees every entity after this; a player keeps his slot and is
// hooked again when he spawns on the next level.
void DefuseFix::OnLevelShutdown() {
    UnhookAll();
}

void DefuseFix::OnEvent(IGameEvent* event) {
    edict_t* player = IsEnabled() ? PlayerIdentity::GetEventPlayer(event) : nullptr;
    if (!player) {
        return;
    }
    const char* name = event->GetName();
    if (IsNamed(name, "player_spawn")) {
        HookPlayer(player, true);
    } else if (IsNamed(name, "player_death")) {
        HookPlayer(player, false);
    }
}

// The entity of a newly active client is new: a hook still recorded for the
// slot belongs to the one before, which may be gone.
void DefuseFix::OnClientActive(edict_t* player) {
    const int slot = PlayerSlot(player);
    if (slot < 0) {
        return;
    }
    if (players[slot].hooked) {
        Detach(slot, player);
    }
    ResetSlot(slot);
}

// Whatever the player was, his hook goes before his entity does.
void DefuseFix::OnClientDisconnect(edict_t* player) {
    const int slot = PlayerSlot(player);
    if (slot >= 0 && players[slot].hooked) {
        Detach(slot, player);
    }
}

void DefuseFix::HookAll() {
    if (!g_host.engine || !g_host.gameEnts) {
        return;
    }
    for (int index = 1; index <= LastPlayerIndex(); ++index) {
        edict_t* edict = g_host.engine->PEntityOfEntIndex(index);
        const int slot = index - 1;
        if (players[slot].hooked || !IsLivingCounterTerrorist(edict)) {
            continue;
        }
        if (Attach(slot, EntityOf(edict))) {
            ResetSlot(slot);
        }
    }
}

void DefuseFix::UnhookAll() {
    for (int slot = 0; slot < kMaxPlayerSlots; ++slot) {
        if (players[slot].hooked) {
            Detach(slot, g_host.engine ? g_host.engine->PEntityOfEntIndex(slot + 1) : nullptr);
        }
    }
}

void DefuseFix::HookPlayer(edict_t* player, bool hookIt) {
    const int slot = PlayerSlot(player);
    if (slot < 0 || !PlayerIdentity::IsPlayer(player)) {
        return;
    }
    DefuseState& state = players[slot];
    if (!hookIt) {
        if (state.hooked) {
            Detach(slot, player);
        }
        return;
    }
    IPlayerInfo* info = PlayerInfoOf(player);
    if (!IsEnabled() || !info) {
        return;
    }
    if (info->GetTeamIndex() != kTeamCT) {
        if (state.hooked) {
            Detach(slot, player);
        }
        return;
    }
    ResetSlot(slot);
    CBaseEntity* entity = EntityOf(player);
    if (state.hooked && state.entity != entity) {
        Detach(slot, player);
    }
    if (!state.hooked) {
        Attach(slot, entity);
    }
}

void DefuseFix::Reset(edict_t* player) {
    const int slot = PlayerSlot(player);
    if (slot >= 0) {
        ResetSlot(slot);
    }
}

void DefuseFix::ResetSlot(int slot) {
    players[slot].allowed = true;
    players[slot].lastCheckTime = 0.0f;
}

bool DefuseFix::Attach(int slot, CBaseEntity* entity) {
    if (!entity ||
        !hook::add<FindUseEntity>(entity, hook::Post, this, &DefuseFix::FindUseEntityHook)) {
        return false;
    }
    players[slot].hooked = true;
    players[slot].entity = entity;
    return true;
}

void DefuseFix::Detach(int slot, edict_t* edict) {
    DefuseState& state = players[slot];
    if (state.entity && state.entity == EntityOf(edict)) {
        hook::remove<FindUseEntity>(state.entity, hook::Post, this, &DefuseFix::FindUseEntityHook);
    } else if (state.entity) {
        hook::forget<FindUseEntity>(state.entity);
    }
    state.hooked = false;
    state.entity = nullptr;
}

// Runs for every use search of a hooked counter-terrorist: anything but the
// planted bomb passes after one edict and class-name lookup.
void DefuseFix::FindUseEntityHook(FindUseCall& call) {
    if (!IsEnabled() || !g_host.gameEnts) {
        return;
    }
    CBaseEntity* const* result = call.originalResult();
    CBaseEntity* found = result ? *result : nullptr;
    edict_t* bomb = found ? g_host.gameEnts->BaseEntityToEdict(found) : nullptr;
    if (!bomb || !IsNamed(bomb->GetClassName(), "planted_c4") || travik::IsRoundEnd()) {
        return;
    }
    CBaseEntity* self = call.self();
    edict_t* player = g_host.gameEnts->BaseEntityToEdict(self);
    IPlayerInfo* info = PlayerInfoOf(player);
    const int slot = PlayerSlot(player);
    if (!info || info->GetTeamIndex() != kTeamCT || slot < 0) {
        return;
    }
    DefuseState& state = players[slot];
    const float now = GameClock::Now();
    // A time from an earlier level lies ahead of the clock: it is stale.
    if (now - kRecheckSeconds > state.lastCheckTime || state.lastCheckTime > now) {
        state.lastCheckTime = now;
        if (SeesBomb(self, bomb)) {
            state.allowed = true;
            return;
        }
        state.allowed = false;
        Messaging::SendSingleCenteredMessage(player, kRefusal);
    } else if (state.allowed) {
        return;
    }
    call.supersede(nullptr);
}

bool DefuseFix::SeesBomb(CBaseEntity* player, edict_t* bomb) const {
    Vector eye = CBasePlayer_EyePosition(reinterpret_cast<CBasePlayer*>(player));
    InternalVarAccessor* fields = travik::getInternalVarAccessor();
    const Vector* origin = fields ? fields->GetAbsOrigin(bomb) : nullptr;
    if (!eye.IsValid() || !origin || !origin->IsValid()) {
        return true;
    }
    eye.z -= 1.0f;
    Vector target = *origin;
    target.z += 8.0f;
    if (isTrain && !TrainCanDefuse(eye, target)) {
        return false;
    }
    if (!g_host.engineTrace) {
        return true;
    }
    Ray_t ray;
    ray.Init(eye, target);
    CTraceFilterWorldAndPropsOnly filter;
    trace_t trace;
    g_host.engineTrace->TraceRay(ray, MASK_OPAQUE, &filter, &trace);
    return trace.fraction == 1.0f;
}

bool DefuseFix::IsPointInside2DBox(const Vector& point, const Vector2D& a, const Vector2D& b,
                                   const Vector2D& c, const Vector2D& d) {
    const float minX = std::min({a.x, b.x, c.x, d.x});
    const float maxX = std::max({a.x, b.x, c.x, d.x});
    const float minY = std::min({a.y, b.y, c.y, d.y});
    const float maxY = std::max({a.y, b.y, c.y, d.y});
    return minX <= point.x && point.x <= maxX && minY <= point.y && point.y <= maxY;
}

bool DefuseFix::TrainCanDefuse(const Vector& eye, const Vector& bomb) {
    // The cars at the two sites: a bomb on one counts only above its deck's
    // height, and the eyes must be above it or within the car's width.
    struct Area {
        Vector2D a, b, c, d;
        float lowestBomb;
        float lowestEye;
    };
    static const Area areas[] = {
        {{965, -226}, {965, -96}, {1635, -96}, {1635, -226}, -155.0f, -110.0f},
        {{-305, -1344}, {-305, -1214}, {371, -1214}, {371, -1344}, -290.0f, -250.0f},
    };
    for (const Area& area : areas) {
        if (!IsPointInside2DBox(bomb, area.a, area.b, area.c, area.d)) {
            continue;
        }
        if (bomb.z < area.lowestBomb) {
            // In neither area: the bomb under a car's deck is the trace's.
            return true;
        }
        return eye.z >= area.lowestEye || (area.a.y <= eye.y && eye.y <= area.b.y);
    }
    return true;
}

void DefuseFix::OnTKBetaIllegalDefuseFixChange(IConVar*, const char* oldValue, float) {
    if (!travik::IsActive() ||
        (oldValue && std::strcmp(tk_beta_illegaldefusefix.GetString(), oldValue) == 0)) {
        return;
    }
    travik::getDefuseFix()->Configure();
    Messaging::SendAllMessage(tk_beta_illegaldefusefix.GetBool()
                                  ? "\x03Travik:\x04 Illegal Defuse Fix Enabled\n"
                                  : "\x03Travik:\x04 Illegal Defuse Fix Disabled\n");
}

#include <edict.h>
#include <eiface.h>
#include <icvar.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <cstring>
#include <utility>
#include <vector>

#include "core/FixedBuffer.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/PlayerSlots.h"
#include "core/travik_plugin.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"

ConVar tk_version("tk_version", TRAVIK_VERSION, FCVAR_NOTIFY | FCVAR_CHEAT, "Travik Plugin Version",
                  Travik::onTKVersionChange);
ConVar tk_active("tk_active", "1", 0, "Travik Global On/Off - 1=On / 0=Off", true, 0.0f, true, 1.0f,
                 Travik::onTKActiveChange);
ConVar tk_status("tk_status", "1", FCVAR_NOTIFY | FCVAR_CHEAT,
                 "Travik Status (0=Off / 1=On / >1=Status ID)", true, 0.0f, false, 0.0f,
                 Travik::onTKStatusChange);
ConVar tk_warmode("tk_warmode", "0", 0, "Enable/Disable Travik War Mode Configuration", true, 0.0f,
                  true, 1.0f, Travik::onTKWarModeChange);

namespace {

// A pending update outranks these requests.
bool IsOutrankedByUpdate(TKState requested) {
    switch (requested) {
        case STATE_OK:
        case STATE_MODULE_UNREADABLE:
        case STATE_MODULE_MODIFIED:
        case STATE_NO_CONTACT:
        case STATE_SERVER_MODIFIED:
            return true;
        default:
            return false;
    }
}

// Sets a variable to `text` unless it already holds exactly that.
void HoldValue(ConVar& var, const char* text) {
    if (std::strcmp(var.GetString(), text) != 0) {
        var.SetValue(text);
    }
}

void HoldNumber(ConVar& var, int value) {
    FixedBuffer<16> text;
    HoldValue(var, text.Format("%d", value));
}

// A host variable whose change callback the plug-in takes over, and what was
// in its slot before, put back at unload.
struct TakenCallback {
    ConVar* var = nullptr;
    FnChangeCallback_t ours = nullptr;
    FnChangeCallback_t previous = nullptr;

    void Take(ConVar* host, FnChangeCallback_t callback) {
        if (!host) {
            return;
        }
        var = host;
        ours = callback;
        previous = host->GetChangeCallback();
        host->InstallChangeCallback(callback);
    }
    // Gives the slot back unless someone else has taken it since.
    void Release() {
        if (var && var->GetChangeCallback() == ours) {
            var->InstallChangeCallback(previous);
        }
        *this = TakenCallback{};
    }
};

TakenCallback g_svLanCallback;

// Host variables whose flags the load adjusted, with their flags before:
// a refused load gives them back.
class AdjustedFlags {
public:
    void Remember(ConVar* var) {
        for (const auto& [known, flags] : m_Saved) {
            if (known == var) {
                return;
            }
        }
        m_Saved.emplace_back(var, var->GetFlags());
    }
    void RestoreAll() {
        for (const auto& [var, flags] : m_Saved) {
            var->RemoveFlags(var->GetFlags() & ~flags);
            var->AddFlags(flags);
        }
        m_Saved.clear();
    }
    void Forget() { m_Saved.clear(); }

private:
    std::vector<std::pair<ConVar*, int>> m_Saved;
};

AdjustedFlags g_adjustedFlags;

ConVar* FindHostVar(const char* name) {
    return g_host.cvar ? g_host.cvar->FindVar(name) : nullptr;
}

}  // namespace

void Travik::changeTkState(TKState state) {
    if (state == currentState) {
        return;
    }
    const bool updatePending =
        currentState == STATE_DOWNLOADING || currentState == STATE_UPDATE_READY;
    if (updatePending && IsOutrankedByUpdate(state)) {
        return;
    }
    currentState = state;
    if (active) {
        HoldNumber(tk_status, currentState);
    }
}

void Travik::SetActive(bool on) {
    if (on == active) {
        return;
    }
    active = on;
    HoldNumber(tk_status, on ? currentState : STATE_OFF);
    if (on) {
        OnActivated();
    } else {
        OnDeactivated();
    }
}

// Players are removed so that every protection applies from their next
// connection; then each feature configures itself for the active plug-in.
void Travik::OnActivated() {
    Messaging::SendAllMessage("\x03Travik:\x04 Active Mode, Removing All Players!\n");
    tkLog(false, "Travik: tk_active 1, Removing all players\n");
    KickAllPlayers("Travik is now active, retry your connection to the server", true);
    cvarLocker.ReConfigureAll();
    crashBlock.Configure();
    netProtect.Configure();
    deadvoice.Configure();
    movementHook.ConfigureHook();
    match.ConfigureHooks();
    mapEntityEditor.ConfigureHook();
    defuseFix.Configure();
    antiAntiFlash.Configure();
    cvarScanner.Reset();
    ConfigureSvTags();
}

// Each feature removes its hooks; nobody is kicked.
void Travik::OnDeactivated() {
    deadvoice.Configure();
    movementHook.ConfigureHook();
    netProtect.Configure();
    crashBlock.Configure();
    match.ConfigureHooks();
    mapEntityEditor.ConfigureHook();
    defuseFix.Configure();
    antiAntiFlash.Configure();
    cvarScanner.Reset();
    readyUp.Complete(false);
    ConfigureSvTags();
    cvarLocker.ReConfigureAll();
}

void Travik::WarnAllPlayersTravikInactive() {
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = nullptr;
        if (GetRealPlayerInfo(index, &edict)) {
            g_host.engine->ClientPrintf(edict,
                                        "\n*\n* [Travik] Warning: Travik is installed on this "
                                        "server, but is currently NOT Active!\n*\n\n");
        }
    }
}

void Travik::ExecTravikConfig() {
    if (g_host.engine) {
        g_host.engine->ServerCommand("exec travik.cfg\n");
    }
}

void Travik::ConfigureServerCvars() {
    InstallServerCvarCallbacks();
    static const char* const hidden[] = {
        "coop",
        "deathmatch",
        "mp_teamlist",
        "mp_allowNPCs",
        "r_AirboatViewDampenDamp",
        "r_AirboatViewDampenFreq",
        "r_AirboatViewZHeight",
        "r_JeepViewDampenDamp",
        "r_JeepViewDampenFreq",
        "r_JeepViewZHeight",
        "r_VehicleViewDampen",
        "tf_arena_max_streak",
        "tf_arena_preround_time",
        "tf_arena_round_time",
        "tf_arena_usequeue",
    };
    static const char* const notify[] = {
        "sv_consistency", "tv_delay",      "host_framerate",   "mp_buytime",
        "mp_forcecamera", "mp_startmoney", "sv_minrate",       "sv_maxrate",
        "sv_mincmdrate",  "sv_maxcmdrate", "sv_minupdaterate", "sv_maxupdaterate",
    };
    for (const char* name : hidden) {
        RememberFlags(name);
        makeCvarHidden(name);
    }
    for (const char* name : notify) {
        RememberFlags(name);
        makeCvarNotify(name);
    }
}

void Travik::RememberFlags(const char* name) {
    if (ConVar* var = FindHostVar(name)) {
        g_adjustedFlags.Remember(var);
    }
}

void Travik::RestoreServerCvarFlags() {
    g_adjustedFlags.RestoreAll();
}

void Travik::ForgetServerCvarFlags() {
    g_adjustedFlags.Forget();
}

void Travik::InstallServerCvarCallbacks() {
    // sv_cheats is replicated: its slot is shared with the other parts that
    // watch it.
    replicatedConvarManager.InstallPriorityChangeCallback(g_serverCvars.sv_cheats,
                                                          onSvCheatsChange);
    g_svLanCallback.Take(g_serverCvars.sv_lan, onSvLANChange);
}

void Travik::ReleaseServerCvarCallbacks() {
    g_svLanCallback.Release();
}

void Travik::makeCvarHidden(const char* name) {
    if (ConVar* var = FindHostVar(name)) {
        var->RemoveFlags(FCVAR_REPLICATED | FCVAR_NOTIFY | FCVAR_SPONLY);
    }
}

void Travik::makeCvarNotify(const char* name) {
    if (ConVar* var = FindHostVar(name)) {
        var->AddFlags(FCVAR_NOTIFY);
    }
}

ConCommand* Travik::GetConCommand(const char* name) {
    return HostCommands::Find(name);
}

void Travik::onTKVersionChange(IConVar*, const char*, float) {
    HoldValue(tk_version, TRAVIK_VERSION);
}

void Travik::onTKActiveChange(IConVar*, const char*, float) {
    if (g_travik.active == tk_active.GetBool()) {
        return;
    }
    tkLog(false, "tk_active changed now \"%s\"\n", tk_active.GetString());
    g_travik.SetActive(tk_active.GetBool());
}

// tk_status is read-only: it always shows the current state, or 0 while inactive.
void Travik::onTKStatusChange(IConVar*, const char*, float) {
    HoldNumber(tk_status, g_travik.active ? currentState : STATE_OFF);
}

// Only a change of the mode counts, not of its text: "0.0" or "" after "0"
// leaves war mode off and must not remove anybody.
void Travik::onTKWarModeChange(IConVar*, const char*, float) {
    const bool warMode = tk_warmode.GetBool();
    const bool changed = warMode != g_travik.warMode;
    g_travik.warMode = warMode;
    if (!g_travik.active || !changed) {
        return;
    }
    Messaging::SendAllMessage("\x03Travik:\x04 War Mode changed, Removing all players\n");
    tkLog(false, "Travik: tk_warmode changed, Removing all players\n");
    g_travik.KickAllPlayers("tk_warmode changed, retry your connection to the server", true);
    if (!tk_warmode.GetBool()) {
        g_travik.readyUp.Complete(false);
        g_travik.svTagsAccessor.RemoveTag("tk_warmode");
    } else {
        g_travik.svTagsAccessor.AddTag("tk_warmode");
    }
    g_travik.cvarLocker.ReConfigureAll();
}

// Turning cheats off must not leave players who joined with them on.
void Travik::onSvCheatsChange(IConVar*, const char*, float oldFloat) {
    ConVar* svCheats = g_serverCvars.sv_cheats;
    if (!g_travik.active || !svCheats || svCheats->GetFloat() == oldFloat || svCheats->GetBool()) {
        return;
    }
    Messaging::SendAllMessage(
        "\x03Travik:\x04 sv_cheats changed - now Disabled, Removing all players\n");
    tkLog(false, "Travik: sv_cheats 1->0, Removing all players\n");
    g_travik.KickAllPlayers("sv_cheats is now disabled, retry your connection to the server", true);
    g_host.engine->ServerCommand("sv_showimpacts 0\n");
}

// A LAN server narrows the interpolation ratio lock.
void Travik::onSvLANChange(IConVar*, const char*, float oldFloat) {
    ConVar* svLan = g_serverCvars.sv_lan;
    if (!g_travik.active || !svLan || svLan->GetFloat() == oldFloat) {
        return;
    }
    g_travik.cvarLocker.ReConfigureAll();
}

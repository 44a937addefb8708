#include "protection/ConCommandHooks.h"

#include <icvar.h>
#include <strings.h>
#include <tier0/dbg.h>

#include <cstring>

#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/svtagsaccessor.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"

CAliasHook con_AliasHook;
CPureHook con_PureHook;
CEntCreateHook con_EntCreateHook;
CEntFireHook con_EntFireHook;

namespace {

// Tested in this order.
const char* const kForbiddenAliases[] = {
    "kickid",
    "banid",
    "writeid",
    "changelevel",
    "log",
    "map",
    "exec",
    "sv_allow_wait_command",
    "sv_allow_color_correction",
    "sv_allow_voice_from_file",
    "sv_cheats",
    "sv_pure",
    "sv_pure_kick_clients",
    "mp_restartgame",
    "mp_startmoney",
    "phys_timescale",
    "sv_consistency",
    "sv_client_predict",
    "sv_client_cmdrate_difference",
    "sv_client_min_interp_ratio",
    "sv_client_max_interp_ratio",
    "sv_minrate",
    "sv_maxrate",
    "sv_mincmdrate",
    "sv_maxcmdrate",
    "sv_minupdaterate",
    "sv_nostats",
    "sv_nonemesis",
    "sv_nomvp",
    "sv_disablefreezecam",
    "mp_round_restart_delay",
    "status",
    "password",
    "rcon_password",
    "sv_password",
    "tv_delay",
    "tv_enable",
    "tv_record",
    "tv_stoprecord",
    "tv_password",
    "quit",
};

// Entities that run commands or fire on their own.
const char* const kForbiddenEntities[] = {"point_servercommand", "point_clientcommand",
                                          "logic_timer"};

// As the game's own commands: a client's line reaches a command only when it
// belongs to the game library.
constexpr int kEntityCommandFlags = FCVAR_GAMEDLL | FCVAR_CHEAT;

bool IsFromClient() {
    return travik::GetCommandIndex() >= 0;
}

}  // namespace

bool IsForbiddenAlias(const char* name) {
    if (strncasecmp(name, "tk_", 3) == 0) {
        return true;
    }
    for (const char* forbidden : kForbiddenAliases) {
        if (strcasecmp(name, forbidden) == 0) {
            return true;
        }
    }
    return false;
}

void ConCommandHook::Init() {
    target = HostCommands::Find(GetName(), this);
    if (target) {
        Msg("[Travik] Hooked Server ConCommand '%s'\n", GetName());
    } else {
        tkLog(true, "[Travik] WARNING: Could not hook Server ConCommand '%s'\n", GetName());
    }
    ConCommand::Init();
}

// Without the host's command there is nothing to run: the call is dropped.
void ConCommandHook::Dispatch(const CCommand& args) {
    if (target && Allow(args)) {
        target->Dispatch(args);
    }
}

CAliasHook::CAliasHook() : ConCommandHook("alias", "Alias a command. [Travik]", 0) {}

bool CAliasHook::Allow(const CCommand& args) {
    if (args.ArgC() < 2 || !IsForbiddenAlias(args.Arg(1))) {
        return true;
    }
    Msg("[Travik] Secure warning: Alias could not be applied\n");
    return false;
}

CPureHook::CPureHook() : ConCommandHook("sv_pure", "Show user data. [Travik]", 0) {}

// The host takes the first argument and ignores any after it, so a call
// with extra words is judged by that argument too: "sv_pure 0 x" must not
// pass the block.
bool CPureHook::Allow(const CCommand& args) {
    if (args.ArgC() < 2) {
        return true;
    }
    const char* requested = args.Arg(1);
    const int current = travik::GetPure();
    const bool active = travik::IsActive();
    int level = current;
    if (std::strcmp(requested, "0") == 0 && current != 0) {
        if (active) {
            Msg("[Travik] sv_pure change blocked as Travik is active!\n");
            return false;
        }
        level = 0;
    } else if (std::strcmp(requested, "1") == 0 && current != 1) {
        if (active && travik::IsWarMode()) {
            Msg("[Travik] sv_pure 1 is not available whilst tk_warmode 1!\n");
            return false;
        }
        level = 1;
    } else if (std::strcmp(requested, "2") == 0 && current != 2) {
        level = 2;
    }
    if (level != current) {
        travik::SetPure(level);
        if (active) {
            OnPureChanged(level);
        }
    }
    return true;
}

// Players connected under the old level are removed so that all of them
// are checked against the new one.
void CPureHook::OnPureChanged(int level) {
    SvTagsAccessor* tags = travik::getSvTagsAccessor();
    if (level == 1) {
        tags->RemoveTag("sv_pure2");
        tags->AddTag("sv_pure1");
    } else if (level == 2) {
        tags->RemoveTag("sv_pure1");
        tags->AddTag("sv_pure2");
    }
    Messaging::SendAllMessage("\x03Travik:\x04 sv_pure changed, Removing all players\n");
    tkLog(false, "Travik: sv_pure change, Removing all players\n");
    travik::KickAllPlayers("sv_pure changed, retry your connection to the server", true);
}

CEntCreateHook::CEntCreateHook()
    : ConCommandHook("ent_create",
                     "Creates an entity of the given type where the player is looking. (Travik)",
                     kEntityCommandFlags) {}

// The server console may still create these entities.
bool CEntCreateHook::Allow(const CCommand& args) {
    if (!travik::IsActive() || !IsFromClient() || args.ArgC() < 2) {
        return true;
    }
    for (const char* entity : kForbiddenEntities) {
        if (HostCommands::IsNamed(args.Arg(1), entity)) {
            return false;
        }
    }
    return true;
}

CEntFireHook::CEntFireHook()
    : ConCommandHook("ent_fire", "Usage:\nent_fire <target> [action] [value] [delay] (Travik)",
                     kEntityCommandFlags) {}

bool CEntFireHook::Allow(const CCommand&) {
    return !travik::IsActive() || !IsFromClient();
}

// What the plug-in says about the server: validation, configuration
// warnings and notices, the status block, the welcome text, its menus and
// the server tags.
#include <edict.h>
#include <eiface.h>
#include <icvar.h>
#include <tier0/icommandline.h>
#include <tier1/convar.h>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/PlayerSlots.h"
#include "core/travik_plugin.h"
#include "messaging/Messaging.h"

namespace {

constexpr int kSupportedTickRate = 66;
// A SourceTV delay below this lets spectators help a team.
constexpr float kShortestTvDelay = 30.0f;
// How a setting shows when the host has no such variable. A host without
// tv_delay has no SourceTV to delay: it shows so and raises no notice.
constexpr const char* kMissingSetting = "N/A";

const char* const kCrossLine = "==============================================================\n";

void Print(edict_t* edict, const char* text) {
    if (g_host.engine) {
        g_host.engine->ClientPrintf(edict, text);
    }
}

const char* Setting(const ConVar* var) {
    return var ? var->GetString() : kMissingSetting;
}

// A setting of another feature, found by name so that the block does not
// depend on which features are built in.
const char* FeatureSetting(const char* name) {
    return Setting(g_host.cvar ? g_host.cvar->FindVar(name) : nullptr);
}

bool IsLan() {
    return IsOn(g_serverCvars.sv_lan);
}

bool TvDelayTooShort() {
    const ConVar* delay = g_serverCvars.tv_delay;
    return !IsLan() && delay && delay->GetFloat() < kShortestTvDelay;
}

const char* StatusText(int state) {
    switch (state) {
        case STATE_OK:
            return "Ok";
        case STATE_UPDATE_FOUND:
            return "An update to the current version has been found but has yet to be downloaded";
        case STATE_DOWNLOADING:
            return "Downloading update";
        case STATE_UPDATE_READY:
            return "An update to the current version has been downloaded and will be applied at "
                   "server restart";
        case STATE_MODULE_UNREADABLE:
            return "Plugin module could not be read to verify its integrity";
        case STATE_MODULE_MODIFIED:
            return "Plugin module has been modified";
        case STATE_NO_CONTACT:
            return "Plugin could not contact the Travik site";
        case STATE_SERVER_MODIFIED:
            return "Server has been modified in a manner which may affect competitive play";
        default:
            return "Error";
    }
}

}  // namespace

int TicksPerSecond(float interval) {
    return interval > 0.0f ? static_cast<int>(1.0f / interval) : 0;
}

// At load only the tick rate the game library announced is known; at a level
// start the engine's own interval must agree.
bool Travik::ValidateServer(bool onLoad) {
    if (tickRate != kSupportedTickRate) {
        return false;
    }
    if (onLoad) {
        return true;
    }
    return g_host.gameDll && g_host.globals &&
           TicksPerSecond(g_host.gameDll->GetTickInterval()) == kSupportedTickRate &&
           TicksPerSecond(g_host.globals->interval_per_tick) == kSupportedTickRate;
}

bool Travik::IsSecureServer() {
    const ICommandLine* commandLine = CommandLine_Tier0();
    return !commandLine || !commandLine->CheckParm("-insecure");
}

bool Travik::DoWarningsExist(bool critical) {
    if (critical) {
        return IsOn(g_serverCvars.sv_cheats) || !IsOn(g_serverCvars.sv_consistency) ||
               (pure != 1 && pure != 2) || currentState == STATE_MODULE_MODIFIED ||
               currentState == STATE_SERVER_MODIFIED || (!IsSecureServer() && !IsLan());
    }
    return pure == 1 || currentState == STATE_MODULE_UNREADABLE || TvDelayTooShort();
}

void Travik::PrintWarningsToConsole(edict_t* edict) {
    const bool critical = DoWarningsExist(true);
    const bool notices = DoWarningsExist(false);
    if (!critical && !notices) {
        Print(edict, "[Travik] No issues identified\n");
        return;
    }
    if (critical) {
        PrintCriticalWarnings(edict);
    }
    if (critical && notices) {
        Print(edict, " \n");
    }
    if (notices) {
        PrintNotices(edict);
    }
}

void Travik::PrintCriticalWarnings(edict_t* edict) {
    Print(edict, "Critical Warnings:\n");
    if (IsOn(g_serverCvars.sv_cheats)) {
        Print(edict, "-sv_cheats is active\n");
    }
    if (!IsOn(g_serverCvars.sv_consistency)) {
        Print(edict, "-sv_consistency is disabled\n");
    }
    if (pure != 1 && pure != 2) {
        Print(edict, "-sv_pure is disabled\n");
    }
    if (currentState == STATE_MODULE_MODIFIED) {
        Print(edict, "-The Travik module has been modified and can not be trusted\n");
    } else if (currentState == STATE_SERVER_MODIFIED) {
        Print(edict, "-The server has been modified in a way which may affect competitive play\n");
    }
    if (!IsSecureServer() && !IsLan()) {
        Print(edict, "-VAC has been disabled\n");
    }
}

void Travik::PrintNotices(edict_t* edict) {
    Print(edict, "Notices (Non-Critical Issues):\n");
    if (TvDelayTooShort()) {
        Print(edict, "-The Source TV delay is very small\n");
    }
    if (pure == 1) {
        Print(edict,
              "-sv_pure set to 1, the server is following a white-list (use command \"sv_pure\" "
              "to view)\n");
    }
    if (currentState == STATE_MODULE_UNREADABLE) {
        Print(edict, "-The Travik module could not be read, its integrity can not be verified\n");
    } else if (currentState == STATE_NO_CONTACT) {
        Print(edict,
              "-Plugin is unable to contact the Travik website! Consistency can not be "
              "verified!\n");
    }
}

void Travik::ShowWarningsMessage(edict_t* edict) {
    if (DoWarningsExist(true)) {
        Messaging::SendSingleMessage(
            edict, "\x03WARNING: Travik reported a critical issue! [\x01tk_warnings\x03]\n");
    } else if (DoWarningsExist(false)) {
        Messaging::SendSingleMessage(
            edict, "Notice: Protections may be weakened \x03 [\x01tk_warnings\x03]\n");
    } else {
        return;
    }
    Print(edict, "\n[Travik] tk_warnings output:\n");
    PrintWarningsToConsole(edict);
    Print(edict, " \n");
    FixedBuffer<256> text;
    text.Format(
        "->1.This server is protected by:\nTravik Server Plugin [%s]\n \n->2.Configuration issues "
        "identified\nReview \"tk_warnings\"\n \n->3.Console Commands:\ntk_warnings (Show Warning "
        "Information)\ntk_netinfo (View Rates)\n",
        TRAVIK_VERSION);
    Messaging::SendSingleMenu(edict, 10, text.c_str());
}

void Travik::showAllRemovalMenu(bool unloaded) {
    Messaging::SendAllMenu(6, unloaded ? "[Travik] Has been disabled (unloaded)\n"
                                       : "[Travik] Has been disabled (tk_active 0)\n");
}

void Travik::DisplayServerStatus(edict_t* edict) {
    const ServerCvars& s = g_serverCvars;
    FixedBuffer<1024> block;
    Print(edict,
          block.Format("\nTravik WarMode: %s", tk_warmode.GetBool() ? "ENABLED\n" : "DISABLED\n"));
    Print(edict, block.Format("\nTravik Status (%d): %s\n", static_cast<int>(currentState),
                              StatusText(currentState)));
    Print(edict,
          block.Format("\nImportant Server Cvars:\n sv_cheats: %s\n sv_pure: %i\n "
                       "sv_consistency: %s\n tv_delay: %s\n",
                       Setting(s.sv_cheats), pure, Setting(s.sv_consistency), Setting(s.tv_delay)));
    Print(edict, block.Format("\nServer Net Settings:\n sv_minrate %s \t sv_maxrate %s\n "
                              "sv_mincmdrate %s \t sv_maxcmdrate %s\n sv_minupdaterate %s \t "
                              "sv_maxupdaterate %s\n",
                              Setting(s.sv_minrate), Setting(s.sv_maxrate),
                              Setting(s.sv_mincmdrate), Setting(s.sv_maxcmdrate),
                              Setting(s.sv_minupdaterate), Setting(s.sv_maxupdaterate)));
    const ConVar* matchConfig = g_host.cvar ? g_host.cvar->FindVar("tk_matchconfig") : nullptr;
    const std::string matchText =
        std::string("tk_matchconfig: ") +
        (matchConfig && *matchConfig->GetString() ? matchConfig->GetString() : "NONE");
    Print(edict, block.Format(
                     "\nTravik Settings:\n tk_readyup_max: %s / tk_startmoney: %s / "
                     "tk_allowcashcalling: %s / tk_antispeedhack: %s / tk_deadvoice: %s / "
                     "tk_removals: %s / tk_beta_tagging: %s / tk_beta_illegaldefusefix: %s / "
                     "tk_beta_antiflash: %s / %s\n",
                     FeatureSetting("tk_readyup_max"), FeatureSetting("tk_startmoney"),
                     FeatureSetting("tk_allowcashcalling"), FeatureSetting("tk_antispeedhack"),
                     FeatureSetting("tk_deadvoice"), FeatureSetting("tk_removals"),
                     FeatureSetting("tk_beta_tagging"), FeatureSetting("tk_beta_illegaldefusefix"),
                     FeatureSetting("tk_beta_antiflash"), matchText.c_str()));
    const TKAuthHost* host = authManager.GetCurrentAuthHost();
    if (!host) {
        Print(edict, " tk_authhost: NONE\n");
        return;
    }
    Print(edict, block.Format(" tk_authhost: \"%s\" (%s)\n", host->GetAuthAliasOrURL().c_str(),
                              host->HasAlias() ? "Known" : "UNKNOWN"));
}

void Travik::DisplayConsoleWelcomeMessage(edict_t* edict) {
    FixedBuffer<1024> text;
    Print(edict, text.Format("\n%sThis server is protected by Travik %s Server Plugin\n\n"
                             "Recognised Console Commands: 'tk_status' / 'tk_netinfo' / "
                             "'tk_players' / 'tk_warnings'%s\n\nServer Tickrate: %i\n",
                             kCrossLine, TRAVIK_VERSION, " / 'tk_teamcash'", tickRate));
    DisplayServerStatus(edict);
    Print(edict, text.Format("%s\n", kCrossLine));
}

void Travik::SayConVar(edict_t* edict, const ConVar* var) {
    if (!var) {
        return;
    }
    FixedBuffer<128> line;
    Messaging::SendSingleMessage(edict,
                                 line.Format("%s \"%s\"\n", var->GetName(), var->GetString()));
}

void Travik::SayTkSettings(edict_t* edict) {
    Messaging::SendSingleMessage(edict, "Travik settings:\n");
    for (const char* name :
         {"tk_status", "tk_startmoney", "tk_allowcashcalling", "tk_antispeedhack", "tk_deadvoice",
          "tk_beta_tagging", "tk_beta_illegaldefusefix"}) {
        SayConVar(edict, g_host.cvar ? g_host.cvar->FindVar(name) : nullptr);
    }
    FixedBuffer<128> line;
    Messaging::SendSingleMessage(edict, line.Format("sv_pure \"%i\"\n", pure));
}

void Travik::ConfigureSvTags() {
    if (!active) {
        for (const char* tag : {"travik", "tk_warmode", "sv_pure1", "sv_pure2"}) {
            svTagsAccessor.RemoveTag(tag);
        }
        return;
    }
    svTagsAccessor.AddTag("travik");
    if (tk_warmode.GetBool()) {
        svTagsAccessor.AddTag("tk_warmode");
    }
    if (pure == 1) {
        svTagsAccessor.AddTag("sv_pure1");
    } else if (pure == 2) {
        svTagsAccessor.AddTag("sv_pure2");
    }
}

#include "match/TKMatch.h"

#include "core/BuildPlatform.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <shareddefs.h>
#include <tier0/dbg.h>

#include <cctype>
#include <ctime>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/travik_services.h"
#include "enforcement/KickBanQueue.h"
#include "match/MatchCommandGate.h"
#include "messaging/Messaging.h"
#include "support/TrimSteamID.h"

namespace {

constexpr const char* kDefaultKickReason = "Your team have been kicked from the server";
constexpr const char* kBlank = " \n";
constexpr int kBlankLines = 8;

// The reason of a team kick command, or null after its usage line.
const char* KickReason(const CCommand& args, const char* usage) {
    if (args.ArgC() == 1) {
        return kDefaultKickReason;
    }
    if (args.ArgC() == 2) {
        return args.Arg(1);
    }
    Msg("%s", usage);
    return nullptr;
}

void KickTeamCommand(const CCommand& args, int team, const char* usage) {
    if (const char* reason = KickReason(args, usage)) {
        travik::getMatch()->KickTeam(team, reason);
    }
}

void KickT(const CCommand& args) {
    KickTeamCommand(args, TEAM_TERRORIST, "tk_kickt format: tk_kickt <REASON>\n");
}

void KickCT(const CCommand& args) {
    KickTeamCommand(args, TEAM_CT, "tk_kickct format: tk_kickct <REASON>\n");
}

void KickSpec(const CCommand& args) {
    KickTeamCommand(args, TEAM_SPECTATOR, "tk_kickspec format: tk_kickspec <REASON>\n");
}

void RecordDemo(const CCommand&) {
    travik::getMatch()->Record();
}

void StopRecordDemo(const CCommand&) {
    travik::getMatch()->StopRecord();
}

// The walk of the team kicks: players and bots, never SourceTV.
bool IsKickable(IPlayerInfo* info) {
    return info && info->IsPlayer() && !info->IsHLTV();
}

bool IsOnKickedTeam(int playerTeam, int team) {
    if (team == TEAM_SPECTATOR) {
        return playerTeam == TEAM_SPECTATOR || playerTeam == TEAM_UNASSIGNED;
    }
    return playerTeam == team;
}

// A chat line to SourceTV alone, or to everybody without it.
void Say(edict_t* sourceTV, const char* text) {
    if (sourceTV) {
        Messaging::SendSingleMessage(sourceTV, text);
    } else {
        Messaging::SendAllMessage(text);
    }
}

void SayBlankLines(edict_t* sourceTV) {
    for (int i = 0; i < kBlankLines; ++i) {
        Say(sourceTV, kBlank);
    }
}

}  // namespace

ConCommand tk_kickt("tk_kickt", KickT, "Kick all terrorist team players");
ConCommand tk_kickct("tk_kickct", KickCT, "Kick all counter-terrorist team players");
ConCommand tk_kickspec("tk_kickspec", KickSpec, "Kick all spectating players");
ConCommand tk_record("tk_record", RecordDemo, "Records a SourceTV demo named MAPNAME_YYMMDD_HHMM");
ConCommand tk_stoprecord("tk_stoprecord", StopRecordDemo, "Calls tv_stoprecord");

bool TKMatch::Init() {
    recordCommand = HostCommands::Find("tv_record");
    pauseCommand = HostCommands::Find("pause");
    // A player's "setpause" starts a pause as "pause" does: unguarded, it
    // would pause a live round.
    setPauseCommand = HostCommands::Find("setpause");
    return recordCommand && pauseCommand;
}

bool TKMatch::ConfigureHooks() {
    const bool wanted = travik::IsActive();
    if (wanted == hooked) {
        return false;
    }
    if (wanted) {
        recordHook.Install(recordCommand);
        Msg("[Travik] Hooked Server ConCommand \"tv_record\"\n");
        pauseHook.Install(pauseCommand);
        Msg("[Travik] Hooked Server ConCommand \"pause\"\n");
        if (setPauseCommand) {
            setPauseHook.Install(setPauseCommand);
            Msg("[Travik] Hooked Server ConCommand \"setpause\"\n");
        }
    } else {
        recordHook.Remove();
        Msg("[Travik] Unhooked Server ConCommand \"tv_record\"\n");
        pauseHook.Remove();
        Msg("[Travik] Unhooked Server ConCommand \"pause\"\n");
        if (setPauseCommand) {
            setPauseHook.Remove();
            Msg("[Travik] Unhooked Server ConCommand \"setpause\"\n");
        }
    }
    hooked = wanted;
    return true;
}

void TKMatch::Unload() {
    recordHook.Remove();
    pauseHook.Remove();
    setPauseHook.Remove();
    hooked = false;
}

void TKMatch::KickTeam(int team, const char* reason) {
    if (!MatchCommandsAllowed() || !g_host.engine) {
        return;
    }
    KickBanQueue* queue = travik::getKickBanQueue();
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = g_host.engine->PEntityOfEntIndex(index);
        IPlayerInfo* info = PlayerInfoOf(edict);
        if (IsKickable(info) && IsOnKickedTeam(info->GetTeamIndex(), team)) {
            queue->Kick(edict, reason);
        }
    }
    queue->ActionAll();
}

std::string TKMatch::DemoName(const char* map, int year, int month, int day, int hour, int minute) {
    std::string safeMap = map ? map : "";
    for (char& c : safeMap) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (!std::isalnum(byte) && c != '_' && c != '-') {
            c = '_';
        }
    }
    FixedBuffer<256> name;
    return name.Format("%s_%02i%02i%02i_%02i%02i", safeMap.c_str(), year % 100, month, day, hour,
                       minute);
}

void TKMatch::Record() {
    if (!PlayerIdentity::getSourceTV()) {
        Msg("[Travik] SourceTV is not connected, use \"tv_enable 1\" then changelevel to "
            "activate\n");
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    if (now == static_cast<std::time_t>(-1) || !BuildPlatform::LocalTime(now, local) ||
        !g_host.globals) {
        Msg("[Travik] An error occurred whilst attempting to record SourceTV demo\n");
        return;
    }
    const std::string name = DemoName(STRING(g_host.globals->mapname), local.tm_year,
                                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    StopRecord();
    FixedBuffer<256> line;
    RunHostCommand(recordCommand, line.Format("tv_record %s", name.c_str()));
    Msg("[Travik] Recording demo to: \"%s\"\n", name.c_str());
}

void TKMatch::StopRecord() {
    RunHostCommand(HostCommands::Find("tv_stoprecord"), "tv_stoprecord");
}

// The host's command object is called directly rather than through its
// command buffer: executing the buffer from inside a console command would
// also run the rest of the console line (a plugin_unload that takes this
// module away included) before this command returns.
void TKMatch::RunHostCommand(ConCommand* command, const char* line) {
    if (!command || !HostCommands::IsRegistered(command)) {
        return;
    }
    CCommand args;
    if (args.Tokenize(line)) {
        command->Dispatch(args);
    }
}

void TKMatch::OnTvRecordDispatchHook(DispatchHook::Call&, const CCommand&) {
    if (travik::IsActive() && travik::IsWarMode()) {
        PrintSteamIDs(true);
    }
}

// In war mode a pause may start only while nobody plays: in freeze time or
// after the round has ended. The same for "pause" and "setpause".
void TKMatch::OnPauseDispatchHook(DispatchHook::Call& call, const CCommand&) {
    if (travik::IsActive() && travik::IsWarMode() && IsOn(g_serverCvars.sv_pausable) &&
        !travik::IsFreezeTime() && !travik::IsRoundEnd()) {
        call.supersede();
    }
}

void TKMatch::PrintSteamIDs(bool toSourceTV) {
    if (!g_host.engine) {
        return;
    }
    edict_t* sourceTV = nullptr;
    if (toSourceTV) {
        sourceTV = PlayerIdentity::getSourceTV();
        if (!sourceTV) {
            return;
        }
        SayBlankLines(sourceTV);
        Say(sourceTV, "Travik Server Plugin [4.6Beta]");
        Say(sourceTV, "\n");
        travik::SayTkSettings(sourceTV);
    }
    bool listed = false;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = nullptr;
        if (!GetRealPlayerInfo(index, &edict)) {
            continue;
        }
        if (!listed) {
            if (toSourceTV) {
                Say(sourceTV, "\n \nPlayer Steam IDs:\n");
            } else {
                SayBlankLines(nullptr);
                Say(nullptr, "Player Steam IDs:\n");
            }
            listed = true;
        }
        const char* networkId = g_host.engine->GetPlayerNetworkIDString(edict);
        std::string id = networkId ? networkId : "";
        TrimSteamID(id);
        FixedBuffer<128> line;
        Say(sourceTV,
            line.Format("%s - %s\n", PlayerIdentity::ChatName(edict).c_str(), id.c_str()));
    }
    SayBlankLines(sourceTV);
}

int TKMatch::GetNumActualPlayersOnTeam(int team) {
    return PlayerIdentity::GetNumActualPlayersOnTeam(team);
}

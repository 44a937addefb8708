#include "match/ReadyUp.h"

#include <edict.h>
#include <eiface.h>
#include <igameevents.h>
#include <iplayerinfo.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <algorithm>
#include <cstring>

#include "core/FixedBuffer.h"
#include "core/GameClock.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/MRecipientFilter.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/travik_services.h"
#include "match/MatchCommandGate.h"
#include "match/OnThreeSystem.h"
#include "messaging/Messaging.h"
#include "support/TrimSteamID.h"

const char* const TEAM1_DEF = "Team 1";
const char* const TEAM2_DEF = "Team 2";
const char* const TEAM1_CSS = "T Team";
const char* const TEAM2_CSS = "CT Team";

ConVar tk_readyup_max("tk_readyup_max", "10", 0,
                      "The number of players which must be ready to complete ready-up (Note: All "
                      "players on both teams must still be ready)",
                      true, 1.0f, false, 0.0f, ReadyUp::OnReadyUpMaxChange);

CON_COMMAND(tk_readyup, "Starts/Ends Ready-Up Mode") {
    ReadyUp::ReadyUpCommand(args);
}

namespace {

constexpr int kTerrorists = 2;
constexpr int kCounterTerrorists = 3;
// The panel lives this long on the client and is sent again a little
// before it goes, so that it stays on screen without gaps.
constexpr int kPanelTime = 5;
constexpr float kPanelOverlap = 0.5f;
constexpr int kEndingPanelTime = 1;

void Drop(std::vector<edict_t*>& players, const edict_t* player) {
    std::erase(players, player);
}

bool Holds(const std::vector<edict_t*>& players, const edict_t* player) {
    return std::find(players.begin(), players.end(), player) != players.end();
}

// Everybody but SourceTV: the panel is no business of a demo.
void SendPanel(int displayTime, const char* text) {
    MRecipientFilter filter;
    filter.AddAllPlayersNoTV(GetMaxClients());
    Messaging::SendMenu(filter, displayTime, text);
}

void PrintPlayerLine(edict_t* to, edict_t* player) {
    const std::string name = PlayerIdentity::ChatName(player);
    const char* networkId = g_host.engine->GetPlayerNetworkIDString(player);
    char id[64] = {};
    std::strncpy(id, networkId ? networkId : "", sizeof(id) - 1);
    TrimSteamID(id);
    FixedBuffer<512> line;
    g_host.engine->ClientPrintf(to, line.Format("%s - %s\n", name.c_str(), id));
}

}  // namespace

ReadyUp::ReadyUp() : team1Name(TEAM1_DEF), team2Name(TEAM2_DEF) {
    // Room for every slot, so that readying up never allocates.
    for (std::vector<edict_t*>* players :
         {&readyTeam1, &readyTeam2, &team1Players, &team2Players}) {
        players->reserve(kMaxPlayerSlots);
    }
}

void ReadyUp::SetGameDefaultTeamNames() {
    team1Name = TEAM1_CSS;
    team2Name = TEAM2_CSS;
}

void ReadyUp::ReadyUpCommand(const CCommand& args) {
    // Ready-up leads to a live start: out of war mode it says why it
    // refuses, as the live and knives commands do.
    if (!MatchCommandsAllowed()) {
        return;
    }
    ReadyUp* readyUp = travik::getReadyUp();
    const bool running = readyUp->IsReadyUpInProgress();
    if (args.ArgC() == 2 && HostCommands::IsNamed(args.Arg(1), "0")) {
        if (running) {
            readyUp->Complete(true);
        }
    } else if (args.ArgC() == 2 && HostCommands::IsNamed(args.Arg(1), "1")) {
        if (!running) {
            readyUp->Start();
        }
    } else if (running) {
        readyUp->Complete(true);
    } else {
        readyUp->Start();
    }
}

void ReadyUp::Start() {
    Msg("[Travik] Ready-Up Mode Started\n");
    inProgress = true;
    readyTeam1.clear();
    readyTeam2.clear();
    team1Players.clear();
    team2Players.clear();
    RepopulateTeams();
    ShowReadyUpDialog();
}

void ReadyUp::RepopulateTeams() {
    team1Players.clear();
    team2Players.clear();
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = nullptr;
        IPlayerInfo* info = GetRealPlayerInfo(index, &edict);
        if (!info) {
            continue;
        }
        if (std::vector<edict_t*>* players = TeamPlayers(info->GetTeamIndex())) {
            players->push_back(edict);
        }
    }
}

void ReadyUp::ShowReadyUpDialog() {
    FixedBuffer<1024> panel;
    panel.Format(
        "[Travik] Ready-Up\n \nThe match will begin when all players are ready\nSay: "
        "\"!ready\" to confirm you are ready\n\"!unready\" to remove ready status\nConsole "
        "command: tk_readylist to see ready players\n \n%s: %i/%i\n%s: %i/%i",
        team1Name, static_cast<int>(readyTeam1.size()), static_cast<int>(team1Players.size()),
        team2Name, static_cast<int>(readyTeam2.size()), static_cast<int>(team2Players.size()));
    SendPanel(kPanelTime, panel.c_str());
    lastDialogTime = GameClock::Now();
}

void ReadyUp::OnGameFrame() {
    if (inProgress && GameClock::Now() - kPanelTime + kPanelOverlap > lastDialogTime) {
        ShowReadyUpDialog();
    }
}

void ReadyUp::Complete(bool announce) {
    if (!g_host.engine || !inProgress) {
        return;
    }
    readyTeam1.clear();
    readyTeam2.clear();
    team1Players.clear();
    team2Players.clear();
    inProgress = false;
    if (announce) {
        SendPanel(kEndingPanelTime, "[Travik] Ready-Up Ended");
        Msg("[Travik] Ready Mode Ended\n");
    }
}

// A live start from ready-up carries neither the match configuration nor
// the Steam ID list: the players have just shown they are there.
void ReadyUp::CompleteAndGoLive() {
    Complete(true);
    travik::getOnThreeSystem()->Start(true);
}

void ReadyUp::AddReadyPlayer(edict_t* player) {
    if (!inProgress) {
        return;
    }
    RemoveReadyPlayer(player);
    IPlayerInfo* info = PlayerInfoOf(player);
    if (!info || !info->IsPlayer() || info->IsHLTV() || !info->IsConnected()) {
        return;
    }
    std::vector<edict_t*>* ready = ReadyPlayers(info->GetTeamIndex());
    if (!ready) {
        return;
    }
    ready->push_back(player);
    Messaging::SendSingleMessage(player, "\x03[Travik]\x04 You have been marked as ready\n");
    if (IsReady()) {
        CompleteAndGoLive();
    } else {
        ShowReadyUpDialog();
    }
}

void ReadyUp::RemoveReadyPlayer(edict_t* player) {
    if (!inProgress || !IsPlayerReady(player)) {
        return;
    }
    Drop(readyTeam1, player);
    Drop(readyTeam2, player);
    Messaging::SendSingleMessage(player, "\x03[Travik]\x04 You have been marked as not-ready\n");
    ShowReadyUpDialog();
}

void ReadyUp::Event(IGameEvent* event) {
    if (!inProgress || !event) {
        return;
    }
    const int userId = event->GetInt("userid", 0);
    if (userId <= 0) {
        return;
    }
    edict_t* player = PlayerIdentity::GetEntityByUserID(userId);
    IPlayerInfo* info = PlayerInfoOf(player);
    if (info && (!info->IsPlayer() || info->IsFakeClient() || info->IsHLTV())) {
        return;
    }
    if (!HostCommands::IsNamed(event->GetName(), "player_team")) {
        return;
    }
    if (event->GetBool("disconnect", false)) {
        Forget(player);
        if (ShouldEnd()) {
            Complete(false);
            return;
        }
    } else {
        const int oldTeam = event->GetInt("oldteam", 0);
        const int team = event->GetInt("team", 0);
        if (oldTeam != team) {
            Drop(team1Players, player);
            Drop(team2Players, player);
            if (std::vector<edict_t*>* players = TeamPlayers(team)) {
                players->push_back(player);
            }
            RemoveReadyPlayer(player);
        }
    }
    ShowReadyUpDialog();
}

void ReadyUp::OnClientDisconnect(edict_t* player) {
    if (inProgress && player) {
        Forget(player);
    }
}

std::vector<edict_t*>* ReadyUp::TeamPlayers(int team) {
    return team == kTerrorists          ? &team1Players
           : team == kCounterTerrorists ? &team2Players
                                        : nullptr;
}

std::vector<edict_t*>* ReadyUp::ReadyPlayers(int team) {
    return team == kTerrorists ? &readyTeam1 : team == kCounterTerrorists ? &readyTeam2 : nullptr;
}

void ReadyUp::Forget(edict_t* player) {
    Drop(team1Players, player);
    Drop(team2Players, player);
    Drop(readyTeam1, player);
    Drop(readyTeam2, player);
}

void ReadyUp::PrintReadyList(edict_t* player) {
    if (!g_host.engine || !player) {
        return;
    }
    if (!inProgress) {
        g_host.engine->ClientPrintf(player,
                                    "\n[Travik] Unable to display Ready/Not-Ready list whilst "
                                    "Ready-Up Mode not active\n");
        return;
    }
    if (GetNumPlayersReady() > 0) {
        if (tk_readyup_max.GetInt() != 0) {
            FixedBuffer<128> note;
            g_host.engine->ClientPrintf(
                player, note.Format("Note: At least %i players must also be ready to go live "
                                    "(tk_readyup_max)\n",
                                    tk_readyup_max.GetInt()));
        }
        g_host.engine->ClientPrintf(player, "\nPlayers Ready:\n");
        for (int index = 1; index <= GetMaxClients(); ++index) {
            edict_t* edict = nullptr;
            if (GetRealPlayerInfo(index, &edict) && IsPlayerReady(edict)) {
                PrintPlayerLine(player, edict);
            }
        }
    }
    bool headed = false;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = nullptr;
        IPlayerInfo* info = GetRealPlayerInfo(index, &edict);
        const int team = info ? info->GetTeamIndex() : 0;
        if ((team != kTerrorists && team != kCounterTerrorists) || IsPlayerReady(edict)) {
            continue;
        }
        if (!headed) {
            g_host.engine->ClientPrintf(player, "\nPlayers Not-Ready:\n");
            headed = true;
        }
        PrintPlayerLine(player, edict);
    }
}

void ReadyUp::OnMinReadyPlayersChange() {
    if (!inProgress) {
        return;
    }
    if (IsReady()) {
        CompleteAndGoLive();
    } else {
        ShowReadyUpDialog();
    }
}

bool ReadyUp::IsReady() const {
    return GetNumPlayersReady() >= tk_readyup_max.GetInt();
}

int ReadyUp::GetNumPlayersReady() const {
    return static_cast<int>(readyTeam1.size() + readyTeam2.size());
}

int ReadyUp::GetNumTotalPlayers() const {
    return static_cast<int>(team1Players.size() + team2Players.size());
}

bool ReadyUp::IsPlayerReady(edict_t* player) const {
    return Holds(readyTeam1, player) || Holds(readyTeam2, player);
}

void ReadyUp::OnReadyUpMaxChange(IConVar*, const char* oldValue, float) {
    if (oldValue && std::strcmp(tk_readyup_max.GetString(), oldValue) == 0) {
        return;
    }
    travik::getReadyUp()->OnMinReadyPlayersChange();
    FixedBuffer<128> line;
    Messaging::SendAllMessage(line.Format("\x03Travik:\x04 tk_readyup_max changed - now \"%i\"\n",
                                          tk_readyup_max.GetInt()));
}

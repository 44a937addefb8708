#pragma once

#include <tier1/iconvar.h>

#include <vector>

class CCommand;
class ConVar;
class IGameEvent;
struct edict_t;

// The labels of the two playing teams in the ready-up panel.
extern const char* const TEAM1_DEF;
extern const char* const TEAM2_DEF;
extern const char* const TEAM1_CSS;
extern const char* const TEAM2_CSS;

// Ready-up: holds a match until its players declare themselves ready. While
// it runs every player sees a panel with the count of ready players per
// team; "!ready" and "!unready" in chat change a player's state, and once
// tk_readyup_max players are ready the live-on-three sequence starts.
// Players are kept by edict: a slot's edict outlives its player, so every
// way out of the game (team change, departure, level change) drops him.
class ReadyUp {
public:
    ReadyUp();

    // tk_readyup.
    static void ReadyUpCommand(const CCommand& args);

    void Start();
    // Ends the mode; announce shows the ending panel and console line.
    void Complete(bool announce);
    void CompleteAndGoLive();
    bool IsReadyUpInProgress() const { return inProgress; }

    // "!ready" and "!unready" from the player's chat.
    void AddReadyPlayer(edict_t* player);
    void RemoveReadyPlayer(edict_t* player);
    // "player_team": team changes and departures.
    void Event(IGameEvent* event);
    void OnGameFrame();
    // The tk_readylist client command.
    void PrintReadyList(edict_t* player);
    void OnLevelShutdown() { Complete(false); }
    // A leaving client's slot: whoever takes it next starts unready, even
    // when the game told nobody of the departure.
    void OnClientDisconnect(edict_t* player);
    void OnMinReadyPlayersChange();

    bool IsReady() const;
    bool ShouldEnd() const { return GetNumTotalPlayers() < 1; }
    int GetNumPlayersReady() const;
    int GetNumTotalPlayers() const;
    bool IsPlayerReady(edict_t* player) const;

    void RepopulateTeams();
    void ShowReadyUpDialog();
    void SetGameDefaultTeamNames();

    static void OnReadyUpMaxChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    // Leaves the player out of every list.
    void Forget(edict_t* player);
    // The lists of a playing team; null for any other team.
    std::vector<edict_t*>* TeamPlayers(int team);
    std::vector<edict_t*>* ReadyPlayers(int team);

    bool inProgress = false;
    float lastDialogTime = 0.0f;
    const char* team1Name;
    const char* team2Name;
    std::vector<edict_t*> readyTeam1;
    std::vector<edict_t*> readyTeam2;
    std::vector<edict_t*> team1Players;
    std::vector<edict_t*> team2Players;
};

extern ConVar tk_readyup_max;

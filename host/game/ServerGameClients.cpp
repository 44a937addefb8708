#include "game/ServerGameClients.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "game/Game.h"

namespace {

// Client commands the game takes without an answer.
const char* const kQuietCommands[] = {
    "spec_mode", "spec_next", "spec_prev", "spec_player", "vban",    "VModEnable", "ignorerad",
    "buy",       "buymenu",   "drop",      "nightvision", "autobuy", "rebuy"};

bool IsQuiet(const char* command) {
    for (const char* quiet : kQuietCommands)
        if (std::strcmp(quiet, command) == 0)
            return true;
    return false;
}

// jointeam 0 picks the smaller side.
int AutoTeam() {
    int counts[TEAM_CT + 1] = {};
    for (int i = 1; i <= ABSOLUTE_PLAYER_LIMIT; ++i)
        if (const CBasePlayer* player = Game::Get().Player(i))
            ++counts[player->Team()];
    return counts[TEAM_TERRORIST] <= counts[TEAM_CT] ? TEAM_TERRORIST : TEAM_CT;
}

}  // namespace

void ServerGameClients::GetPlayerLimits(int& minPlayers, int& maxPlayers,
                                        int& defaultMaxPlayers) const {
    minPlayers = 1;
    maxPlayers = ABSOLUTE_PLAYER_LIMIT;
    defaultMaxPlayers = 32;
}

bool ServerGameClients::ClientConnect(edict_t*, const char*, const char*, char*, int) {
    return true;
}

void ServerGameClients::ClientActive(edict_t*, bool) {}

void ServerGameClients::ClientDisconnect(edict_t* entity) {
    Game& game = Game::Get();
    CBasePlayer* player = game.PlayerOf(entity);
    if (!player)
        return;
    if (player->Team() != TEAM_UNASSIGNED) {
        const int userId = game.Engine()->GetPlayerUserId(entity);
        const int oldTeam = player->Team();
        game.FireEvent("player_team", [&](IGameEvent& event) {
            event.SetInt("userid", userId);
            event.SetInt("team", TEAM_UNASSIGNED);
            event.SetInt("oldteam", oldTeam);
            event.SetBool("disconnect", true);
            event.SetString("name", player->Name().c_str());
        });
    }
    game.RemovePlayer(entity);
}

void ServerGameClients::ClientPutInServer(edict_t* entity, const char* playerName) {
    Game::Get().CreatePlayer(entity, playerName);
}

void ServerGameClients::ClientCommand(edict_t* entity, const CCommand& args) {
    Game& game = Game::Get();
    CBasePlayer* player = game.PlayerOf(entity);
    const char* command = args[0];
    if (!player || !*command)
        return;
    if (strcasecmp(command, "jointeam") == 0) {
        const int team = std::atoi(args[1]);
        game.ChangeTeam(*player, team == TEAM_UNASSIGNED ? AutoTeam() : team);
    } else if (strcasecmp(command, "kill") == 0) {
        game.SetAlive(*player, false);
    } else if (strcasecmp(command, "menuselect") == 0) {
        game.SetMenuSelection(game.Engine()->IndexOfEdict(entity), std::atoi(args[1]));
    } else if (!IsQuiet(command)) {
        game.PrintToClient(*player, std::string("Unknown command: ") + command + "\n");
    }
}

void ServerGameClients::SetCommandClient(int index) {
    Game::Get().SetCommandClient(index);
}

void ServerGameClients::ClientSettingsChanged(edict_t* edict) {
    Game& game = Game::Get();
    CBasePlayer* player = game.PlayerOf(edict);
    const char* name =
        player ? game.Engine()->GetClientConVarValue(game.Engine()->IndexOfEdict(edict), "name")
               : nullptr;
    if (name && *name)
        player->SetName(name);
}

void ServerGameClients::ClientEarPosition(edict_t*, Vector* earOrigin) {
    if (earOrigin)
        *earOrigin = Vector();
}

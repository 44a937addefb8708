#include "game/ServerGameClients.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "game/Game.h"

namespace {

// Client commands the game takes without an answer.
const char* const kQuietCommands[] = {"spec_player", "ignorerad", "buymenu", "drop",
                                      "nightvision", "autobuy",   "rebuy"};

bool IsQuiet(const char* command) {
    for (const char* quiet : kQuietCommands)
        if (std::strcmp(quiet, command) == 0)
            return true;
    return false;
}

// jointeam 0 picks the smaller side.
int AutoTeam() {
    int counts[TEAM_CT + 1] = {};
    for (const CCSPlayer* player : Game::Get().Rules()->Players())
        if (player->GetTeamNumber() >= 0 && player->GetTeamNumber() <= TEAM_CT)
            ++counts[player->GetTeamNumber()];
    return counts[TEAM_TERRORIST] <= counts[TEAM_CT] ? TEAM_TERRORIST : TEAM_CT;
}

// The client's interpolation setting, as the player entity keeps it.
void TakeSettings(CCSPlayer& player, edict_t* edict) {
    IVEngineServer* engine = Game::Get().Engine();
    const int index = engine->IndexOfEdict(edict);
    const char* name = engine->GetClientConVarValue(index, "name");
    const char* id = engine->GetPlayerNetworkIDString(edict);
    if (name && *name)
        player.SetIdentity(engine->GetPlayerUserId(edict), name, id ? id : "");
    const char* interp = engine->GetClientConVarValue(index, "cl_interp");
    player.SetLerpTimeFromInterp(interp ? interp : "");
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
    Game::Get().ClientDisconnect(entity);
}

void ServerGameClients::ClientPutInServer(edict_t* entity, const char* playerName) {
    Game& game = Game::Get();
    game.ClientPutInServer(entity, playerName);
    if (CCSPlayer* player = game.PlayerOf(entity))
        TakeSettings(*player, entity);
}

void ServerGameClients::ClientCommand(edict_t* entity, const CCommand& args) {
    Game& game = Game::Get();
    CCSPlayer* player = game.PlayerOf(entity);
    const char* command = args[0];
    if (!player || !*command)
        return;
    if (strcasecmp(command, "jointeam") == 0) {
        const int team = std::atoi(args[1]);
        const bool autoTeam = team == TEAM_UNASSIGNED;
        game.Rules()->JoinTeam(player, autoTeam ? AutoTeam() : team, autoTeam);
    } else if (strcasecmp(command, "kill") == 0) {
        game.Rules()->Kill(player, nullptr, "world", false);
    } else if (strcasecmp(command, "spec_mode") == 0) {
        game.Rules()->SpecMode(player, args.ArgC() >= 2 ? args[1] : nullptr);
    } else if (strcasecmp(command, "spec_next") == 0 || strcasecmp(command, "spec_prev") == 0) {
        game.Rules()->SpecNext(player, strcasecmp(command, "spec_prev") == 0);
    } else if (strcasecmp(command, "VModEnable") == 0) {
        game.VoiceModEnable(*player, args);
    } else if (strcasecmp(command, "vban") == 0) {
        game.VoiceBan(*player, args);
    } else if (strcasecmp(command, "buy") == 0) {
        game.Buy(*player, args[1]);
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
    if (CCSPlayer* player = Game::Get().PlayerOf(edict))
        TakeSettings(*player, edict);
}

void ServerGameClients::ClientEarPosition(edict_t*, Vector* earOrigin) {
    if (earOrigin)
        *earOrigin = Vector();
}

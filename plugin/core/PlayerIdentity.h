#pragma once

#include <string>

#include <cstddef>

class IGameEvent;
struct edict_t;

// Who a client is: players, bots and SourceTV told apart, players found by
// user ID, their names, Steam IDs and addresses. An edict is in use when it
// exists and is not free. Nothing here is known before the engine and the
// player-information manager are acquired.
class PlayerIdentity {
public:
    // A human: no bot, no SourceTV.
    static bool IsPlayer(edict_t* edict);
    static bool IsPlayerAndConnected(edict_t* edict);
    // Connected, no SourceTV.
    static bool IsPlayerOrBot(edict_t* edict);
    static edict_t* GetEntityByUserID(int userID);
    // The player an event's "userid" names; null for a missing event, an ID
    // that is not positive, or a user ID no player in the game has.
    static edict_t* GetEventPlayer(IGameEvent* event);
    static int GetNumRealPlayers();
    // Humans (no bots, no SourceTV) whose team index is `team`.
    static int GetNumActualPlayersOnTeam(int team);
    static edict_t* getSourceTV();
    // Whether the name holds a byte that players could use to fake colours
    // or sounds in chat.
    static bool fixPlayerName(const char* name);
    static bool IsSteamIDValid(const char* id);
    // The address without its port; false when the host knows none or it
    // does not fit.
    static bool GetPlayerIPAddress(edict_t* edict, char* buffer, std::size_t size);

    // The client's own setting of that name as the host holds it, or null
    // for an edict without a client.
    static const char* ClientSetting(const edict_t* edict, const char* name);
    // Its "name" setting: outside text, to be made inert before it is logged
    // or spliced into a command.
    static const char* Name(const edict_t* edict);
    // Its name as the plug-in's own chat and console lines (and so SourceTV
    // demos) show it: without control bytes, whose line breaks and colour
    // codes would start or colour a forged line of their own; "" without a
    // client.
    static std::string ChatName(const edict_t* edict);
};

#pragma once

struct edict_t;
class MRecipientFilter;

// Text to players: chat lines, hint boxes and centred text, to one player,
// one team or everybody. The text is sent as given; chat lines of the
// plug-in carry their own colour bytes and closing newline. Nothing is sent
// before the engine, the player-information manager and the global
// variables are known.
class Messaging {
public:
    static void SendAllMessage(const char* text);
    // Nothing at all for a null player.
    static void SendSingleMessage(edict_t* player, const char* text);
    // Every human player of the same team as `player`; nothing when the host
    // has no player record for `player`.
    static void SendTeamMessage(edict_t* player, const char* text);
    static void SendAllHintMessage(const char* text);
    static void SendSingleHintMessage(edict_t* player, const char* text);
    static void SendAllCenteredMessage(const char* text);
    static void SendSingleCenteredMessage(edict_t* player, const char* text);

private:
    enum class Kind { Chat, Hint, Centered };

    static bool HostReady();
    static void SendAll(Kind kind, const char* text);
    static void SendSingle(Kind kind, edict_t* player, const char* text);
    // Adds `player` when it is a human player's edict.
    static void AddHumanPlayer(MRecipientFilter& filter, edict_t* player);
    static void Send(MRecipientFilter& filter, Kind kind, const char* text);
};

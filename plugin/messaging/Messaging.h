#pragma once

#include <cstddef>

struct edict_t;
class MRecipientFilter;

// Text to players: chat lines, hint boxes, centred text and menus, to one
// player, one team or everybody. The text is sent as given; chat lines of the
// plug-in carry their own colour bytes and closing newline. Nothing is sent
// before the engine, the player-information manager and the global
// variables are known.
class Messaging {
public:
    static void SendAllMessage(const char* text);
    // The one human player, or SourceTV (into the demo it records), never a
    // bot. Nothing at all for a null player.
    static void SendSingleMessage(edict_t* player, const char* text);
    // Every human player of the same team as `player`; nothing when the host
    // has no player record for `player`.
    static void SendTeamMessage(edict_t* player, const char* text);
    static void SendAllHintMessage(const char* text);
    static void SendSingleHintMessage(edict_t* player, const char* text);
    static void SendAllCenteredMessage(const char* text);
    static void SendSingleCenteredMessage(edict_t* player, const char* text);
    // A menu with every key valid, shown for `displayTime` seconds (-1: until
    // closed). Its text, cut at 1023 bytes, goes in as many parts as the
    // engine's user messages need; a short one in one. SendMenu goes to the
    // filter's recipients as they are (ready-up leaves SourceTV out).
    static void SendMenu(MRecipientFilter& filter, int displayTime, const char* text);
    static void SendAllMenu(int displayTime, const char* text);
    static void SendSingleMenu(edict_t* player, int displayTime, const char* text);

private:
    enum class Kind { Chat, Hint, Centered, Menu };
    struct Message {
        Kind kind;
        const char* text;
        int displayTime = 0;  // menus only
    };

    static bool HostReady();
    static void SendAll(const Message& message);
    static void SendSingle(edict_t* player, const Message& message);
    // Adds `player` when it is a human player's edict.
    static void AddHumanPlayer(MRecipientFilter& filter, edict_t* player);
    // Adds `player` when it is SourceTV's edict.
    static void AddSourceTV(MRecipientFilter& filter, edict_t* player);
    static void Send(MRecipientFilter& filter, const Message& message);

    static constexpr std::size_t kMaxMenuText = 1023;
    // What fits a user message beside the mask, the time, the flag and the
    // string's terminator.
    static constexpr std::size_t kMenuPartSize = 250;
};

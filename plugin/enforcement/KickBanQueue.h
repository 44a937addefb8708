#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct edict_t;

// One queued verdict on a player.
struct kickBanInfo_t {
    static constexpr std::size_t kTextSize = 200;

    edict_t* player = nullptr;
    // The host's user ID of the player when queued: a slot that another
    // player has taken since is not theirs to be kicked from.
    int userId = -1;
    bool hasKickMessage = false;
    char kickMessage[kTextSize] = {};  // what the player is shown
    bool hasLogMessage = false;
    char logMessage[kTextSize] = {};  // the ban log's reason
    bool ban = false;
    // A ban that found neither a Steam ID nor an address says so once, not
    // on every frame while it waits.
    bool banFailureLogged = false;
    // Its commands wait in the host's buffer (or ran in this frame's walk):
    // a second walk before they run does not repeat them.
    bool issued = false;
};

// Every kick and ban of the plug-in: decisions taken inside host callbacks
// and hooks are queued here and carried out from the frame, through the
// host's own kick and ban commands. A player gets one verdict: the first.
class KickBanQueue {
public:
    // Both refuse, silently, a player who is null, free, already queued,
    // unknown to the host, not a player, SourceTV or not connected. Bots are
    // taken. Either text may be null.
    void Kick(edict_t* player, const char* message);
    void Ban(edict_t* player, const char* message, const char* logReason);
    bool IsOnKickBanQueue(const edict_t* player) const;

    // Issues the commands of every entry and has the host run them at once.
    // An entry stays until its player is gone, so a player still there at
    // the next frame gets them again.
    void OnGameFrame();
    // The same for callers that remove many players together, from inside a
    // console command or a variable's change: the commands go into the
    // host's buffer and run right after the command in progress, before any
    // later frame. Running the buffer from there would also run what follows
    // on the console line (a plugin_unload included) under our feet.
    void ActionAll();
    void OnDisconnect(const edict_t* player);
    void Reset() { m_Queue.clear(); }

    // "name (identity) - Reason ..." in the ban log; nothing for a player
    // without an entity index or a name.
    void WriteBanLogForPlayer(edict_t* player, const char* reason);

    // Outside text (a player's name, a client's value, an auth host's words)
    // made fit for a console command line: a ';' or a line break would start
    // a command of its own and a '"' would regroup the words. Callers
    // neutralise such text where they splice it into their own; the
    // plug-in's own texts keep their quotes.
    static std::string CommandSafe(const char* text);
    // A queued text as one command's tail: whatever would end the command
    // (';', line breaks and other control bytes) goes, quotes stay.
    static std::string OneCommandTail(const char* text);

private:
    void Queue(edict_t* player, const char* message, const char* logReason, bool ban);
    static bool Acceptable(edict_t* player);
    // The entry's player still holds its slot.
    static bool SamePlayer(const kickBanInfo_t& entry);
    kickBanInfo_t* Find(const edict_t* player, int userId);
    void DropDeparted();
    void ClearIssued();
    // Issues the commands of every entry not yet issued in this frame;
    // with runNow the host runs each at once.
    void CarryOutAll(bool runNow);
    void CarryOut(kickBanInfo_t& stored, bool runNow);
    // The host's ban command for the entry, or "" when it has neither a
    // Steam ID nor an address to ban.
    std::string BanCommand(const kickBanInfo_t& entry) const;
    void IssueBan(const kickBanInfo_t& entry, const std::string& command, bool runNow);
    static void IssueKick(const kickBanInfo_t& entry, const char* prefix, bool runNow);
    static void Issue(const char* command, bool runNow);

    std::vector<kickBanInfo_t> m_Queue;
    // Set while the frame's walk has the host run its commands: they run the
    // rest of the buffer too, and a command there may ask for the queue.
    bool m_Running = false;
};

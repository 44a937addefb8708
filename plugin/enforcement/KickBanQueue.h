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

    // Issues the commands of every entry. An entry stays until its player
    // is gone, so a player still there at the next frame gets them again.
    void OnGameFrame();
    // The same at once, for callers that remove many players together.
    void ActionAll() { OnGameFrame(); }
    void OnDisconnect(const edict_t* player);
    void Reset() { m_Queue.clear(); }

    // "name (identity) - Reason ..." in the ban log; nothing for a player
    // without an entity index or a name.
    void WriteBanLogForPlayer(edict_t* player, const char* reason);

    // Outside text (a player's name, an auth host's words, an operator's
    // reason) made fit for a console command line: a ';' or a line break
    // would start a command of its own and a '"' would regroup the words.
    static std::string CommandSafe(const char* text);

private:
    void Queue(edict_t* player, const char* message, const char* logReason, bool ban);
    static bool Acceptable(edict_t* player);
    // The entry's player still holds its slot.
    static bool SamePlayer(const kickBanInfo_t& entry);
    void CarryOut(std::size_t index, int userId);
    // The host's ban command for the entry, or "" when it has neither a
    // Steam ID nor an address to ban.
    std::string BanCommand(const kickBanInfo_t& entry, int userId) const;
    void IssueBan(const kickBanInfo_t& entry, const std::string& command, int userId);
    static void IssueKick(const kickBanInfo_t& entry, int userId, const char* prefix);
    static void Run(const char* command);

    std::vector<kickBanInfo_t> m_Queue;
    // Set while the queue is carried out: the host runs other queued
    // commands with ours, and one of them may ask for the queue again.
    bool m_Acting = false;
};

#pragma once

#include <tier1/convar.h>
#include <tier1/iconvar.h>

#include <vector>

#include "core/CommandDispatchHook.h"
#include "core/PlayerSlots.h"
#include "core/SwitchedHook.h"
#include "hook/Hook.h"

struct edict_t;

// Drops commands that clients send before they are in the game and limits
// each player's commands per second, on both roads a client has to the
// server: the dispatch of every registered console command (a pre-hook on
// each command object) and the plug-in's client-command callback.
class CrashBlock {
public:
    CrashBlock() = default;
    CrashBlock(const CrashBlock&) = delete;
    CrashBlock& operator=(const CrashBlock&) = delete;

    // Installs or removes the dispatch hooks to match the active switch and
    // tk_crashblock; true when that changed anything.
    bool Configure();
    void HookConCommands(bool hook, bool verbose);
    // Removes the hooks silently.
    void Unload();

    void OnClientPutInServer(edict_t* player);
    void OnClientDisconnect(edict_t* player);
    bool IsPEntityInGame(edict_t* player) const;
    // True: the command must not run.
    bool OnClientCommand(edict_t* player, const CCommand& args);
    void OnConCommandDispatch(travik::hook::CallFor<&ConCommand::Dispatch>& call,
                              const CCommand& args);

    void SetMaxSpamCmdsPerSec(int max) { maxCmdsPerSec = max; }
    int GetMaxSpamCmdsPerSec() const { return maxCmdsPerSec; }
    bool IsHooked() const { return hooked; }

    static void OnTKCrashBlockChange(IConVar* var, const char* oldValue, float oldFloat);
    static void OnTKAntiSpamMaxCmdsPerSecChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    struct PlayerRecord {
        float windowStart = 0.0f;
        int count = 0;
        bool inGame = false;
    };

    // The record of a 0-based player index; null outside the table.
    PlayerRecord* RecordAt(int index);
    const PlayerRecord* RecordAt(int index) const;
    PlayerRecord* RecordOf(edict_t* player);
    // Counts one command; true when it is over the limit.
    bool CountIsOverLimit(int index);
    void HookAllConCommands();
    void UnhookAllConCommands();
    void WarnSpammer(edict_t* player) const;

    SwitchedHook configured{nullptr};
    PlayerRecord players[kMaxPlayerSlots];
    bool hooked = false;
    // What was hooked: a command of another plug-in that unloads since is
    // gone, and only its address is left to forget it by.
    using DispatchHook = CommandDispatchHook<CrashBlock>;
    std::vector<DispatchHook> hookedCommands;
    int maxCmdsPerSec = 5;
};

extern ConVar tk_crashblock;
extern ConVar tk_antispam_max_cmds_per_sec;

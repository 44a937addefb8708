#pragma once

#include <tier1/convar.h>

#include <string>

#include "core/CommandDispatchHook.h"

struct edict_t;

// The organiser's match tools: team kicks, SourceTV demos with a name from
// the map and the local time, every player's Steam ID written into each
// demo, and no pause in the middle of a round while in war mode.
class TKMatch {
public:
    TKMatch() = default;
    TKMatch(const TKMatch&) = delete;
    TKMatch& operator=(const TKMatch&) = delete;

    // Finds the host's "tv_record" and "pause"; false when either is missing.
    // "setpause" (which only pauses) is guarded as "pause" where the host
    // has it.
    bool Init();
    // Installs or removes the command hooks to follow the active switch;
    // true when that changed anything.
    bool ConfigureHooks();
    // Removes the hooks, silently.
    void Unload();

    // Kicks every player of `team` (bots too, never SourceTV); team 1 takes
    // the players who have not picked a team yet as well.
    void KickTeam(int team, const char* reason);
    // The Steam ID list, to SourceTV (and so into the demo it records) or to
    // everybody.
    void PrintSteamIDs(bool toSourceTV);
    // Humans (no bots, no SourceTV) of that team.
    static int GetNumActualPlayersOnTeam(int team);

    // tk_record and tk_stoprecord.
    void Record();
    void StopRecord();

    using DispatchHook = CommandDispatchHook<TKMatch>;
    void OnTvRecordDispatchHook(DispatchHook::Call& call, const CCommand& args);
    void OnPauseDispatchHook(DispatchHook::Call& call, const CCommand& args);

    // A demo name made of the map name, the date and the time: the map
    // name's letters, digits, '_' and '-' stay, anything else becomes '_',
    // so that the name is one plain file name and one command argument.
    static std::string DemoName(const char* map, int year, int month, int day, int hour,
                                int minute);

    bool IsHooked() const { return hooked; }

private:
    // Runs the host's own command at once, with these arguments, leaving
    // whatever else waits in the command buffer where it is.
    static void RunHostCommand(ConCommand* command, const char* line);

    bool hooked = false;
    ConCommand* recordCommand = nullptr;
    ConCommand* pauseCommand = nullptr;
    ConCommand* setPauseCommand = nullptr;
    DispatchHook recordHook{travik::hook::Post, this, &TKMatch::OnTvRecordDispatchHook};
    DispatchHook pauseHook{travik::hook::Pre, this, &TKMatch::OnPauseDispatchHook};
    DispatchHook setPauseHook{travik::hook::Pre, this, &TKMatch::OnPauseDispatchHook};
};

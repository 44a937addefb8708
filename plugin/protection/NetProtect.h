#pragma once

#include <tier1/iconvar.h>

#include "core/SwitchedHook.h"

class ConVar;
struct sockaddr;

// Filters every datagram the host reads from its sockets: the receive entry
// of the host's input/output table (g_pVCR) is replaced by TKRecvHook, which
// drops empty datagrams and connectionless 'l' packets (with DoS protection)
// and player-list queries 'U' (when they are to be ignored), so that the
// engine never sees them.
class NetProtect {
public:
    // One call of the hook drops at most this many datagrams in a row; then
    // it answers "nothing waiting", so that a flood faster than it can be
    // dropped still lets the server's frame go on.
    static constexpr int kMaxDropsPerCall = 1024;

    NetProtect() = default;
    NetProtect(const NetProtect&) = delete;
    NetProtect& operator=(const NetProtect&) = delete;

    // Installs the hook while the plug-in is active and a filter is on,
    // removes it otherwise.
    void Configure();
    void EnableHook(bool enable);
    // Puts the host's entry back, silently.
    void Unload();
    bool IsHooked() const { return hook.IsInstalled(); }

    static bool IsDoSProtectEnabled();
    static bool IsIgnorePlayerQueriesEnabled();
    // The filters the hook applies; Configure takes them from the variables.
    static void SetFilters(bool dosProtect, bool ignorePlayerQueries);

    // Same signature and result as the host's receive entry.
    static int TKRecvHook(int socket, char* buffer, int length, int flags, sockaddr* from,
                          int* fromLength);

    static void onTKDOSProtectChange(IConVar* var, const char* oldValue, float oldFloat);
    static void onTKIngnorePlayerQueriesChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    static bool Install();
    static void Restore();

    SwitchedHook hook{"Net"};
};

// Its switches, read by Configure.
extern ConVar tk_dosprotect;
extern ConVar tk_ignoreplayerqueries;

#pragma once

class IPlayerInfo;
struct edict_t;

// Per-player tables hold this many slots; a host with more clients has the
// rest go unjudged rather than overrun a table.
constexpr int kMaxPlayerSlots = 64;

// The table slot of a player's edict: its entity index minus 1, or -1 for a
// null edict, no engine, or an index outside the tables.
int PlayerSlot(const edict_t* edict);

// The host's record of the client in player slot `index` (1 to the maximum
// client count) when the slot holds a human: an edict in use whose player
// information says player and not fake client. SourceTV is a fake client
// and so not one; GetRealPlayerInfo asks IsHLTV as well. Null otherwise, and
// null when the engine or the player-information manager is not acquired.
// The slot's edict goes to `edict` when it is given.
IPlayerInfo* GetHumanPlayerInfo(int index, edict_t** edict = nullptr);

// A human that is not SourceTV: the players the plug-in talks to and judges.
IPlayerInfo* GetRealPlayerInfo(int index, edict_t** edict = nullptr);

// The host's record of an edict in use, or null.
IPlayerInfo* PlayerInfoOf(edict_t* edict);

// The host's maximum client count; 0 before the global variables are known.
int GetMaxClients();

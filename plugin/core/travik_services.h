#pragma once

#include <string>

#include "core/ModuleInformation.h"
#include "core/TKState.h"

// What a feature may ask of the plug-in object: its state, its few
// plug-in-wide actions and the other features. Features include this, never
// core/travik_plugin.h, so that a feature depends on the narrow set below
// and not on every member of the plug-in object.

class AntiAntiFlash;
class TKAuthManager;
class CrashBlock;
class CvarLocker;
class CvarScanner;
class Deadvoice;
class DefuseFix;
class InternalVarAccessor;
class KickBanQueue;
class MapEntityEditor;
class MovementHook;
class NetProtect;
class OnThreeSystem;
class ReadyUp;
class ReplicatedConvarManager;
class SvTagsAccessor;
class TKMatch;
class TKUpdater;
struct edict_t;

namespace travik {

// The active switch as the plug-in last applied it.
bool IsActive();
// tk_warmode.
bool IsWarMode();
// Between round_start and round_freeze_end, and from round_end to the next
// round_start.
bool IsFreezeTime();
bool IsRoundEnd();
// The client whose command the host runs: its entity index minus 1, or -1
// for the server console.
int GetCommandIndex();
// The sv_pure level the server runs, as the plug-in recorded it.
int GetPure();
void SetPure(int level);
// The server's address and port of the running level, "unknown" before one.
std::string GetGameIP();
std::string GetGamePort();

// Queues a kick of every real player; with reloadMap the kicks happen at
// once and the current map starts again.
void KickAllPlayers(const char* reason, bool reloadMap);
// The chat line that names a player and its Steam ID to everybody.
void AnnouncePlayer(edict_t* edict);
// Admission of a player whose Steam ID the host has validated.
void BeginPlayerAuth(edict_t* edict);
// The settings summary in one player's chat (or SourceTV's, into its demo).
void SayTkSettings(edict_t* edict);
// Requests a new status value (a pending update outranks most).
void changeTkState(TKState state);
// What the plug-in knows of its own module file.
moduleInfo_t GetModuleInformation();

// The other features, owned by the plug-in object.
AntiAntiFlash* getAntiAntiFlash();
TKAuthManager* getAuthHostManager();
CrashBlock* getCrashBlock();
CvarLocker* getCvarLocker();
CvarScanner* getCvarScanner();
Deadvoice* getDeadvoice();
DefuseFix* getDefuseFix();
InternalVarAccessor* getInternalVarAccessor();
KickBanQueue* getKickBanQueue();
MapEntityEditor* getMapEntityEditor();
MovementHook* getMovementHook();
NetProtect* getNetProtect();
OnThreeSystem* getOnThreeSystem();
ReadyUp* getReadyUp();
ReplicatedConvarManager* getReplicatedConvarManager();
SvTagsAccessor* getSvTagsAccessor();
TKMatch* getMatch();
TKUpdater* getUpdater();

}  // namespace travik

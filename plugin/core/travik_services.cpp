#include "core/travik_services.h"

#include <tier1/convar.h>

#include "core/travik_plugin.h"

namespace travik {

// A table of forwards, one a line.
// clang-format off
bool IsActive() { return g_travik.IsActive(); }
bool IsWarMode() { return tk_warmode.GetBool(); }
bool IsFreezeTime() { return g_travik.IsFreezeTime(); }
bool IsRoundEnd() { return g_travik.IsRoundEnd(); }
int GetCommandIndex() { return g_travik.GetCommandIndex(); }
int GetPure() { return g_travik.GetPure(); }
void SetPure(int level) { g_travik.SetPure(level); }
std::string GetGameIP() { return g_travik.GetGameIP(); }
std::string GetGamePort() { return g_travik.GetGamePort(); }
void KickAllPlayers(const char* reason, bool reloadMap) { g_travik.KickAllPlayers(reason, reloadMap); }
void AnnouncePlayer(edict_t* edict) { Travik::AnnouncePlayer(edict); }
void BeginPlayerAuth(edict_t* edict) { g_travik.BeginPlayerAuth(edict); }
void SayTkSettings(edict_t* edict) { g_travik.SayTkSettings(edict); }
void changeTkState(TKState state) { g_travik.changeTkState(state); }
moduleInfo_t GetModuleInformation() { return g_travik.GetModuleInformation(); }
TKAuthManager* getAuthHostManager() { return g_travik.getAuthHostManager(); }
AntiAntiFlash* getAntiAntiFlash() { return g_travik.getAntiAntiFlash(); }
CrashBlock* getCrashBlock() { return g_travik.getCrashBlock(); }
CvarLocker* getCvarLocker() { return g_travik.getCvarLocker(); }
CvarScanner* getCvarScanner() { return g_travik.getCvarScanner(); }
Deadvoice* getDeadvoice() { return g_travik.getDeadvoice(); }
DefuseFix* getDefuseFix() { return g_travik.getDefuseFix(); }
MapEntityEditor* getMapEntityEditor() { return g_travik.getMapEntityEditor(); }
InternalVarAccessor* getInternalVarAccessor() { return g_travik.getInternalVarAccessor(); }
KickBanQueue* getKickBanQueue() { return g_travik.getKickBanQueue(); }
MovementHook* getMovementHook() { return g_travik.getMovementHook(); }
NetProtect* getNetProtect() { return g_travik.getNetProtect(); }
OnThreeSystem* getOnThreeSystem() { return g_travik.getOnThreeSystem(); }
ReadyUp* getReadyUp() { return g_travik.getReadyUp(); }
ReplicatedConvarManager* getReplicatedConvarManager() { return g_travik.getReplicatedConvarManager(); }
SvTagsAccessor* getSvTagsAccessor() { return g_travik.getSvTagsAccessor(); }
TKMatch* getMatch() { return g_travik.getMatch(); }
TKUpdater* getUpdater() { return g_travik.getUpdater(); }
// clang-format on

}  // namespace travik

#include "protection/CrashBlock.h"

#include <edict.h>
#include <eiface.h>
#include <icvar.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstring>
#include <unordered_set>

#include "core/GameClock.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/travik_services.h"

ConVar tk_crashblock("tk_crashblock", "1", 0,
                     "Protect the server from several known crash exploits", true, 0.0f, true, 1.0f,
                     CrashBlock::OnTKCrashBlockChange);
ConVar tk_antispam_max_cmds_per_sec(
    "tk_antispam_max_cmds_per_sec", "5", FCVAR_UNLOGGED,
    "Protect the server from lag induced by command spam (0=Disable / >0=Allow this many "
    "commands per second from a player / Recommended=5)",
    true, 0.0f, true, 66.0f, CrashBlock::OnTKAntiSpamMaxCmdsPerSecChange);

namespace {

const char* const kSpamWarning = "[Travik] Command blocked due to anti-spam settings\n";

using HostCommands::IsNamed;
using HostCommands::StartsWith;

// Commands that players send all the time and that never count.
bool IsUncountedClientCommand(const char* name) {
    return !name || !*name || IsNamed(name, "buy") || IsNamed(name, "vban") ||
           IsNamed(name, "VModEnable") || StartsWith(name, "es_");
}

// The host unloads the module inside this command's dispatch: a hook on it
// would return into code that is gone.
bool UnloadsThePlugin(const ConCommandBase* entry) {
    return IsNamed(entry->GetName(), "plugin_unload");
}

bool IsUncountedConCommand(const char* name) {
    return IsNamed(name, "use") || StartsWith(name, "es_");
}

}  // namespace

// The hooks announce themselves ("Hooked ConCommands").
bool CrashBlock::Configure() {
    return configured.Configure(
        tk_crashblock.GetBool(),
        [this] {
            HookConCommands(true, true);
            return true;
        },
        [this] { HookConCommands(false, true); });
}

void CrashBlock::HookConCommands(bool hook, bool verbose) {
    if (hook == hooked || !g_host.cvar) {
        return;
    }
    if (hook) {
        HookAllConCommands();
    } else {
        UnhookAllConCommands();
    }
    hooked = hook;
    if (verbose) {
        Msg(hook ? "[Travik] Hooked ConCommands\n" : "[Travik] Unhooked ConCommands\n");
    }
}

void CrashBlock::HookAllConCommands() {
    hookedCommands.clear();
    for (ConCommandBase* entry = g_host.cvar->GetCommands(); entry; entry = entry->GetNext()) {
        if (!entry->IsCommand() || UnloadsThePlugin(entry)) {
            continue;
        }
        DispatchHook hook(travik::hook::Pre, this, &CrashBlock::OnConCommandDispatch);
        if (hook.Install(static_cast<ConCommand*>(entry))) {
            hookedCommands.push_back(hook);
        }
    }
}

// Commands still registered are unhooked; those whose module went away are
// forgotten without a look at their memory.
void CrashBlock::UnhookAllConCommands() {
    std::unordered_set<const ConCommandBase*> registered;
    for (ConCommandBase* entry = g_host.cvar->GetCommands(); entry; entry = entry->GetNext()) {
        registered.insert(entry);
    }
    for (DispatchHook& hook : hookedCommands) {
        hook.Remove(registered.count(hook.Command()) != 0);
    }
    hookedCommands.clear();
}

void CrashBlock::Unload() {
    configured.Unload([this] { HookConCommands(false, false); });
}

CrashBlock::PlayerRecord* CrashBlock::RecordAt(int index) {
    return index >= 0 && index < kMaxPlayerSlots ? &players[index] : nullptr;
}

const CrashBlock::PlayerRecord* CrashBlock::RecordAt(int index) const {
    return index >= 0 && index < kMaxPlayerSlots ? &players[index] : nullptr;
}

CrashBlock::PlayerRecord* CrashBlock::RecordOf(edict_t* player) {
    return player ? RecordAt(PlayerSlot(player)) : nullptr;
}

void CrashBlock::OnClientPutInServer(edict_t* player) {
    if (PlayerRecord* record = RecordOf(player)) {
        record->inGame = true;
    }
}

void CrashBlock::OnClientDisconnect(edict_t* player) {
    if (PlayerRecord* record = RecordOf(player)) {
        *record = PlayerRecord{};
    }
}

bool CrashBlock::IsPEntityInGame(edict_t* player) const {
    if (!player || player->IsFree()) {
        return false;
    }
    const PlayerRecord* record = RecordAt(PlayerSlot(player));
    return record && record->inGame;
}

// The window is one second from its first command, not sliding. It runs on
// the host's real time: game time stands still while the game is paused, and
// a window on it would never close, refusing every command of the pause
// (the unpause too) past the limit. A window that begins after now is none.
bool CrashBlock::CountIsOverLimit(int index) {
    PlayerRecord* record = RecordAt(index);
    if (!record) {
        return false;
    }
    const float now = GameClock::RealTime();
    if (record->windowStart <= now - 1.0f || record->windowStart > now) {
        record->windowStart = now;
        record->count = 1;
    } else {
        ++record->count;
    }
    return record->count > maxCmdsPerSec;
}

void CrashBlock::WarnSpammer(edict_t* player) const {
    if (g_host.engine && player) {
        g_host.engine->ClientPrintf(player, kSpamWarning);
    }
}

bool CrashBlock::OnClientCommand(edict_t* player, const CCommand& args) {
    if (!IsPEntityInGame(player)) {
        return true;
    }
    if (maxCmdsPerSec <= 0 || IsUncountedClientCommand(args.Arg(0))) {
        return false;
    }
    if (!CountIsOverLimit(PlayerSlot(player))) {
        return false;
    }
    WarnSpammer(player);
    return true;
}

void CrashBlock::OnConCommandDispatch(DispatchHook::Call& call, const CCommand&) {
    const int index = travik::GetCommandIndex();
    if (!g_host.globals || !g_host.engine || g_host.globals->framecount == 0 || index < 0) {
        return;
    }
    // Indexes beyond the table are nobody the host put in the server.
    edict_t* player =
        index < kMaxPlayerSlots ? g_host.engine->PEntityOfEntIndex(index + 1) : nullptr;
    if (!IsPEntityInGame(player)) {
        call.supersede();
        return;
    }
    if (maxCmdsPerSec <= 0 || IsUncountedConCommand(call.self()->GetName())) {
        return;
    }
    if (CountIsOverLimit(index)) {
        WarnSpammer(player);
        call.supersede();
    }
}

void CrashBlock::OnTKCrashBlockChange(IConVar*, const char*, float) {
    if (!travik::IsActive()) {
        return;
    }
    if (travik::getCrashBlock()->Configure()) {
        Msg("tk_crashblock changed now \"%s\"\n", tk_crashblock.GetString());
    }
}

// The limit is taken only while no map runs; during a map the stored one is
// put back.
void CrashBlock::OnTKAntiSpamMaxCmdsPerSecChange(IConVar*, const char*, float) {
    CrashBlock* block = travik::getCrashBlock();
    const int wanted = tk_antispam_max_cmds_per_sec.GetInt();
    if (GameClock::BeforeFirstFrame()) {
        block->SetMaxSpamCmdsPerSec(wanted);
        return;
    }
    if (wanted == block->GetMaxSpamCmdsPerSec()) {
        return;
    }
    tk_antispam_max_cmds_per_sec.SetValue(block->GetMaxSpamCmdsPerSec());
    Msg("[Travik] This cvar may not be changed whilst the server is active (in game)\n");
}

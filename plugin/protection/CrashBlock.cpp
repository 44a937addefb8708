#include "protection/CrashBlock.h"

#include <edict.h>
#include <eiface.h>
#include <icvar.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstring>
#include <unordered_set>

#include "core/HostInterfaces.h"
#include "core/travik_services.h"

namespace hook = travik::hook;

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

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool IsNamed(const char* text, const char* name) {
    return std::strcmp(text, name) == 0;
}

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

float CurrentTime() {
    return g_host.globals ? g_host.globals->curtime : 0.0f;
}

int PlayerIndexOf(edict_t* player) {
    return g_host.engine ? g_host.engine->IndexOfEdict(player) - 1 : -1;
}

}  // namespace

bool CrashBlock::Configure() {
    const bool wanted = travik::IsActive() && tk_crashblock.GetBool();
    if (wanted == configured) {
        return false;
    }
    HookConCommands(wanted, true);
    configured = wanted;
    return true;
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
        auto* command = static_cast<ConCommand*>(entry);
        if (hook::add<&ConCommand::Dispatch>(command, hook::Pre, this,
                                             &CrashBlock::OnConCommandDispatch)) {
            hookedCommands.push_back(command);
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
    for (ConCommand* command : hookedCommands) {
        if (registered.count(command) != 0) {
            hook::remove<&ConCommand::Dispatch>(command, hook::Pre, this,
                                                &CrashBlock::OnConCommandDispatch);
        } else {
            hook::forget<&ConCommand::Dispatch>(command);
        }
    }
    hookedCommands.clear();
}

void CrashBlock::Unload() {
    if (configured) {
        HookConCommands(false, false);
        configured = false;
    }
}

CrashBlock::PlayerRecord* CrashBlock::RecordAt(int index) {
    return index >= 0 && index < kMaxPlayers ? &players[index] : nullptr;
}

const CrashBlock::PlayerRecord* CrashBlock::RecordAt(int index) const {
    return index >= 0 && index < kMaxPlayers ? &players[index] : nullptr;
}

CrashBlock::PlayerRecord* CrashBlock::RecordOf(edict_t* player) {
    return player ? RecordAt(PlayerIndexOf(player)) : nullptr;
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
    const PlayerRecord* record = RecordAt(PlayerIndexOf(player));
    return record && record->inGame;
}

// The window is one second from its first command, not sliding. Game time
// starts again at every level, so a window that begins after now is from the
// last level and over.
bool CrashBlock::CountIsOverLimit(int index) {
    PlayerRecord* record = RecordAt(index);
    if (!record) {
        return false;
    }
    const float now = CurrentTime();
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
    if (!CountIsOverLimit(PlayerIndexOf(player))) {
        return false;
    }
    WarnSpammer(player);
    return true;
}

void CrashBlock::OnConCommandDispatch(hook::CallFor<&ConCommand::Dispatch>& call, const CCommand&) {
    const int index = travik::GetCommandIndex();
    if (!g_host.globals || !g_host.engine || g_host.globals->framecount == 0 || index < 0) {
        return;
    }
    // Indexes beyond the table are nobody the host put in the server.
    edict_t* player = index < kMaxPlayers ? g_host.engine->PEntityOfEntIndex(index + 1) : nullptr;
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
    const CGlobalVars* globals = g_host.globals;
    if (!globals || (globals->curtime <= 0.0f && globals->framecount < 1)) {
        block->SetMaxSpamCmdsPerSec(wanted);
        return;
    }
    if (wanted == block->GetMaxSpamCmdsPerSec()) {
        return;
    }
    tk_antispam_max_cmds_per_sec.SetValue(block->GetMaxSpamCmdsPerSec());
    Msg("[Travik] This cvar may not be changed whilst the server is active (in game)\n");
}

#include "enforcement/CvarScanner.h"

#include <edict.h>
#include <eiface.h>
#include <icvar.h>
#include <iplayerinfo.h>
#include <iserverplugin.h>
#include <tier1/convar.h>

#include <algorithm>
#include <cstring>

#include "core/FixedBuffer.h"
#include "core/GameClock.h"
#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/travik_services.h"
#include "enforcement/KickBanQueue.h"
#include "messaging/Messaging.h"
#include "protection/ReplicatedConvarManager.h"

namespace {

constexpr const char* kNotResponding = "[Travik] Not responding to cvar queries";
constexpr const char* kCode1 =
    "[Travik] Corrupted cvar responses. Please restart your game (Code 1)";
constexpr const char* kCode2 =
    "[Travik] Corrupted cvar responses. Please restart your game (Code 2)";
constexpr const char* kCode3 =
    "[Travik] Corrupted cvar responses. Please restart your game (Code 3)";
constexpr const char* kFpsKick = "[Travik] fps_max must be set to at least \"66\"\n";

// The scanner whose list answers the replicated variables' change callback.
CvarScanner* g_scanner = nullptr;

KickBanQueue& Queue() {
    return *travik::getKickBanQueue();
}

bool IsQueued(edict_t* player) {
    return Queue().IsOnKickBanQueue(player);
}

}  // namespace

CvarScanner::CvarScanner() {
    m_Scans.reserve(static_cast<std::size_t>(kMaxPlayerSlots) * (kMaxOutstanding + 1));
}

bool CvarScanner::Init() {
    g_scanner = this;
    PopulateScanningList();
    PopulateReplicatedCvars();
    return true;
}

void CvarScanner::PopulateReplicatedCvars() {
    ReplicatedConvarManager* manager = travik::getReplicatedConvarManager();
    for (ConVar* var : m_Replicated) {
        manager->RemoveChangeCallback(var, &CvarScanner::OnReplicatedCvarChange);
    }
    m_Replicated.clear();
    if (!g_host.cvar) {
        return;
    }
    for (ConCommandBase* entry = g_host.cvar->GetCommands(); entry; entry = entry->GetNext()) {
        if (entry->IsCommand() || !entry->IsFlagSet(FCVAR_REPLICATED)) {
            continue;
        }
        ConVar* var = static_cast<ConVar*>(entry);
        m_Replicated.push_back(var);
        manager->InstallChangeCallback(var, &CvarScanner::OnReplicatedCvarChange);
    }
}

void CvarScanner::Reset() {
    m_NextScanTime = 0.0f;
    m_Scans.clear();
    m_Tables = PlayerTables{};
}

void CvarScanner::Unload() {
    Reset();
    m_Replicated.clear();
    if (g_scanner == this) {
        g_scanner = nullptr;
    }
}

bool CvarScanner::IsActive() {
    return travik::IsActive() && !IsOn(g_serverCvars.sv_cheats);
}

void CvarScanner::AddCvar(const char* name, const char* value, bool mustExist) {
    m_List.push_back(
        std::make_unique<TKCvar>(name, value, TKCvar::Bounds{}, mustExist, false, nullptr));
}

void CvarScanner::AddRangedCvar(const char* name, const char* value, bool hasMin, float min,
                                bool hasMax, float max, bool mustExist) {
    m_List.push_back(std::make_unique<TKCvar>(name, value, TKCvar::Bounds{hasMin, min, hasMax, max},
                                              mustExist, false, nullptr));
}

void CvarScanner::AddCheatCvar(const char* name, const char* value, bool mustExist) {
    m_List.push_back(
        std::make_unique<TKCvar>(name, value, TKCvar::Bounds{}, mustExist, true, nullptr));
}

void CvarScanner::AddInfoCvar(const char* name, bool mustExist, TKCvarInfoHandler handler) {
    if (handler) {
        m_List.push_back(
            std::make_unique<TKCvar>(name, "0", TKCvar::Bounds{}, mustExist, false, handler));
    }
}

void CvarScanner::OnGameFrame() {
    if (!IsActive() || GameClock::Now() < m_NextScanTime) {
        return;
    }
    m_NextScanTime = GameClock::Now() + kScanInterval;
    ExpireScans();
    SendNewScans();
}

void CvarScanner::ExpireScans() {
    for (std::size_t i = 0; i < m_Scans.size();) {
        CvarScan& scan = m_Scans[i];
        if (!scan.IsExpired()) {
            ++i;
        } else if (scan.IsReplicated() && !IsRegistered(scan.GetInfo().replicated)) {
            // Its scans go with it; the walk starts again over what is left.
            ForgetReplicated(scan.GetInfo().replicated);
            i = 0;
        } else if (!scan.IncrementRetries()) {
            Queue().Kick(scan.GetPlayer(), kNotResponding);
            RemoveCvarScanByIndex(i);
        } else if (!scan.SendQuery()) {
            // A player the host no longer has, or a refused query: nothing
            // left to wait for.
            RemoveCvarScanByIndex(i);
        } else {
            ++i;
        }
    }
}

void CvarScanner::SendNewScans() {
    if (!g_host.engine || !g_host.globals) {
        return;
    }
    for (int index = 1; index <= GetMaxClients() && index <= kMaxPlayerSlots; ++index) {
        edict_t* player = nullptr;
        if (GetRealPlayerInfo(index, &player)) {
            ScanPlayer(player, index - 1);
        }
    }
}

// A player with a full queue waits; the others are still asked, so one
// client that stops answering does not halt the scanning of everybody.
void CvarScanner::ScanPlayer(edict_t* player, int slot) {
    if (m_Tables.outstanding[slot] > kMaxOutstanding) {
        return;
    }
    CvarScan scan;
    if (NextScanFor(player, slot, scan) && scan.SendQuery()) {
        AddCvarScan(scan);
    }
}

bool CvarScanner::NextScanFor(edict_t* player, int slot, CvarScan& scan) {
    if (m_Tables.listQueries[slot] < kListQueriesPerReplicated) {
        if (m_List.empty()) {
            return false;
        }
        TKCvar* entry = m_List[static_cast<std::size_t>(m_Tables.listPosition[slot])].get();
        IncrementPlayerScanIndex(slot);
        scan = CvarScan(player, slot + 1, entry->IsCheat() ? SCAN_LIST_CHEAT : SCAN_LIST,
                        scanInfo_t{entry, nullptr});
        return true;
    }
    m_Tables.listQueries[slot] = 0;
    if (m_Replicated.empty()) {
        return false;
    }
    ConVar* var = m_Replicated[static_cast<std::size_t>(m_Tables.replicatedPosition[slot])];
    if (!IsRegistered(var)) {
        ForgetReplicated(var);
        return false;
    }
    IncrementPlayerRepIndex(slot);
    scan = CvarScan(player, slot + 1, SCAN_REPLICATED, scanInfo_t{nullptr, var});
    return true;
}

void CvarScanner::AddCvarScan(const CvarScan& scan) {
    m_Scans.push_back(scan);
    const int slot = scan.GetPlayerIndex() - 1;
    ++m_Tables.outstanding[slot];
    ++m_Tables.listQueries[slot];
}

void CvarScanner::RemoveCvarScanByIndex(std::size_t index) {
    const int slot = m_Scans[index].GetPlayerIndex() - 1;
    if (m_Tables.outstanding[slot] > 0) {
        --m_Tables.outstanding[slot];
    }
    m_Scans.erase(m_Scans.begin() + static_cast<std::ptrdiff_t>(index));
}

int CvarScanner::GetCvarScanIndex(int cookie) const {
    for (std::size_t i = 0; i < m_Scans.size(); ++i) {
        if (m_Scans[i].GetCookie() == cookie) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const CvarScan* CvarScanner::GetCvarScan(int cookie) const {
    const int index = GetCvarScanIndex(cookie);
    return index < 0 ? nullptr : &m_Scans[static_cast<std::size_t>(index)];
}

// The shared callback entry of every listed variable knows its name.
bool CvarScanner::IsRegistered(const ConVar* var) const {
    const ReplicatedConvar* entry = travik::getReplicatedConvarManager()->GetReplicatedCvar(var);
    return entry && entry->IsRegistered();
}

void CvarScanner::ForgetReplicated(const ConVar* var) {
    const auto found = std::find(m_Replicated.begin(), m_Replicated.end(), var);
    if (found == m_Replicated.end()) {
        return;
    }
    RemoveReplicated(var);
    travik::getReplicatedConvarManager()->RemoveChangeCallback(
        *found, &CvarScanner::OnReplicatedCvarChange);
    const std::ptrdiff_t index = found - m_Replicated.begin();
    m_Replicated.erase(found);
    for (int& position : m_Tables.replicatedPosition) {
        if (position > index) {
            --position;
        }
        if (position >= static_cast<int>(m_Replicated.size())) {
            position = 0;
        }
    }
}

void CvarScanner::IncrementPlayerScanIndex(int slot) {
    int& position = m_Tables.listPosition[slot];
    position = position + 1 >= static_cast<int>(m_List.size()) ? 0 : position + 1;
}

void CvarScanner::IncrementPlayerRepIndex(int slot) {
    int& position = m_Tables.replicatedPosition[slot];
    position = position + 1 >= static_cast<int>(m_Replicated.size()) ? 0 : position + 1;
}

void CvarScanner::OnClientDisconnect(edict_t* player) {
    const int slot = PlayerSlot(player);
    if (slot < 0) {
        return;
    }
    for (std::size_t i = m_Scans.size(); i-- > 0;) {
        if (m_Scans[i].GetPlayerIndex() == slot + 1) {
            m_Scans.erase(m_Scans.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    m_Tables.listPosition[slot] = 0;
    m_Tables.replicatedPosition[slot] = 0;
    m_Tables.outstanding[slot] = 0;
    m_Tables.listQueries[slot] = 0;
}

// Active or not, the queries in flight for a changed variable are dropped:
// a client may answer before the new value reaches it.
void CvarScanner::OnReplicatedCvarChange(IConVar* var, const char*, float oldFloat) {
    ConVar* changed = static_cast<ConVar*>(var);
    if (g_scanner && changed && changed->GetFloat() != oldFloat) {
        g_scanner->RemoveReplicated(changed);
    }
}

void CvarScanner::RemoveReplicated(const ConVar* var) {
    for (std::size_t i = m_Scans.size(); i-- > 0;) {
        if (m_Scans[i].IsReplicated() && m_Scans[i].GetInfo().replicated == var) {
            RemoveCvarScanByIndex(i);
        }
    }
}

void CvarScanner::OnQueryCvarValueFinished(int cookie, edict_t* player,
                                           EQueryCvarValueStatus status, const char* cvarName,
                                           const char* cvarValue) {
    const int index = GetCvarScanIndex(cookie);
    if (index < 0 || m_Scans[static_cast<std::size_t>(index)].GetPlayer() != player) {
        return;
    }
    // Judged from a copy: a verdict may not touch the vector, but the scan
    // goes whatever the verdict.
    const CvarScan scan = m_Scans[static_cast<std::size_t>(index)];
    if (scan.IsReplicated() && !IsRegistered(scan.GetInfo().replicated)) {
        ForgetReplicated(scan.GetInfo().replicated);
        return;
    }
    RemoveCvarScanByIndex(static_cast<std::size_t>(index));
    if (!PlayerIdentity::IsPlayerAndConnected(player)) {
        return;
    }
    const char* asked = scan.GetName();
    if (!HostCommands::IsNamed(cvarName, asked)) {
        KickUnlessQueued(player, kCode1);
        return;
    }
    if (scan.IsOutOfSync()) {
        return;
    }
    Judge(scan, player, status, cvarValue ? cvarValue : "");
}

void CvarScanner::Judge(const CvarScan& scan, edict_t* player, EQueryCvarValueStatus status,
                        const char* cvarValue) {
    switch (status) {
        case eQueryCvarValueStatus_ValueIntact:
            JudgeValue(scan, player, cvarValue);
            return;
        case eQueryCvarValueStatus_CvarNotFound:
            if (scan.IsReplicated() || scan.GetInfo().entry->MustExist()) {
                KickUnlessQueued(player, kCode2);
            }
            return;
        default:
            KickUnlessQueued(player, kCode3);
            return;
    }
}

void CvarScanner::JudgeValue(const CvarScan& scan, edict_t* player, const char* cvarValue) {
    const float value = CvarAnswerValue(cvarValue);
    if (scan.IsReplicated()) {
        JudgeReplicated(scan.GetInfo().replicated, player, cvarValue, value);
    } else if (scan.GetInfo().entry->IsInfo()) {
        scan.GetInfo().entry->CallInfoHandler(player, value);
    } else {
        JudgeListEntry(scan.GetInfo().entry, player, cvarValue, value);
    }
}

void CvarScanner::JudgeReplicated(const ConVar* var, edict_t* player, const char* cvarValue,
                                  float value) {
    if (var->GetFloat() == value || std::strcmp(var->GetString(), cvarValue) == 0 ||
        IsQueued(player)) {
        return;
    }
    FixedBuffer<200> kick;
    kick.Format("[Travik] Cvar value does not match server \"%s %.2f\"", var->GetName(), value);
    Queue().Kick(player, kick.c_str());
    AnnounceToAll("Kicked for cvar mismatch", player, var->GetName(), value);
}

void CvarScanner::JudgeListEntry(TKCvar* entry, edict_t* player, const char* cvarValue,
                                 float value) {
    const cvarValueCompare_t result = entry->CheckValue(cvarValue, value);
    if (result == CVAR_ACCEPTABLE) {
        return;
    }
    if (!entry->IsCheat()) {
        CvarViolation(player, entry, value, result);
        return;
    }
    // The queue refuses a player it holds already; the announcement follows
    // only a ban that was taken.
    if (IsQueued(player)) {
        return;
    }
    FixedBuffer<200> ban;
    ban.Format("[Travik] Banned for cvar violation \"%s %.2f\"", entry->GetName(), value);
    Queue().Ban(player, ban.c_str(), ban.c_str());
    AnnounceToAll("Banned for cvar violation", player, entry->GetName(), value);
}

void CvarScanner::CvarViolation(edict_t* player, const TKCvar* entry, float value,
                                cvarValueCompare_t result) {
    if (result == CVAR_ACCEPTABLE || IsQueued(player)) {
        return;
    }
    const TKCvar::Bounds& bounds = entry->GetBounds();
    const char* name = entry->GetName();
    FixedBuffer<150> kick;
    if (result == CVAR_NOT_DEFAULT) {
        kick.Format(
            "Travik - \"%s\" value \"%.2f\" non-default: to play on this server set the "
            "value to \"%.2f\"",
            name, value, entry->GetDefaultValue());
    } else if (result == CVAR_BELOW_MINIMUM && bounds.hasMax) {
        kick.Format(
            "Travik - \"%s\" value \"%.2f\" below acceptable limit: to play on this "
            "server set the value between \"%.2f - %.2f\"",
            name, value, bounds.min, bounds.max);
    } else if (result == CVAR_BELOW_MINIMUM) {
        kick.Format(
            "Travik - \"%s\" value \"%.2f\" below acceptable limit: to play on this "
            "server set the value to at least \"%.2f\"",
            name, value, bounds.min);
    } else if (bounds.hasMin) {
        kick.Format(
            "Travik - \"%s\" value \"%.2f\" above acceptable limit: to play on this "
            "server set the value between \"%.2f - %.2f\"",
            name, value, bounds.min, bounds.max);
    } else {
        kick.Format(
            "Travik - \"%s\" value \"%.2f\" above acceptable limit: to play on this "
            "server set the value to \"%.2f\" or less",
            name, value, bounds.max);
    }
    Queue().Kick(player, kick.c_str());
    AnnounceToAll("Removed for cvar violation", player, name, value);
}

void CvarScanner::HandleOne(TKCvar* entry, edict_t* player, float value) {
    // 0 and below mean no limit; "nan" is no frame rate at all and is kicked.
    const bool passes = value <= 0.0f || value >= 66.0f;
    if (passes || IsQueued(player)) {
        return;
    }
    Queue().Kick(player, kFpsKick);
    AnnounceToAll("Removed for cvar violation", player, entry->GetName(), value);
}

void CvarScanner::KickUnlessQueued(edict_t* player, const char* text) {
    if (!IsQueued(player)) {
        Queue().Kick(player, text);
    }
}

void CvarScanner::AnnounceToAll(const char* verdict, edict_t* player, const char* name,
                                float value) {
    FixedBuffer<512> line;
    line.Format("\x03[Travik]\x04 %s - %s \"%s %.2f\"\n", PlayerIdentity::ChatName(player).c_str(),
                verdict, name, value);
    Messaging::SendAllMessage(line.c_str());
}

#pragma once

#include <iserverplugin.h>

#include <array>
#include <memory>
#include <vector>

#include "core/PlayerSlots.h"
#include "enforcement/CvarScan.h"
#include "enforcement/TKCvar.h"

class ConVar;
class IConVar;
struct edict_t;

// Asks every human player, four times a second, for one client variable at
// a time: six entries of the scanning list, then one replicated server
// variable, and so on. Answers out of bounds, tampered cheat variables,
// malformed answers and silence lead to a verdict on the kick and ban queue.
class CvarScanner {
public:
    static constexpr float kScanInterval = 0.25f;
    // A player with more outstanding scans gets no new one.
    static constexpr int kMaxOutstanding = 5;
    static constexpr int kListQueriesPerReplicated = 6;

    CvarScanner();
    CvarScanner(const CvarScanner&) = delete;
    CvarScanner& operator=(const CvarScanner&) = delete;

    bool Init();
    // The operator's file when it is usable, else the built-in list.
    void PopulateScanningList();
    void AddBuiltInList();
    void PopulateReplicatedCvars();
    void Reset();
    // Forgets the host's variables; their callbacks go with the manager's.
    void Unload();
    static bool IsActive();
    void OnGameFrame();
    void OnQueryCvarValueFinished(int cookie, edict_t* player, EQueryCvarValueStatus status,
                                  const char* cvarName, const char* cvarValue);
    void OnClientDisconnect(edict_t* player);
    // Drops the queries in flight for the changed variable, active or not.
    static void OnReplicatedCvarChange(IConVar* var, const char* oldValue, float oldFloat);
    void RemoveReplicated(const ConVar* var);

    static void HandleOne(TKCvar* entry, edict_t* player, float value);

    // Adding operations of the scanning list.
    void AddCvar(const char* name, const char* value, bool mustExist);
    void AddRangedCvar(const char* name, const char* value, bool hasMin, float min, bool hasMax,
                       float max, bool mustExist);
    void AddCheatCvar(const char* name, const char* value, bool mustExist);
    void AddInfoCvar(const char* name, bool mustExist, TKCvarInfoHandler handler);
    // Outstanding scans point into the list, so they go with it.
    void ClearScanningList() {
        Reset();
        m_List.clear();
    }

    const std::vector<std::unique_ptr<TKCvar>>& GetScanningList() const { return m_List; }
    const std::vector<CvarScan>& GetScans() const { return m_Scans; }
    const std::vector<ConVar*>& GetReplicatedList() const { return m_Replicated; }

private:
    struct PlayerTables {
        std::array<int, kMaxPlayerSlots> listPosition{};
        std::array<int, kMaxPlayerSlots> replicatedPosition{};
        std::array<int, kMaxPlayerSlots> outstanding{};
        std::array<int, kMaxPlayerSlots> listQueries{};
    };

    void ExpireScans();
    void SendNewScans();
    void ScanPlayer(edict_t* player, int slot);
    bool NextScanFor(edict_t* player, int slot, CvarScan& scan);
    void AddCvarScan(const CvarScan& scan);
    void RemoveCvarScanByIndex(std::size_t index);
    const CvarScan* GetCvarScan(int cookie) const;
    int GetCvarScanIndex(int cookie) const;
    // Whether a replicated variable of the list is still the host's.
    bool IsRegistered(const ConVar* var) const;
    // Drops a variable the host no longer has, with its scans, without
    // touching it.
    void ForgetReplicated(const ConVar* var);
    void IncrementPlayerScanIndex(int slot);
    void IncrementPlayerRepIndex(int slot);
    void Judge(const CvarScan& scan, edict_t* player, EQueryCvarValueStatus status,
               const char* cvarValue);
    void JudgeValue(const CvarScan& scan, edict_t* player, const char* cvarValue);
    void JudgeReplicated(const ConVar* var, edict_t* player, const char* cvarValue, float value);
    void JudgeListEntry(TKCvar* entry, edict_t* player, const char* cvarValue, float value);
    static void CvarViolation(edict_t* player, const TKCvar* entry, float value,
                              cvarValueCompare_t result);
    static void KickUnlessQueued(edict_t* player, const char* text);
    static void AnnounceToAll(const char* verdict, edict_t* player, const char* name, float value);

    float m_NextScanTime = 0.0f;
    std::vector<std::unique_ptr<TKCvar>> m_List;
    // Held by value in room reserved up front: sending and answering
    // allocate nothing.
    std::vector<CvarScan> m_Scans;
    PlayerTables m_Tables;
    std::vector<ConVar*> m_Replicated;
};

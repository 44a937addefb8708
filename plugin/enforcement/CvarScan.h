#pragma once

struct edict_t;
class ConVar;
class TKCvar;

enum scanType_t {
    SCAN_LIST = 0,
    SCAN_LIST_CHEAT = 1,
    SCAN_REPLICATED = 2,
};

struct scanInfo_t {
    TKCvar* entry = nullptr;       // list scans
    ConVar* replicated = nullptr;  // replicated scans
};

// One outstanding client variable query.
class CvarScan {
public:
    static constexpr float kRespondSeconds = 12.0f;
    static constexpr int kMaxRetries = 5;

    CvarScan() = default;
    CvarScan(edict_t* player, int playerIndex, scanType_t type, scanInfo_t info)
        : m_Type(type), m_Info(info), m_Player(player), m_PlayerIndex(playerIndex) {}

    // Asks the host; false when the player is gone, the scan names nothing
    // or the host refuses the query.
    bool SendQuery();
    bool IncrementRetries();
    bool IsExpired() const;
    // A cheat or replicated answer means nothing while sv_cheats is on or
    // was on when it was asked.
    bool IsOutOfSync() const;
    bool IsReplicated() const { return m_Type >= SCAN_REPLICATED; }
    // The variable asked for, or null.
    const char* GetName() const;

    int GetCookie() const { return m_Cookie; }
    float GetRespondTime() const { return m_RespondTime; }
    scanType_t GetType() const { return m_Type; }
    const scanInfo_t& GetInfo() const { return m_Info; }
    edict_t* GetPlayer() const { return m_Player; }
    int GetPlayerIndex() const { return m_PlayerIndex; }
    int GetRetries() const { return m_Retries; }

private:
    int m_Cookie = -1;
    scanType_t m_Type = SCAN_LIST;
    scanInfo_t m_Info;
    edict_t* m_Player = nullptr;
    int m_PlayerIndex = 0;
    float m_RespondTime = 0.0f;
    int m_Retries = 0;
    bool m_CheatsAtSending = false;
};

// The engine's ban lists: network IDs (banid) and addresses (addip), each
// permanent (0 minutes) or until a wall-clock time; the permanent ones are
// what writeid and writeip save.
#pragma once

#include <string>
#include <vector>

namespace sim {

class BanList {
public:
    struct Ban {
        std::string key;       // network ID or address
        double expires = 0.0;  // wall-clock seconds; 0: permanent
        bool Permanent() const { return expires == 0.0; }
    };

    // minutes <= 0 bans for good; a second ban of one key replaces the first.
    void BanId(const std::string& id, double minutes);
    void BanIp(const std::string& ip, double minutes);
    bool RemoveId(const std::string& id);
    bool RemoveIp(const std::string& ip);
    bool IsIdBanned(const std::string& id) const;
    bool IsIpBanned(const std::string& ip) const;

    // Expired bans are dropped first.
    const std::vector<Ban>& Ids();
    const std::vector<Ban>& Ips();

    // The text writeid and writeip save: "banid 0 ID" / "addip 0 A.B.C.D" lines.
    std::string PermanentIdsText();
    std::string PermanentIpsText();

    static bool IsValidIp(const std::string& text);

private:
    static void Add(std::vector<Ban>& list, const std::string& key, double minutes);
    static bool Remove(std::vector<Ban>& list, const std::string& key);
    static bool Contains(const std::vector<Ban>& list, const std::string& key);
    static void Expire(std::vector<Ban>& list);
    static std::string Lines(std::vector<Ban>& list, const char* command);

    std::vector<Ban> m_ids;
    std::vector<Ban> m_ips;
};

}  // namespace sim

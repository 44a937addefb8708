#include "engine/BanList.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>

#include "engine/WallClock.h"

namespace sim {

void BanList::Add(std::vector<Ban>& list, const std::string& key, double minutes) {
    const double expires = minutes > 0.0 ? WallClock::Now() + minutes * 60.0 : 0.0;
    for (Ban& ban : list) {
        if (strcasecmp(ban.key.c_str(), key.c_str()) == 0) {
            ban.expires = expires;
            return;
        }
    }
    list.push_back({key, expires});
}

bool BanList::Remove(std::vector<Ban>& list, const std::string& key) {
    return std::erase_if(list, [&](const Ban& ban) {
               return strcasecmp(ban.key.c_str(), key.c_str()) == 0;
           }) != 0;
}

bool BanList::Contains(const std::vector<Ban>& list, const std::string& key) {
    const double now = WallClock::Now();
    return std::any_of(list.begin(), list.end(), [&](const Ban& ban) {
        return strcasecmp(ban.key.c_str(), key.c_str()) == 0 &&
               (ban.Permanent() || ban.expires > now);
    });
}

void BanList::Expire(std::vector<Ban>& list) {
    const double now = WallClock::Now();
    std::erase_if(list, [now](const Ban& ban) { return !ban.Permanent() && ban.expires <= now; });
}

void BanList::BanId(const std::string& id, double minutes) {
    Add(m_ids, id, minutes);
}
void BanList::BanIp(const std::string& ip, double minutes) {
    Add(m_ips, ip, minutes);
}
bool BanList::RemoveId(const std::string& id) {
    return Remove(m_ids, id);
}
bool BanList::RemoveIp(const std::string& ip) {
    return Remove(m_ips, ip);
}
bool BanList::IsIdBanned(const std::string& id) const {
    return Contains(m_ids, id);
}
bool BanList::IsIpBanned(const std::string& ip) const {
    return Contains(m_ips, ip);
}

const std::vector<BanList::Ban>& BanList::Ids() {
    Expire(m_ids);
    return m_ids;
}

const std::vector<BanList::Ban>& BanList::Ips() {
    Expire(m_ips);
    return m_ips;
}

std::string BanList::Lines(std::vector<Ban>& list, const char* command) {
    Expire(list);
    std::string text;
    for (const Ban& ban : list)
        if (ban.Permanent())
            text += std::string(command) + " 0 " + ban.key + "\n";
    return text;
}

std::string BanList::PermanentIdsText() {
    return Lines(m_ids, "banid");
}

std::string BanList::PermanentIpsText() {
    return Lines(m_ips, "addip");
}

bool BanList::IsValidIp(const std::string& text) {
    int parts = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('.', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = text.substr(start, end - start);
        if (part.empty() || part.size() > 3 ||
            part.find_first_not_of("0123456789") != std::string::npos ||
            std::atoi(part.c_str()) > 255)
            return false;
        ++parts;
        start = end + 1;
    }
    return parts == 4;
}

}  // namespace sim

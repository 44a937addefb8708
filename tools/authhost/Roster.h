// The league's roster: what the host answers for each Steam ID. Read once at
// start-up from a text file; see README.md for the format.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace authhost {

struct RosterEntry {
    // Shown in chat when the player joins, in order (never empty for an
    // accepted player).
    std::vector<std::string> lines;
    // A refused player is kicked; his message (possibly empty) goes to chat.
    bool refused = false;
    std::string refusal;
};

struct RosterError {
    int line = 0;
    std::string message;
};

class Roster {
public:
    // Limits that keep every answer inside what a chat line can show.
    static constexpr size_t kMaxTextBytes = 190;
    static constexpr size_t kMaxLinesPerPlayer = 8;

    // Reads the whole text; every bad line is reported with its number and
    // leaves the roster unchanged for that line.
    static Roster Parse(std::string_view text, std::vector<RosterError>& errors);

    // The entry for a Steam ID as the plug-in sends it ("0:1:2345") or as a
    // server shows it ("STEAM_0:1:2345"); null for an unknown player.
    const RosterEntry* Find(std::string_view steamId) const;
    size_t Size() const { return m_entries.size(); }

    // The account part of a Steam ID ("1:2345" of "STEAM_0:1:2345" or
    // "0:1:2345"): the universe digit differs between tools for the same
    // account, so it does not take part in the match. Nothing for text that
    // is not a Steam ID.
    static std::optional<std::string> AccountKey(std::string_view steamId);

private:
    std::map<std::string, RosterEntry, std::less<>> m_entries;
};

}  // namespace authhost

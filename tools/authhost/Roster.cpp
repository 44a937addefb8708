#include "Roster.h"

#include <cctype>

#include "HexDigit.h"

namespace authhost {

namespace {

bool IsDigits(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// "\"word\"" built by appending (GCC 12 warns wrongly on a chain of + here).
std::string Quoted(std::string_view word) {
    std::string text(1, '"');
    text.append(word);
    text += '"';
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view NextWord(std::string_view& rest) {
    size_t start = 0;
    while (start < rest.size() && IsBlank(rest[start]))
        ++start;
    size_t end = start;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    const std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
}

// Chat colour bytes are the only control bytes a chat line may carry.
bool IsChatColour(unsigned char c) {
    return c == 0x01 || c == 0x03 || c == 0x04;
}

// The text of a show or refuse line: \xHH and \\ escapes, no other control
// bytes. Answers an error message, or "" when the text is good.
std::string DecodeText(std::string_view raw, std::string& text) {
    text.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c == '\\') {
            if (i + 1 < raw.size() && raw[i + 1] == '\\') {
                text += '\\';
                ++i;
                continue;
            }
            if (i + 3 < raw.size() && raw[i + 1] == 'x' && HexValue(raw[i + 2]) >= 0 &&
                HexValue(raw[i + 3]) >= 0) {
                const unsigned char byte =
                    static_cast<unsigned char>(HexValue(raw[i + 2]) * 16 + HexValue(raw[i + 3]));
                if (byte < 0x20 && !IsChatColour(byte)) {
                    std::string error = "\\x";
                    error.append(raw.substr(i + 2, 2));
                    error.append(
                        " is a control byte (only the chat colours \\x01, \\x03 and \\x04 may "
                        "appear)");
                    return error;
                }
                text += static_cast<char>(byte);
                i += 3;
                continue;
            }
            return "a backslash starts \\\\ or \\xHH only";
        }
        if (c < 0x20 || c == 0x7f)
            return "the text holds a control byte (write chat colours as \\x01, \\x03, \\x04)";
        text += static_cast<char>(c);
    }
    if (text.size() > Roster::kMaxTextBytes)
        return "the text is " + std::to_string(text.size()) + " bytes long (at most " +
               std::to_string(Roster::kMaxTextBytes) + " fit a chat line)";
    return "";
}

}  // namespace

std::optional<std::string> Roster::AccountKey(std::string_view steamId) {
    if (steamId.substr(0, 6) == "STEAM_")
        steamId.remove_prefix(6);
    const size_t first = steamId.find(':');
    if (first == std::string_view::npos)
        return std::nullopt;
    const size_t second = steamId.find(':', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const std::string_view universe = steamId.substr(0, first);
    const std::string_view bit = steamId.substr(first + 1, second - first - 1);
    const std::string_view account = steamId.substr(second + 1);
    if (!IsDigits(universe, 1) || (bit != "0" && bit != "1") || !IsDigits(account, 10))
        return std::nullopt;
    // Leading zeros name the same account.
    const size_t digits = account.find_first_not_of('0');
    const std::string_view number =
        digits == std::string_view::npos ? std::string_view("0") : account.substr(digits);
    std::string key(bit);
    key += ':';
    key.append(number);
    return key;
}

Roster Roster::Parse(std::string_view text, std::vector<RosterError>& errors) {
    Roster roster;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && (line.back() == '\r' || IsBlank(line.back())))
            line.remove_suffix(1);
        std::string_view rest = line;
        const std::string_view id = NextWord(rest);
        if (id.empty() || id[0] == '#')
            continue;
        auto fail = [&](std::string message) { errors.push_back({number, std::move(message)}); };
        const std::optional<std::string> key = AccountKey(id);
        if (!key) {
            fail(Quoted(id) + " is not a Steam ID (STEAM_0:1:2345 or 0:1:2345)");
            continue;
        }
        const std::string_view verb = NextWord(rest);
        while (!rest.empty() && IsBlank(rest.front()))
            rest.remove_prefix(1);
        if (verb != "show" && verb != "refuse") {
            fail(verb.empty() ? "a Steam ID needs \"show TEXT\" or \"refuse [TEXT]\""
                              : "unknown word " + Quoted(verb) + " (show or refuse)");
            continue;
        }
        std::string decoded;
        if (std::string error = DecodeText(rest, decoded); !error.empty()) {
            fail(error);
            continue;
        }
        RosterEntry* existing = nullptr;
        if (auto it = roster.m_entries.find(*key); it != roster.m_entries.end())
            existing = &it->second;
        if (verb == "show") {
            if (decoded.empty()) {
                fail("show needs a text (an empty line would not be shown)");
                continue;
            }
            if (existing && existing->refused) {
                fail("this player is refused on an earlier line; a refused player is not shown");
                continue;
            }
            if (existing && existing->lines.size() >= kMaxLinesPerPlayer) {
                fail("more than " + std::to_string(kMaxLinesPerPlayer) +
                     " show lines for one player");
                continue;
            }
            roster.m_entries[*key].lines.push_back(std::move(decoded));
            continue;
        }
        if (existing) {
            fail(existing->refused ? "this player is refused twice"
                                   : "this player has show lines; a refused player is not shown");
            continue;
        }
        RosterEntry& entry = roster.m_entries[*key];
        entry.refused = true;
        entry.refusal = std::move(decoded);
    }
    return roster;
}

const RosterEntry* Roster::Find(std::string_view steamId) const {
    const std::optional<std::string> key = AccountKey(steamId);
    if (!key)
        return nullptr;
    auto it = m_entries.find(*key);
    return it == m_entries.end() ? nullptr : &it->second;
}

}  // namespace authhost

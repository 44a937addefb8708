// travik-authhost's readers of outside input: the form body a game server
// (or anybody who reaches the port) POSTs, and the league's roster file.
// The input is read both ways.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Exchange.h"
#include "Roster.h"
#include "support/StringTokenizer.h"
#include "support/base64.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool IsBase64Text(std::string_view text) {
    for (char c : text)
        if (!is_base64(static_cast<unsigned char>(c)) && c != '=' && c != ',')
            return false;
    return true;
}

const authhost::Roster& FixedRoster() {
    static const authhost::Roster roster = [] {
        std::vector<authhost::RosterError> errors;
        return authhost::Roster::Parse(
            "0:1:2345 show Alice\n0:1:2345 show \\x04Team\\x01 Red\n0:0:7 refuse Banned\n", errors);
    }();
    return roster;
}

// An answer is "0", a refusal "1," + Base64, or Base64 lines that decode to
// exactly the roster's lines of the one account the uid names.
void CheckAnswer(const std::string& body) {
    const authhost::AuthRequest request = authhost::ParseRequest(body);
    const authhost::AuthAnswer answer = authhost::Answer(FixedRoster(), request);
    const authhost::RosterEntry* entry = FixedRoster().Find(request.uid);
    switch (answer.verdict) {
        case authhost::Verdict::Unknown:
            Check(!entry && answer.body == "0");
            break;
        case authhost::Verdict::Refused:
            Check(entry && entry->refused && answer.body.rfind("1,", 0) == 0 &&
                  IsBase64Text(answer.body.substr(2)) &&
                  base64_decode(answer.body.substr(2)) == entry->refusal);
            break;
        case authhost::Verdict::Shown: {
            Check(entry && !entry->refused && IsBase64Text(answer.body));
            StringTokenizer fields(answer.body, ",");
            size_t line = 0;
            while (fields.hasMoreTokens()) {
                Check(line < entry->lines.size() &&
                      base64_decode(fields.nextToken()) == entry->lines[line]);
                ++line;
            }
            Check(line == entry->lines.size());
            break;
        }
    }
    Check(!authhost::LogSafe(request.uid).empty() || request.uid.empty());
}

// Whatever a roster holds, every line it keeps fits a chat line and carries
// no control byte but the chat colours; every error names a line of the text.
void CheckRoster(const std::string& text) {
    std::vector<authhost::RosterError> errors;
    const authhost::Roster roster = authhost::Roster::Parse(text, errors);
    size_t lines = 1;
    for (char c : text)
        lines += c == '\n';
    for (const authhost::RosterError& error : errors)
        Check(error.line >= 1 && static_cast<size_t>(error.line) <= lines &&
              !error.message.empty());
    // Look every word of the text up as a Steam ID.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(" \t\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (const authhost::RosterEntry* entry = roster.Find(text.substr(start, end - start))) {
            Check(entry->refused ? entry->lines.empty() : !entry->lines.empty());
            Check(entry->lines.size() <= authhost::Roster::kMaxLinesPerPlayer);
            for (const std::string& line : entry->lines) {
                Check(!line.empty() && line.size() <= authhost::Roster::kMaxTextBytes);
                for (unsigned char c : line)
                    Check(c >= 0x20 ? c != 0x7f : (c == 0x01 || c == 0x03 || c == 0x04));
            }
        }
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckAnswer(text);
    CheckRoster(text);
    return 0;
}

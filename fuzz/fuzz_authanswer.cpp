// A league auth host's accepting answer, as the plug-in turns it into chat
// lines: at most eight, each fitting one chat message, with no line break or
// control byte but the chat colours, never ending inside a UTF-8 character
// the host sent whole, and nothing dropped from a line short enough.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "auth/TKAuthHost.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool Allowed(unsigned char byte) {
    return byte >= 0x20 ? byte != 0x7f : byte == 0x01 || byte == 0x03 || byte == 0x04;
}

void CheckLine(const std::string& text) {
    const std::string line = TKAuthHost::ChatSafeLine(text);
    Check(line.size() <= TKAuthHost::kMaxChatLine);
    std::string kept;
    for (const char c : text) {
        if (Allowed(static_cast<unsigned char>(c)))
            kept.push_back(c);
    }
    for (const char c : line)
        Check(Allowed(static_cast<unsigned char>(c)));
    // A prefix of what was allowed through; all of it when it fits.
    Check(kept.compare(0, line.size(), line) == 0);
    if (kept.size() <= TKAuthHost::kMaxChatLine) {
        Check(line == kept);
    } else {
        // Cut at most three bytes early, and then only because the bytes
        // after the cut up to the limit continue a character.
        Check(line.size() + 3 >= TKAuthHost::kMaxChatLine);
        for (std::size_t at = line.size() + 1; at <= TKAuthHost::kMaxChatLine; ++at)
            Check((static_cast<unsigned char>(kept[at]) & 0xC0) == 0x80);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = TKAuthHost::InformationLines(body);
    Check(lines.size() <= TKAuthHost::kMaxInformationLines);
    for (const std::string& line : lines)
        Check(line.size() <= TKAuthHost::kMaxChatLine);
    CheckLine(body);
    return 0;
}

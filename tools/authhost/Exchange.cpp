#include "Exchange.h"

#include <cstdio>

#include "HexDigit.h"
#include "support/base64.h"

namespace authhost {

namespace {

std::string FormDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
                   HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Encode(const std::string& text) {
    return base64_encode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

}  // namespace

AuthRequest ParseRequest(std::string_view body) {
    AuthRequest request;
    while (!body.empty()) {
        const size_t end = body.find('&');
        const std::string_view field = body.substr(0, end);
        body.remove_prefix(end == std::string_view::npos ? body.size() : end + 1);
        const size_t equals = field.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = field.substr(0, equals);
        const std::string_view value = field.substr(equals + 1);
        std::string* target = key == "uid"        ? &request.uid
                              : key == "game"     ? &request.game
                              : key == "gameIP"   ? &request.gameIP
                              : key == "gamePort" ? &request.gamePort
                                                  : nullptr;
        // The first of a repeated field counts, as for the plug-in's one of each.
        if (target && target->empty())
            *target = FormDecode(value);
    }
    return request;
}

AuthAnswer Answer(const Roster& roster, const AuthRequest& request) {
    const RosterEntry* entry = roster.Find(request.uid);
    if (!entry)
        return {Verdict::Unknown, "0"};
    if (entry->refused)
        return {Verdict::Refused, "1," + Encode(entry->refusal)};
    std::string body;
    for (const std::string& line : entry->lines) {
        if (!body.empty())
            body += ',';
        body += Encode(line);
    }
    return {Verdict::Shown, body};
}

std::string OfflinePage() {
    return "<html><head><title>League authentication</title></head>"
           "<body><p>The league's authentication is down for maintenance.</p></body></html>\n";
}

std::string LogSafe(std::string_view text, size_t maxBytes) {
    std::string out;
    const size_t shown = text.size() < maxBytes ? text.size() : maxBytes;
    for (size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    if (shown < text.size())
        out += "...";
    return out;
}

}  // namespace authhost

#include "updater/UpdateProtocol.h"

#include "support/StringTokenizer.h"
#include "support/TKStrUtils.h"

namespace UpdateProtocol {

#ifdef _WIN32
constexpr std::string_view kModuleExtension = ".dll";
#else
constexpr std::string_view kModuleExtension = ".so";
#endif

Answer ParseAnswer(const std::string& body) {
    Answer answer;
    if (body.find("<html>") != std::string::npos) {
        answer.kind = AnswerKind::PageGone;
        return answer;
    }
    if (body == "N") {
        answer.kind = AnswerKind::UpToDate;
        return answer;
    }
    StringTokenizer fields(body, ",");
    if (fields.countTokens() < 4) {
        answer.kind = AnswerKind::Malformed;
        return answer;
    }
    if (fields.nextToken() != "1") {
        answer.kind = AnswerKind::NoUpdate;
        return answer;
    }
    answer.kind = AnswerKind::Update;
    answer.downloadId = fields.nextToken();
    answer.version = fields.nextToken();
    answer.digest = fields.nextToken();
    answer.signature = fields.nextToken();
    // A line end (after the last field) is never part of a Base64 signature.
    while (!answer.signature.empty() &&
           (answer.signature.back() == '\n' || answer.signature.back() == '\r')) {
        answer.signature.pop_back();
    }
    return answer;
}

std::string ParseVersionNumber(const std::string& version) {
    return TKStrUtils::stringToLower(TKStrUtils::replaceStr(version, ".", ""));
}

bool IsValidVersionSuffix(const std::string& suffix) {
    if (suffix.empty()) {
        return false;
    }
    for (char c : suffix) {
        const bool allowed =
            (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

bool IsValidTravikFile(const std::string& name) {
    // "travik", a version suffix of 1 to 10 characters and the extension
    // (10 to 19 characters with ".so"). Counting without the extension keeps
    // the plain "travik.dll" of a first install out, as "travik.so" is.
    constexpr std::string_view kStem = "travik";
    if (name.size() < kStem.size() + kModuleExtension.size() || !name.starts_with(kStem) ||
        !name.ends_with(kModuleExtension)) {
        return false;
    }
    const std::size_t suffix = name.size() - kStem.size() - kModuleExtension.size();
    return suffix >= 1 && suffix <= 10 && name.find("..") == std::string::npos &&
           name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

std::string EscapeUrlComponent(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (unsigned char c : text) {
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 15];
        }
    }
    return escaped;
}

bool RewriteVdfLine(std::string& line, const std::string& suffix) {
    static const std::string kName = "travik";
    // Only a "travik" that begins a file name counts: one inside a name
    // (another plug-in's "mytravik", or the suffix of "traviktravik" that a
    // version naming itself "travik" left) would retarget the line.
    size_t found = line.rfind(kName);
    while (found != std::string::npos && found > 0 && line[found - 1] != '/' &&
           line[found - 1] != '\\' && line[found - 1] != '"') {
        found = line.rfind(kName, found - 1);
    }
    if (found == std::string::npos) {
        return false;
    }
    const size_t after = found + kName.size();
    if (after >= line.size()) {
        return false;
    }
    const size_t quote = line.find('"', after);
    if (quote == std::string::npos) {
        return false;
    }
    line.replace(after, quote - after, suffix);
    return true;
}

}  // namespace UpdateProtocol

// The update server's answer decides which file the updater writes, which URL
// it fetches and what goes into the host's description files. Input: the
// answer's body.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "updater/UpdateProtocol.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool IsUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// The escaped id holds only unreserved bytes and whole %XX escapes.
void CheckEscaped(const std::string& text) {
    const std::string escaped = UpdateProtocol::EscapeUrlComponent(text);
    size_t decoded = 0;
    for (size_t i = 0; i < escaped.size(); ++decoded) {
        if (escaped[i] == '%') {
            Check(i + 2 < escaped.size() &&
                  std::isxdigit(static_cast<unsigned char>(escaped[i + 1])) &&
                  std::isxdigit(static_cast<unsigned char>(escaped[i + 2])));
            i += 3;
        } else {
            Check(IsUnreserved(escaped[i]));
            ++i;
        }
    }
    Check(decoded == text.size());
}

// Only a plain suffix is accepted, and a description line rewritten with it
// gains no quote, separator or line break.
void CheckVersion(const std::string& version) {
    const std::string suffix = UpdateProtocol::ParseVersionNumber(version);
    if (!UpdateProtocol::IsValidVersionSuffix(suffix)) {
        return;
    }
    for (char c : suffix) {
        Check((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-');
    }
    std::string line = "\t\"file\"\t\"addons/travik\"\n";
    Check(UpdateProtocol::RewriteVdfLine(line, suffix));
    Check(line == "\t\"file\"\t\"addons/travik" + suffix + "\"\n");
    Check(UpdateProtocol::IsValidTravikFile("travik" + suffix + ".so") == (suffix.size() <= 10));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const UpdateProtocol::Answer answer = UpdateProtocol::ParseAnswer(body);
    if (answer.kind != UpdateProtocol::AnswerKind::Update) {
        Check(answer.downloadId.empty() && answer.version.empty() && answer.digest.empty());
        return 0;
    }
    Check(!answer.downloadId.empty() && !answer.version.empty() && !answer.digest.empty());
    Check(answer.downloadId.find(',') == std::string::npos);
    Check(answer.signature.empty() ||
          (answer.signature.back() != '\n' && answer.signature.back() != '\r'));
    CheckEscaped(answer.downloadId);
    CheckVersion(answer.version);
    return 0;
}

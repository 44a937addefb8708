// cfg/travik_trustedkeys.txt, the public keys whose release signatures the
// updater accepts besides its own: lines as the operator's files are read,
// each one a key only when it is 44 characters of Base64 of 32 bytes. Input:
// the file's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ConfigFile.h"
#include "updater/ReleaseSignature.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

bool IsBase64Character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int last = 0;
    ConfigFile::ForEachLine(text, [&](int number, std::string_view line) {
        // Numbers rise, and a line never holds a line break or the skipped
        // comment start.
        Check(number > last);
        last = number;
        Check(!line.empty() && line.find('\n') == std::string_view::npos);
        Check(!line.starts_with("//"));
        const std::string key(line);
        if (!ReleaseSignature::IsPublicKey(key))
            return;
        Check(key.size() == 44 && key.back() == '=');
        for (char c : key)
            Check(IsBase64Character(c));
    });
    return 0;
}

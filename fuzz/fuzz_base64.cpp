// Auth-host answers arrive as Base64 fields: decode anything, and check that
// what the encoder makes always comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/base64.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// Characters from the start up to the first one outside the alphabet.
size_t AlphabetPrefix(const std::string& text) {
    size_t n = 0;
    while (n < text.size() && is_base64(static_cast<unsigned char>(text[n]))) {
        ++n;
    }
    return n;
}

void CheckDecode(const std::string& input) {
    const std::string decoded = base64_decode(input);
    const size_t used = AlphabetPrefix(input);
    const size_t tail = used % 4;
    Check(decoded.size() == used / 4 * 3 + (tail >= 2 ? tail - 1 : 0));

    // Whole groups carry no spare bits, so they encode back to the same text.
    const size_t whole = used / 4 * 4;
    const std::string wholeBytes = decoded.substr(0, whole / 4 * 3);
    Check(base64_encode(reinterpret_cast<const unsigned char*>(wholeBytes.data()),
                        wholeBytes.size()) == input.substr(0, whole));
}

void CheckRoundTrip(const uint8_t* data, size_t size, const std::string& input) {
    const std::string encoded = base64_encode(data, size);
    Check(encoded.size() == (size + 2) / 3 * 4);
    Check(base64_decode(encoded) == input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckDecode(input);
    CheckRoundTrip(data, size, input);
    return 0;
}

// The judging of a client's answer to a cvar query against a scanning-list
// entry. Input: one byte of switches (bit 0 a minimum, bit 1 a maximum),
// four bytes each of the minimum and the maximum as floats, then the
// expected text and the answer, split at the first NUL byte. A ranged entry
// passes exactly the numbers in its range (never "nan"), a plain one its own
// text and anything of the same number, and nothing else.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "enforcement/TKCvar.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

float FloatAt(const uint8_t* data) {
    float value = 0.0f;
    std::memcpy(&value, data, sizeof(value));
    return value;
}

void CheckRanged(const TKCvar::Bounds& bounds, const std::string& answer) {
    const TKCvar entry("r_rootlod", "0", bounds, true, false, nullptr);
    const float value = CvarAnswerValue(answer.c_str());
    const cvarValueCompare_t result = entry.CheckValue(answer.c_str(), value);
    const bool inRange = !std::isnan(value) && (!bounds.hasMin || value >= bounds.min) &&
                         (!bounds.hasMax || value <= bounds.max);
    Check(result != CVAR_NOT_DEFAULT);
    Check((result == CVAR_ACCEPTABLE) == inRange);
    Check(result != CVAR_BELOW_MINIMUM || bounds.hasMin);
    Check(result != CVAR_ABOVE_MAXIMUM || bounds.hasMax);
}

void CheckPlain(const std::string& expected, const std::string& answer) {
    for (const bool cheat : {false, true}) {
        const TKCvar entry("mat_wireframe", expected.c_str(), {}, true, cheat, nullptr);
        const float value = CvarAnswerValue(answer.c_str());
        const cvarValueCompare_t result = entry.CheckValue(answer.c_str(), value);
        Check(result == CVAR_ACCEPTABLE || result == CVAR_NOT_DEFAULT);
        const bool same = answer == expected || value == CvarAnswerValue(expected.c_str());
        Check((result == CVAR_ACCEPTABLE) == same);
        Check(entry.CheckValue(expected.c_str(), CvarAnswerValue(expected.c_str())) ==
              CVAR_ACCEPTABLE);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kHeader = 1 + 2 * sizeof(float);
    if (size < kHeader) {
        return 0;
    }
    TKCvar::Bounds bounds;
    bounds.hasMin = data[0] & 1;
    bounds.hasMax = data[0] & 2;
    bounds.min = FloatAt(data + 1);
    bounds.max = FloatAt(data + 1 + sizeof(float));
    // The lists refuse bounds that are not finite or cross.
    const bool usable = (!bounds.hasMin || std::isfinite(bounds.min)) &&
                        (!bounds.hasMax || std::isfinite(bounds.max)) &&
                        !(bounds.hasMin && bounds.hasMax && bounds.min > bounds.max);
    const std::string rest(reinterpret_cast<const char*>(data) + kHeader, size - kHeader);
    const size_t split = rest.find('\0');
    const std::string expected = rest.substr(0, split);
    const std::string answer = split == std::string::npos ? "" : rest.substr(split + 1).c_str();
    if (usable && (bounds.hasMin || bounds.hasMax)) {
        CheckRanged(bounds, answer);
    }
    CheckPlain(expected, answer);
    return 0;
}

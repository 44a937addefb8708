#include "support/TrimSteamID.h"

#include <cstring>

namespace {
constexpr size_t kPrefixLength = 6;
}

void TrimSteamID(std::string& id) {
    id.erase(0, kPrefixLength);
}

void TrimSteamID(char* id) {
    if (id == nullptr) {
        return;
    }
    const size_t len = std::strlen(id);
    if (len <= kPrefixLength) {
        id[0] = '\0';
        return;
    }
    // Overlapping move, terminator included.
    std::memmove(id, id + kPrefixLength, len - kPrefixLength + 1);
}

#include "support/StringCrypt.h"

#include <algorithm>
#include <cstdio>

std::string encKey;

void InitEnc() {
    char buffer[20];
    std::snprintf(buffer, sizeof(buffer), "%i", StringCrypt::kKeySeed);
    encKey = buffer;
}

std::string XORSTR(const std::string& data, const std::string& key) {
    if (data.size() > kXorStrMaxLength) {
        return std::string();
    }
    std::string out = data;
    if (key.empty()) {
        return out;
    }
    const uint16_t dataLength = static_cast<uint16_t>(data.size());
    const uint16_t keyLength = static_cast<uint16_t>(std::min(key.size(), kXorStrMaxLength));
    uint16_t j = 0;
    for (uint16_t i = 0; i < dataLength; ++i) {
        out[i] = static_cast<char>(data[i] ^ key[j]);
        if (++j == keyLength) {
            j = 0;
        }
    }
    return out;
}

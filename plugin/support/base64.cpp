#include "support/base64.h"

#include <array>
#include <cstdint>

constexpr char base64_chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {

constexpr unsigned char kNotInAlphabet = 0xFF;

constexpr std::array<unsigned char, 256> MakeDecodeTable() {
    std::array<unsigned char, 256> table{};
    table.fill(kNotInAlphabet);
    for (unsigned char i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(base64_chars[i])] = i;
    }
    return table;
}

constexpr std::array<unsigned char, 256> kDecodeTable = MakeDecodeTable();

// Appends the bytes of `count` sextets (2 to 4), most significant first.
void AppendGroup(std::string& out, const unsigned char* sextets, size_t count) {
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i) {
        bits = (bits << 6) | (i < count ? sextets[i] : 0);
    }
    for (size_t i = 0; i + 1 < count; ++i) {
        out.push_back(static_cast<char>((bits >> (16 - 8 * i)) & 0xFF));
    }
}

}  // namespace

bool is_base64(unsigned char c) {
    return kDecodeTable[c] != kNotInAlphabet;
}

std::string base64_decode(const std::string& encoded) {
    std::string out;
    out.reserve(encoded.size() / 4 * 3 + 2);
    unsigned char group[4];
    size_t filled = 0;
    for (const char ch : encoded) {
        const unsigned char value = kDecodeTable[static_cast<unsigned char>(ch)];
        if (value == kNotInAlphabet) {
            break;  // '=' is outside the alphabet too
        }
        group[filled++] = value;
        if (filled == 4) {
            AppendGroup(out, group, 4);
            filled = 0;
        }
    }
    if (filled >= 2) {
        AppendGroup(out, group, filled);
    }
    return out;
}

std::string base64_encode(const unsigned char* bytes, size_t length) {
    std::string out;
    if (bytes == nullptr) {
        return out;
    }
    out.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        const size_t take = length - i < 3 ? length - i : 3;
        uint32_t bits = 0;
        for (size_t k = 0; k < 3; ++k) {
            bits = (bits << 8) | (k < take ? bytes[i + k] : 0);
        }
        for (size_t k = 0; k < 4; ++k) {
            out.push_back(k <= take ? base64_chars[(bits >> (18 - 6 * k)) & 0x3F] : '=');
        }
    }
    return out;
}

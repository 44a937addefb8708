#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Names the plug-in keeps out of plain sight in its own data are stored
// XOR-scrambled with a key of decimal digits that exists only at run time.

// Largest data and key XORSTR handles: its lengths and counters are 16 bits.
inline constexpr size_t kXorStrMaxLength = 0xFFFF;

// The scrambling key; empty until InitEnc.
extern std::string encKey;

// Fills encKey (eight decimal digits). Safe to call again.
void InitEnc();

// Byte i of data XOR byte (i mod key length) of key; its own inverse. Data
// longer than kXorStrMaxLength is refused with an empty result (the 16-bit
// counters cannot address it, and a partial result would pass for a whole
// one). An empty key leaves the data as it is. Only the first
// kXorStrMaxLength key bytes can ever be reached.
std::string XORSTR(const std::string& data, const std::string& key);

namespace StringCrypt {

// The integer InitEnc formats into the key. Kept here so scrambled names can
// be produced at compile time; it must stay eight decimal digits.
inline constexpr int kKeySeed = 73918264;

// kKeySeed as decimal digits, as InitEnc makes them.
inline constexpr std::array<char, 8> kKeyDigits = [] {
    std::array<char, 8> digits{};
    int value = kKeySeed;
    for (size_t i = digits.size(); i-- > 0; value /= 10) {
        digits[i] = static_cast<char>('0' + value % 10);
    }
    return digits;
}();
static_assert(kKeySeed >= 10000000 && kKeySeed <= 99999999, "the key is eight digits");

// A scrambled name: the bytes may contain NUL (a digit in the name that meets
// the same key digit), so it carries its length and is never a C string.
template <size_t N>
struct Scrambled {
    std::array<char, N> bytes;
    std::string unscramble() const { return XORSTR(std::string(bytes.data(), N), encKey); }
};

// Scrambles a string literal at compile time, so only the scrambled bytes
// reach the program's data: constexpr auto kName = StringCrypt::Scramble("x");
template <size_t N>
consteval Scrambled<N - 1> Scramble(const char (&text)[N]) {
    static_assert(N - 1 <= kXorStrMaxLength);
    Scrambled<N - 1> out{};
    for (size_t i = 0; i + 1 < N; ++i) {
        out.bytes[i] = static_cast<char>(text[i] ^ kKeyDigits[i % kKeyDigits.size()]);
    }
    return out;
}

}  // namespace StringCrypt

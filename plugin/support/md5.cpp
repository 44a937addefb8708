#include "support/md5.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kBlockSize = 64;
constexpr size_t kFileBlockSize = 1024;

constexpr unsigned char kPadding[kBlockSize] = {0x80};

constexpr uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
    return (x & y) | (~x & z);
}
constexpr uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
    return (x & z) | (y & ~z);
}
constexpr uint32_t H(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ y ^ z;
}
constexpr uint32_t I(uint32_t x, uint32_t y, uint32_t z) {
    return y ^ (x | ~z);
}

constexpr uint32_t RotateLeft(uint32_t x, unsigned n) {
    return (x << n) | (x >> (32 - n));
}

using RoundFn = uint32_t (*)(uint32_t, uint32_t, uint32_t);

// One step of a round: a = b + ((a + f(b,c,d) + x + t) <<< s).
template <RoundFn f>
void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, unsigned s, uint32_t t) {
    a = b + RotateLeft(a + f(b, c, d) + x + t, s);
}

// Per round: the message word of step 0 and its stride (mod 16), the four
// shift amounts, and the sixteen additive constants (floor(abs(sin(i)) * 2^32)).
struct Round {
    unsigned first;
    unsigned stride;
    unsigned shifts[4];
    uint32_t constants[16];
};

constexpr Round kRounds[4] = {
    {0,
     1,
     {7, 12, 17, 22},
     {0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
      0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
      0xa679438e, 0x49b40821}},
    {1,
     5,
     {5, 9, 14, 20},
     {0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681,
      0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8,
      0x676f02d9, 0x8d2a4c8a}},
    {5,
     3,
     {4, 11, 16, 23},
     {0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60,
      0xbebfbc70, 0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5,
      0x1fa27cf8, 0xc4ac5665}},
    {0,
     7,
     {6, 10, 15, 21},
     {0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d,
      0x85845dd1, 0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235,
      0x2ad7d2bb, 0xeb86d391}},
};

template <RoundFn f>
void RunRound(uint32_t state[4], const uint32_t x[16], const Round& round) {
    uint32_t& a = state[0];
    uint32_t& b = state[1];
    uint32_t& c = state[2];
    uint32_t& d = state[3];
    for (unsigned i = 0; i < 16; i += 4) {
        const unsigned k = round.first + i * round.stride;
        Step<f>(a, b, c, d, x[k % 16], round.shifts[0], round.constants[i]);
        Step<f>(d, a, b, c, x[(k + round.stride) % 16], round.shifts[1], round.constants[i + 1]);
        Step<f>(c, d, a, b, x[(k + 2 * round.stride) % 16], round.shifts[2],
                round.constants[i + 2]);
        Step<f>(b, c, d, a, x[(k + 3 * round.stride) % 16], round.shifts[3],
                round.constants[i + 3]);
    }
}

}  // namespace

void md5::Init() {
    m_State[0] = 0x67452301;
    m_State[1] = 0xefcdab89;
    m_State[2] = 0x98badcfe;
    m_State[3] = 0x10325476;
    m_Count[0] = m_Count[1] = 0;
    std::memset(m_Buffer, 0, sizeof(m_Buffer));
    std::memset(m_Digest, 0, sizeof(m_Digest));
    m_Finalized = false;
}

void md5::Update(const unsigned char* input, size_t length) {
    if (m_Finalized || input == nullptr || length == 0) {
        return;
    }
    size_t index = (m_Count[0] >> 3) & 0x3F;

    // The bit count is kept modulo 2^64, as the padding records it.
    const uint32_t lowBits = static_cast<uint32_t>(length << 3);
    m_Count[0] += lowBits;
    if (m_Count[0] < lowBits) {
        ++m_Count[1];
    }
    m_Count[1] += static_cast<uint32_t>(length >> 29);

    const size_t partLength = kBlockSize - index;
    size_t i = 0;
    if (length >= partLength) {
        std::memcpy(&m_Buffer[index], input, partLength);
        Transform(m_Buffer);
        for (i = partLength; i + kBlockSize <= length; i += kBlockSize) {
            Transform(&input[i]);
        }
        index = 0;
    }
    std::memcpy(&m_Buffer[index], &input[i], length - i);
}

void md5::Finalize() {
    if (m_Finalized) {
        return;
    }
    unsigned char bits[8];
    Encode(bits, m_Count, 8);

    // Pad to 56 bytes modulo 64, then append the length.
    const size_t index = (m_Count[0] >> 3) & 0x3F;
    const size_t padLength = index < 56 ? 56 - index : 120 - index;
    Update(kPadding, padLength);
    Update(bits, 8);

    Encode(m_Digest, m_State, kDigestSize);

    // Leave no trace of the message in the context.
    std::memset(m_State, 0, sizeof(m_State));
    std::memset(m_Count, 0, sizeof(m_Count));
    std::memset(m_Buffer, 0, sizeof(m_Buffer));
    m_Finalized = true;
}

void md5::Transform(const unsigned char block[64]) {
    uint32_t x[16];
    Decode(x, block, kBlockSize);
    uint32_t state[4] = {m_State[0], m_State[1], m_State[2], m_State[3]};
    RunRound<F>(state, x, kRounds[0]);
    RunRound<G>(state, x, kRounds[1]);
    RunRound<H>(state, x, kRounds[2]);
    RunRound<I>(state, x, kRounds[3]);
    for (int i = 0; i < 4; ++i) {
        m_State[i] += state[i];
    }
    std::memset(x, 0, sizeof(x));
}

// Words to bytes, little-endian; length is a multiple of 4.
void md5::Encode(unsigned char* output, const uint32_t* input, size_t length) {
    for (size_t i = 0, j = 0; j < length; ++i, j += 4) {
        output[j] = static_cast<unsigned char>(input[i] & 0xFF);
        output[j + 1] = static_cast<unsigned char>((input[i] >> 8) & 0xFF);
        output[j + 2] = static_cast<unsigned char>((input[i] >> 16) & 0xFF);
        output[j + 3] = static_cast<unsigned char>((input[i] >> 24) & 0xFF);
    }
}

// Bytes to words, little-endian; length is a multiple of 4.
void md5::Decode(uint32_t* output, const unsigned char* input, size_t length) {
    for (size_t i = 0, j = 0; j < length; ++i, j += 4) {
        output[i] = static_cast<uint32_t>(input[j]) | (static_cast<uint32_t>(input[j + 1]) << 8) |
                    (static_cast<uint32_t>(input[j + 2]) << 16) |
                    (static_cast<uint32_t>(input[j + 3]) << 24);
    }
}

char* PrintMD5(const unsigned char digest[md5::kDigestSize]) {
    static constexpr char kHex[] = "0123456789abcdef";
    char* text = new char[md5::kDigestSize * 2 + 1];
    for (size_t i = 0; i < md5::kDigestSize; ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 0x0F];
    }
    text[md5::kDigestSize * 2] = '\0';
    return text;
}

char* MD5Stream(const MD5ReadFn& read) {
    md5 context;
    unsigned char block[kFileBlockSize];
    for (;;) {
        const long got = read(block, sizeof(block));
        if (got == 0) {
            break;
        }
        if (got < 0 || static_cast<unsigned long>(got) > sizeof(block)) {
            return nullptr;
        }
        context.Update(block, static_cast<size_t>(got));
    }
    context.Finalize();
    return PrintMD5(context.Digest());
}

char* MD5File(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    // fread gives 0 both at the end and on an error (a directory opens but
    // cannot be read); only the end is a whole file.
    char* text = MD5Stream([file](unsigned char* buffer, size_t size) -> long {
        const size_t got = std::fread(buffer, 1, size, file);
        return got == 0 && std::ferror(file) ? -1 : static_cast<long>(got);
    });
    std::fclose(file);
    return text;
}

char* MD5String(const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    md5 context;
    context.Update(reinterpret_cast<const unsigned char*>(text), std::strlen(text));
    context.Finalize();
    return PrintMD5(context.Digest());
}

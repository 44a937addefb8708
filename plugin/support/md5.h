#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// MD5 message digest (RFC 1321).
class md5 {
public:
    static constexpr size_t kDigestSize = 16;

    md5() { Init(); }

    // Starts a new message; also the way to reuse a finalized context.
    void Init();
    // Adds bytes to the message. Ignored after Finalize until the next Init.
    void Update(const unsigned char* input, size_t length);
    // Pads the message, writes the digest and clears the working state. A
    // second call keeps the digest instead of hashing the cleared state.
    void Finalize();
    // The 16 digest bytes; meaningful after Finalize.
    const unsigned char* Digest() const { return m_Digest; }

private:
    void Transform(const unsigned char block[64]);
    static void Encode(unsigned char* output, const uint32_t* input, size_t length);
    static void Decode(uint32_t* output, const unsigned char* input, size_t length);

    uint32_t m_State[4];
    uint32_t m_Count[2];  // message length in bits, low word first
    unsigned char m_Buffer[64];
    unsigned char m_Digest[kDigestSize];
    bool m_Finalized;
};

// The hex texts below are allocated with new[]: release them with delete[],
// or hold them in an MD5Text, e.g. MD5Text hex(MD5File(path));
using MD5Text = std::unique_ptr<char[]>;

// 32 lowercase hex digits of the 16 digest bytes, in digest order.
char* PrintMD5(const unsigned char digest[md5::kDigestSize]);

// Reads up to `size` bytes into `buffer`: returns the count read, 0 at the
// end of the data, or a negative value on a read error.
using MD5ReadFn = std::function<long(unsigned char* buffer, size_t size)>;

// Digest of everything `read` yields, pulled in 1024-byte blocks so that data
// of any size is hashed in constant memory. Null on a read error, so that a
// partly read source never passes for a whole one.
char* MD5Stream(const MD5ReadFn& read);

// Digest of a whole file, read in binary mode; null when it cannot be opened
// or read.
char* MD5File(const char* path);

// Digest of the bytes of a NUL-terminated text, terminator excluded; null for
// a null pointer.
char* MD5String(const char* text);

// Reading bit buffers, least significant bit first.
#include <tier1/bitbuf.h>

#include <climits>
#include <cstring>

bf_read::bf_read() = default;

bf_read::bf_read(const void* data, int bytes, int bits) {
    StartReading(data, bytes, 0, bits);
}

bf_read::bf_read(const char* debugName, const void* data, int bytes, int bits)
    : CBitBufferPosition(debugName) {
    StartReading(data, bytes, 0, bits);
}

void bf_read::StartReading(const void* data, int bytes, int startBit, int bits) {
    m_pData = static_cast<const unsigned char*>(data);
    Start(data, bytes, startBit, bits);
}

bool bf_read::Seek(int bit) {
    if (bit < 0 || bit > m_nDataBits) {
        SetOverflowFlag();
        return false;
    }
    m_iCurBit = bit;
    return true;
}

int bf_read::ReadOneBit() {
    if (CheckForOverflow(1))
        return 0;
    const int value = (m_pData[m_iCurBit >> 3] >> (m_iCurBit & 7)) & 1;
    ++m_iCurBit;
    return value;
}

unsigned int bf_read::ReadUBitLong(int numBits) {
    if (numBits < 1 || numBits > 32 || CheckForOverflow(numBits)) {
        SetOverflowFlag();
        return 0;
    }
    unsigned int value = 0;
    for (int i = 0; i < numBits; ++i)
        value |= static_cast<unsigned int>(ReadOneBit()) << i;
    return value;
}

int bf_read::ReadSBitLong(int numBits) {
    const unsigned int value = ReadUBitLong(numBits);
    if (numBits >= 32 || numBits < 1)
        return static_cast<int>(value);
    const unsigned int sign = 1u << (numBits - 1);
    return static_cast<int>((value ^ sign) - sign);
}

bool bf_read::ReadBits(void* out, int numBits) {
    if (!out || CheckForOverflow(numBits))
        return false;
    unsigned char* bytes = static_cast<unsigned char*>(out);
    std::memset(bytes, 0, static_cast<size_t>((numBits + 7) / 8));
    for (int i = 0; i < numBits; ++i)
        bytes[i >> 3] |= static_cast<unsigned char>(ReadOneBit() << (i & 7));
    return true;
}

bool bf_read::ReadBytes(void* out, int bytes) {
    if (bytes < 0 || bytes > INT_MAX / 8) {
        SetOverflowFlag();
        return false;
    }
    return ReadBits(out, bytes * 8);
}

int bf_read::ReadChar() {
    return ReadSBitLong(8);
}
int bf_read::ReadByte() {
    return static_cast<int>(ReadUBitLong(8));
}
int bf_read::ReadShort() {
    return ReadSBitLong(16);
}
int bf_read::ReadWord() {
    return static_cast<int>(ReadUBitLong(16));
}
long bf_read::ReadLong() {
    return ReadSBitLong(32);
}

float bf_read::ReadFloat() {
    const unsigned int bits = ReadUBitLong(32);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool bf_read::ReadString(char* buffer, int bufferLength, bool line, int* charsRead) {
    if (!buffer || bufferLength <= 0) {
        if (charsRead)
            *charsRead = 0;
        return false;
    }
    int written = 0;
    bool cut = false;
    while (true) {
        const int c = ReadByte();
        if (IsOverflowed() || c == 0 || (line && c == '\n'))
            break;
        if (written < bufferLength - 1)
            buffer[written++] = static_cast<char>(c);
        else
            cut = true;
    }
    buffer[written] = '\0';
    if (charsRead)
        *charsRead = written;
    return !cut && !IsOverflowed();
}

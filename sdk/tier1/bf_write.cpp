// Writing bit buffers, least significant bit first, and the position
// bookkeeping both directions share.
#include <tier1/bitbuf.h>

#include <climits>
#include <cstring>

bf_write::bf_write() = default;

bf_write::bf_write(void* data, int bytes, int maxBits) {
    StartWriting(data, bytes, 0, maxBits);
}

bf_write::bf_write(const char* debugName, void* data, int bytes, int maxBits)
    : CBitBufferPosition(debugName) {
    StartWriting(data, bytes, 0, maxBits);
}

void CBitBufferPosition::Start(const void* data, int bytes, int startBit, int maxBits) {
    m_nDataBytes = (data && bytes > 0 && bytes <= INT_MAX / 8) ? bytes : 0;
    m_nDataBits = m_nDataBytes * 8;
    if (maxBits >= 0 && maxBits < m_nDataBits)
        m_nDataBits = maxBits;
    m_iCurBit = (startBit > 0 && startBit <= m_nDataBits) ? startBit : 0;
    m_bOverflow = false;
}

bool CBitBufferPosition::CheckForOverflow(int numBits) {
    if (numBits < 0 || numBits > m_nDataBits - m_iCurBit)
        SetOverflowFlag();
    return m_bOverflow;
}

void bf_write::StartWriting(void* data, int bytes, int startBit, int maxBits) {
    m_pData = static_cast<unsigned char*>(data);
    Start(data, bytes, startBit, maxBits);
}

void bf_write::WriteOneBit(int value) {
    if (CheckForOverflow(1))
        return;
    const unsigned char mask = static_cast<unsigned char>(1u << (m_iCurBit & 7));
    if (value)
        m_pData[m_iCurBit >> 3] |= mask;
    else
        m_pData[m_iCurBit >> 3] &= static_cast<unsigned char>(~mask);
    ++m_iCurBit;
}

void bf_write::WriteUBitLong(unsigned int data, int numBits) {
    if (numBits < 1 || numBits > 32 || CheckForOverflow(numBits)) {
        SetOverflowFlag();
        return;
    }
    for (int i = 0; i < numBits; ++i)
        WriteOneBit(static_cast<int>((data >> i) & 1u));
}

void bf_write::WriteSBitLong(int data, int numBits) {
    WriteUBitLong(static_cast<unsigned int>(data), numBits);
}

bool bf_write::WriteBits(const void* data, int numBits) {
    if (!data || CheckForOverflow(numBits))
        return false;
    const unsigned char* in = static_cast<const unsigned char*>(data);
    for (int i = 0; i < numBits; ++i)
        WriteOneBit((in[i >> 3] >> (i & 7)) & 1);
    return true;
}

bool bf_write::WriteBytes(const void* data, int bytes) {
    if (bytes < 0 || bytes > INT_MAX / 8) {
        SetOverflowFlag();
        return false;
    }
    return WriteBits(data, bytes * 8);
}

void bf_write::WriteChar(int value) {
    WriteSBitLong(value, 8);
}
void bf_write::WriteByte(int value) {
    WriteUBitLong(static_cast<unsigned int>(value) & 0xFFu, 8);
}
void bf_write::WriteShort(int value) {
    WriteSBitLong(value, 16);
}
void bf_write::WriteWord(int value) {
    WriteUBitLong(static_cast<unsigned int>(value) & 0xFFFFu, 16);
}
void bf_write::WriteLong(long value) {
    WriteSBitLong(static_cast<int>(value), 32);
}

void bf_write::WriteFloat(float value) {
    unsigned int bits;
    std::memcpy(&bits, &value, sizeof(bits));
    WriteUBitLong(bits, 32);
}

bool bf_write::WriteString(const char* text) {
    if (!text)
        text = "";
    const size_t length = std::strlen(text) + 1;
    // All or nothing: a text that does not fit leaves no partial copy behind.
    if (length > static_cast<size_t>(INT_MAX / 8) || CheckForOverflow(static_cast<int>(length) * 8))
        return false;
    return WriteBytes(text, static_cast<int>(length));
}

// Bit buffers: bf_write builds user messages and other network payloads,
// bf_read decodes them. Bits are stored least significant first.
//
// Neither ever touches memory outside its buffer: a write that does not fit
// sets the overflow flag and writes nothing more; a read past the end sets
// the overflow flag and answers zeros.
#pragma once

#include <tier0/platform.h>

// Size, position and overflow state shared by both directions.
class CBitBufferPosition {
public:
    int GetNumBitsLeft() const { return m_nDataBits - m_iCurBit; }
    int GetNumBytesLeft() const { return GetNumBitsLeft() >> 3; }
    const char* GetDebugName() const { return m_pDebugName; }

    bool IsOverflowed() const { return m_bOverflow; }
    void SetOverflowFlag() { m_bOverflow = true; }
    // Sets the overflow flag when numBits more do not fit; answers the flag.
    bool CheckForOverflow(int numBits);

protected:
    CBitBufferPosition() = default;
    explicit CBitBufferPosition(const char* debugName) : m_pDebugName(debugName) {}
    // Takes the size of a new buffer (none for null data or a bad size) and
    // moves to startBit.
    void Start(const void* data, int bytes, int startBit, int maxBits);
    void ResetPosition() {
        m_iCurBit = 0;
        m_bOverflow = false;
    }

    int m_nDataBytes = 0;
    int m_nDataBits = 0;
    int m_iCurBit = 0;
    bool m_bOverflow = false;
    const char* m_pDebugName = nullptr;
};

class bf_write : public CBitBufferPosition {
public:
    bf_write();
    bf_write(void* data, int bytes, int maxBits = -1);
    bf_write(const char* debugName, void* data, int bytes, int maxBits = -1);

    void StartWriting(void* data, int bytes, int startBit = 0, int maxBits = -1);
    void Reset() { ResetPosition(); }

    void WriteOneBit(int value);
    void WriteUBitLong(unsigned int data, int numBits);
    void WriteSBitLong(int data, int numBits);
    bool WriteBits(const void* data, int numBits);
    bool WriteBytes(const void* data, int bytes);

    void WriteChar(int value);   // 8 bits, signed
    void WriteByte(int value);   // 8 bits
    void WriteShort(int value);  // 16 bits, signed
    void WriteWord(int value);   // 16 bits
    void WriteLong(long value);  // 32 bits
    void WriteFloat(float value);
    // The text and its terminator.
    bool WriteString(const char* text);

    int GetNumBitsWritten() const { return m_iCurBit; }
    int GetNumBytesWritten() const { return (m_iCurBit + 7) >> 3; }
    int GetMaxNumBits() const { return m_nDataBits; }
    unsigned char* GetData() { return m_pData; }
    const unsigned char* GetData() const { return m_pData; }

private:
    unsigned char* m_pData = nullptr;
};

class bf_read : public CBitBufferPosition {
public:
    bf_read();
    bf_read(const void* data, int bytes, int bits = -1);
    bf_read(const char* debugName, const void* data, int bytes, int bits = -1);

    void StartReading(const void* data, int bytes, int startBit = 0, int bits = -1);
    void Reset() { ResetPosition(); }

    int ReadOneBit();
    unsigned int ReadUBitLong(int numBits);
    int ReadSBitLong(int numBits);
    bool ReadBits(void* out, int numBits);
    bool ReadBytes(void* out, int bytes);

    int ReadChar();
    int ReadByte();
    int ReadShort();
    int ReadWord();
    long ReadLong();
    float ReadFloat();
    // Reads up to and including the terminator and stores at most
    // bufferLength - 1 characters, always terminated. Answers false when the
    // text was cut or the buffer ran out. With line true, a '\n' also ends it.
    bool ReadString(char* buffer, int bufferLength, bool line = false, int* charsRead = nullptr);

    int GetNumBitsRead() const { return m_iCurBit; }
    int GetNumBytesRead() const { return (m_iCurBit + 7) >> 3; }
    const unsigned char* GetBasePointer() const { return m_pData; }
    bool Seek(int bit);
    bool SeekRelative(int bitDelta) { return Seek(m_iCurBit + bitDelta); }

private:
    const unsigned char* m_pData = nullptr;
};

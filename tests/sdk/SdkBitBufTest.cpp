// Bit buffers: what the plug-in writes into a user message, the host reads
// back; nothing is written or read outside the buffer.
#include <gtest/gtest.h>
#include <tier1/bitbuf.h>

#include <cstring>
#include <string>

namespace {

TEST(SdkBitBuf, ValuesRoundTrip) {
    unsigned char data[64] = {};
    bf_write out(data, sizeof(data));
    out.WriteByte(3);
    out.WriteShort(-1);
    out.WriteChar(-2);
    out.WriteWord(0xBEEF);
    out.WriteLong(-123456789);
    out.WriteFloat(0.015f);
    out.WriteOneBit(1);
    out.WriteUBitLong(5, 3);
    out.WriteSBitLong(-3, 5);
    EXPECT_TRUE(out.WriteString("\x03Travik:\x04 hi"));
    ASSERT_FALSE(out.IsOverflowed());

    bf_read in(data, out.GetNumBytesWritten());
    EXPECT_EQ(in.ReadByte(), 3);
    EXPECT_EQ(in.ReadShort(), -1);
    EXPECT_EQ(in.ReadChar(), -2);
    EXPECT_EQ(in.ReadWord(), 0xBEEF);
    EXPECT_EQ(in.ReadLong(), -123456789);
    EXPECT_EQ(in.ReadFloat(), 0.015f);
    EXPECT_EQ(in.ReadOneBit(), 1);
    EXPECT_EQ(in.ReadUBitLong(3), 5u);
    EXPECT_EQ(in.ReadSBitLong(5), -3);
    char text[32];
    EXPECT_TRUE(in.ReadString(text, sizeof(text)));
    EXPECT_STREQ(text, "\x03Travik:\x04 hi");
    EXPECT_FALSE(in.IsOverflowed());
}

TEST(SdkBitBuf, AStringThatDoesNotFitIsNotWrittenAtAll) {
    unsigned char data[255];
    std::memset(data, 0xAA, sizeof(data));
    bf_write out(data, sizeof(data));
    out.WriteByte(1);
    EXPECT_FALSE(out.WriteString(std::string(300, 'x').c_str()));
    EXPECT_TRUE(out.IsOverflowed());
    EXPECT_EQ(out.GetNumBytesWritten(), 1);
    EXPECT_EQ(data[1], 0xAA);
    // Later writes are refused as well.
    out.WriteByte(2);
    EXPECT_EQ(out.GetNumBytesWritten(), 1);

    bf_write exact(data, sizeof(data));
    EXPECT_TRUE(exact.WriteString(std::string(254, 'y').c_str()));
    EXPECT_FALSE(exact.IsOverflowed());
    EXPECT_EQ(exact.GetNumBytesLeft(), 0);
}

TEST(SdkBitBuf, ReadingPastTheEndAnswersZerosAndFlags) {
    const unsigned char data[2] = {'a', 'b'};  // no terminator
    bf_read in(data, sizeof(data));
    char text[8];
    EXPECT_FALSE(in.ReadString(text, sizeof(text)));
    EXPECT_STREQ(text, "ab");
    EXPECT_TRUE(in.IsOverflowed());
    EXPECT_EQ(in.ReadLong(), 0);
    EXPECT_FALSE(in.Seek(17));
}

TEST(SdkBitBuf, ALongStringIsCutButFullyConsumed) {
    unsigned char data[32] = {};
    bf_write out(data, sizeof(data));
    out.WriteString("abcdefgh");
    out.WriteByte(42);
    bf_read in(data, out.GetNumBytesWritten());
    char small[4];
    int chars = -1;
    EXPECT_FALSE(in.ReadString(small, sizeof(small), false, &chars));
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(chars, 3);
    EXPECT_EQ(in.ReadByte(), 42);
    EXPECT_FALSE(in.ReadString(small, 0));
}

TEST(SdkBitBuf, BadSizesNeverTouchMemory) {
    bf_write none(nullptr, 100);
    none.WriteByte(1);
    EXPECT_TRUE(none.IsOverflowed());
    unsigned char data[4] = {};
    bf_write out(data, sizeof(data));
    EXPECT_FALSE(out.WriteBytes(data, -1));
    EXPECT_TRUE(out.IsOverflowed());
    bf_read in(data, sizeof(data));
    EXPECT_FALSE(in.ReadBytes(data, 1 << 30));
}

}  // namespace

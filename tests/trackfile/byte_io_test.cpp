#include "trackfile/byte_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(ByteIo, RoundTripsEveryFieldLittleEndian)
{
    ByteWriter w;
    WriteU8(w, 0xAB);
    WriteI16(w, -2);
    WriteU32(w, 0x12345678);
    WriteF32(w, 1.5f);
    WriteF64(w, -0.25);
    WriteFixedString(w, "abc", 5);
    ASSERT_EQ(w.bytes.size(), 1u + 2 + 4 + 4 + 8 + 5);
    EXPECT_EQ(w.bytes[3], 0x78);  // low byte first
    EXPECT_EQ(w.bytes[6], 0x12);

    ByteReader r = MakeReader(w.bytes);
    EXPECT_EQ(ReadU8(r), 0xAB);
    EXPECT_EQ(ReadI16(r), -2);
    EXPECT_EQ(ReadU32(r), 0x12345678u);
    EXPECT_EQ(ReadF32(r), 1.5f);
    EXPECT_EQ(ReadF64(r), -0.25);
    EXPECT_EQ(ReadFixedString(r, 5), "abc");
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(ReaderRemaining(r), 0u);
}

TEST(ByteIo, ReadingPastTheEndFailsAndStaysFailed)
{
    const uint8_t bytes[3] = {1, 2, 3};
    ByteReader r = MakeReader(bytes, sizeof bytes);
    EXPECT_EQ(ReadU16(r), 0x0201);
    EXPECT_EQ(ReadU32(r), 0u);  // only one byte left
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(ReadU8(r), 0);    // the remaining byte is not handed out after a failure
    EXPECT_FALSE(ReaderHas(r, 0));
    uint8_t out[2] = {9, 9};
    EXPECT_FALSE(ReadBytes(r, out, 2));
    EXPECT_EQ(out[0], 0);
}

TEST(ByteIo, SeekAndSkipAreBounded)
{
    const uint8_t bytes[4] = {0};
    ByteReader r = MakeReader(bytes, 4);
    EXPECT_TRUE(ReaderSeek(r, 4));
    EXPECT_FALSE(ReaderSkip(r, 1));
    ByteReader s = MakeReader(bytes, 4);
    EXPECT_FALSE(ReaderSkip(s, SIZE_MAX));  // a huge count from a file never wraps
    EXPECT_TRUE(s.failed);
}

TEST(ByteIo, ReplacingWriteKeepsNoTemporaryAndReadsBack)
{
    std::string path = ::testing::TempDir() + "byte_io_replace.bin";
    const char first[] = "first";
    const char second[] = "second!";
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), first, 5));
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), second, 7));
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadWholeFile(path.c_str(), back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "second!");
    EXPECT_EQ(std::fopen((path + ".tmp").c_str(), "rb"), nullptr);
    EXPECT_FALSE(ReadWholeFile(path.c_str(), back, 3));  // larger than allowed
    std::remove(path.c_str());
}

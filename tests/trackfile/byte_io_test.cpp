#include "trackfile/byte_io.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// A scratch folder of this process, removed with everything in it.
struct Scratch {
    std::string dir;
    Scratch()
    {
        char name[] = "/tmp/dwbyteioXXXXXX";
        dir = mkdtemp(name) ? name : "";
    }
    ~Scratch() { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string Path(const char* name) const { return dir + "/" + name; }
};

// Runs a read on its own thread and fails the test if it has not returned
// within five seconds; a writer then opens the pipe so the reader can end.
FileReadStatus ReadPromptly(const std::string& path, std::vector<uint8_t>& out)
{
    auto done = std::async(std::launch::async, [&] { return ReadFileStatus(path.c_str(), out); });
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << path << ": the read blocked";
        int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            close(fd);
    }
    return done.get();
}

}  // namespace

TEST(ByteIo, WholeFileReadsTellMissingFromUnreadableAndNeverBlock)
{
    Scratch s;
    std::vector<uint8_t> out = {1};
    EXPECT_EQ(ReadFileStatus(s.Path("none").c_str(), out), kFileMissing);
    EXPECT_EQ(ReadFileStatus(s.Path("none/deeper").c_str(), out), kFileMissing);
    EXPECT_TRUE(out.empty());

    const char text[] = "abc";
    ASSERT_TRUE(WriteFileReplacing(s.Path("file").c_str(), text, 3));
    EXPECT_EQ(ReadFileStatus(s.Path("file").c_str(), out), kFileRead);
    EXPECT_EQ(std::string(out.begin(), out.end()), "abc");
    EXPECT_EQ(ReadFileStatus(s.Path("file").c_str(), out, 2), kFileUnreadable);  // over the limit
    EXPECT_EQ(ReadFileStatus(s.Path("file/x").c_str(), out), kFileMissing);      // a file is not a folder

    ASSERT_TRUE(WriteFileReplacing(s.Path("empty").c_str(), text, 0));
    out = {1};
    EXPECT_EQ(ReadFileStatus(s.Path("empty").c_str(), out), kFileRead);
    EXPECT_TRUE(out.empty());

    ASSERT_EQ(mkdir(s.Path("folder").c_str(), 0777), 0);
    EXPECT_EQ(ReadFileStatus(s.Path("folder").c_str(), out), kFileUnreadable);
    ASSERT_EQ(mkfifo(s.Path("pipe").c_str(), 0666), 0);
    EXPECT_EQ(ReadPromptly(s.Path("pipe"), out), kFileUnreadable);
    EXPECT_FALSE(ReadWholeFile("/dev/zero", out));  // a device never ends
}

TEST(ByteIo, ReplacingWriteLeavesPipesAndFoldersAloneAndIgnoresAPipeAsTemporary)
{
    Scratch s;
    const char text[] = "new";
    struct stat st;
    ASSERT_EQ(mkfifo(s.Path("pipe").c_str(), 0666), 0);
    EXPECT_FALSE(WriteFileReplacing(s.Path("pipe").c_str(), text, 3));
    ASSERT_EQ(stat(s.Path("pipe").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(mkdir(s.Path("folder").c_str(), 0777), 0);
    EXPECT_FALSE(WriteFileReplacing(s.Path("folder").c_str(), text, 3));
    ASSERT_EQ(stat(s.Path("folder").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    // A pipe left where the temporary file goes would block a plain open for
    // writing until someone reads it.
    ASSERT_EQ(mkfifo(s.Path("data.tmp").c_str(), 0666), 0);
    auto done = std::async(std::launch::async, [&] { return WriteFileReplacing(s.Path("data").c_str(), text, 3); });
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the write blocked on the pipe";
        int fd = open(s.Path("data.tmp").c_str(), O_RDONLY | O_NONBLOCK);
        if (fd >= 0)
            close(fd);
    }
    EXPECT_TRUE(done.get());
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadWholeFile(s.Path("data").c_str(), back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "new");
    EXPECT_NE(stat(s.Path("data.tmp").c_str(), &st), 0);
}

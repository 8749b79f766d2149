// Bounds-checked little-endian reader and writer; see byte_io.h.
#include "trackfile/byte_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ByteReader MakeReader(const void* data, size_t size)
{
    ByteReader r;
    r.data = static_cast<const uint8_t*>(data);
    r.size = data ? size : 0;
    return r;
}

ByteReader MakeReader(const std::vector<uint8_t>& bytes) { return MakeReader(bytes.data(), bytes.size()); }

size_t ReaderRemaining(const ByteReader& r) { return r.failed ? 0 : r.size - r.pos; }

bool ReaderHas(const ByteReader& r, size_t count) { return !r.failed && count <= r.size - r.pos; }

bool ReaderSeek(ByteReader& r, size_t pos)
{
    if (r.failed || pos > r.size) {
        r.failed = true;
        return false;
    }
    r.pos = pos;
    return true;
}

// Claims count bytes and returns where they start, or null (and fails).
static const uint8_t* Take(ByteReader& r, size_t count)
{
    if (!ReaderHas(r, count)) {
        r.failed = true;
        return nullptr;
    }
    const uint8_t* p = r.data + r.pos;
    r.pos += count;
    return p;
}

bool ReaderSkip(ByteReader& r, size_t count) { return Take(r, count) != nullptr; }

uint8_t ReadU8(ByteReader& r)
{
    const uint8_t* p = Take(r, 1);
    return p ? p[0] : 0;
}

int8_t ReadI8(ByteReader& r) { return static_cast<int8_t>(ReadU8(r)); }

uint16_t ReadU16(ByteReader& r)
{
    const uint8_t* p = Take(r, 2);
    return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
}

int16_t ReadI16(ByteReader& r) { return static_cast<int16_t>(ReadU16(r)); }

uint32_t ReadU32(ByteReader& r)
{
    const uint8_t* p = Take(r, 4);
    if (!p)
        return 0;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

int32_t ReadI32(ByteReader& r) { return static_cast<int32_t>(ReadU32(r)); }

float ReadF32(ByteReader& r)
{
    uint32_t bits = ReadU32(r);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

double ReadF64(ByteReader& r)
{
    uint64_t lo = ReadU32(r);
    uint64_t hi = ReadU32(r);
    uint64_t bits = lo | (hi << 32);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

bool ReadBytes(ByteReader& r, void* out, size_t count)
{
    const uint8_t* p = Take(r, count);
    if (!p) {
        if (count)
            std::memset(out, 0, count);
        return false;
    }
    if (count)
        std::memcpy(out, p, count);
    return true;
}

std::string ReadFixedString(ByteReader& r, size_t count)
{
    const uint8_t* p = Take(r, count);
    if (!p)
        return std::string();
    size_t len = 0;
    while (len < count && p[len] != 0)
        len++;
    return std::string(reinterpret_cast<const char*>(p), len);
}

void WriteU8(ByteWriter& w, uint8_t v) { w.bytes.push_back(v); }
void WriteI8(ByteWriter& w, int8_t v) { w.bytes.push_back(static_cast<uint8_t>(v)); }

void WriteU16(ByteWriter& w, uint16_t v)
{
    w.bytes.push_back(static_cast<uint8_t>(v));
    w.bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void WriteI16(ByteWriter& w, int16_t v) { WriteU16(w, static_cast<uint16_t>(v)); }

void WriteU32(ByteWriter& w, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        w.bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void WriteI32(ByteWriter& w, int32_t v) { WriteU32(w, static_cast<uint32_t>(v)); }

void WriteF32(ByteWriter& w, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    WriteU32(w, bits);
}

void WriteF64(ByteWriter& w, double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    WriteU32(w, static_cast<uint32_t>(bits));
    WriteU32(w, static_cast<uint32_t>(bits >> 32));
}

void WriteBytes(ByteWriter& w, const void* data, size_t count)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    w.bytes.insert(w.bytes.end(), p, p + count);
}

void WriteFixedString(ByteWriter& w, const std::string& s, size_t count)
{
    size_t n = s.size() < count ? s.size() : count;
    w.bytes.insert(w.bytes.end(), s.begin(), s.begin() + n);
    w.bytes.insert(w.bytes.end(), count - n, 0);
}

void WriterPatchU32(ByteWriter& w, size_t offset, uint32_t v)
{
    if (offset + 4 > w.bytes.size())
        return;
    for (int i = 0; i < 4; i++)
        w.bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

FileReadStatus ReadFileStatus(const char* path, std::vector<uint8_t>& out, size_t maxSize)
{
    out.clear();
    // Without O_NONBLOCK, opening a named pipe waits for a writer forever.
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? kFileMissing : kFileUnreadable;
    struct stat st;
    FileReadStatus status = kFileUnreadable;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
        static_cast<unsigned long long>(st.st_size) <= maxSize) {
        out.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < out.size()) {
            ssize_t n = ::read(fd, out.data() + got, out.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        // A file that shrank while being read is as unreadable as a read error.
        if (got == out.size())
            status = kFileRead;
    }
    ::close(fd);
    if (status != kFileRead)
        out.clear();
    return status;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& out, size_t maxSize)
{
    return ReadFileStatus(path, out, maxSize) == kFileRead;
}

bool IsRegularFile(const char* path)
{
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// Makes a rename inside the folder of path durable (best effort: some file
// systems cannot flush a folder, and the file itself is already on disk).
void FlushFolderOf(const std::string& path)
{
    size_t cut = path.find_last_of('/');
    std::string folder = cut == std::string::npos ? "." : (cut == 0 ? "/" : path.substr(0, cut));
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileReplacing(const char* path, const void* data, size_t size)
{
    // A symbolic link stays a link: the file it points to is the one
    // replaced, beside itself. A link to nothing is left alone.
    std::string target = path;
    struct stat st;
    if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
        char* resolved = ::realpath(path, nullptr);
        if (!resolved)
            return false;
        target = resolved;
        std::free(resolved);
    }
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return false;
    std::string temp = target + ".tmp";
    // The temporary name is ours: whatever a broken earlier write left there
    // goes, and the new one is created afresh, so a pipe of that name can
    // neither block the write nor receive the bytes.
    ::unlink(temp.c_str());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    // A replaced file keeps its permission bits.
    bool ok = !exists || ::fchmod(fd, st.st_mode & 07777) == 0;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (ok && done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    // The bytes reach the disk before the name points at them, so a power cut
    // leaves the old file or the new one, never an empty one.
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    else
        FlushFolderOf(target);
    return ok;
}

// Bounds-checked little-endian reading and writing, shared by every binary
// format of the game and the editor (tracks, cars, drivers, options, saved
// games, replays, bitmaps). A reader knows how many bytes remain; reading
// past the end sets `failed`, yields zeros, and every later read fails too,
// so a parser can read a whole record and check `failed` once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ByteReader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    bool failed = false;
};

ByteReader MakeReader(const void* data, size_t size);            // reader over a memory block
ByteReader MakeReader(const std::vector<uint8_t>& bytes);        // reader over a whole buffer
size_t ReaderRemaining(const ByteReader& r);                     // bytes left (0 once failed)
bool ReaderHas(const ByteReader& r, size_t count);               // true if count more bytes can be read
bool ReaderSeek(ByteReader& r, size_t pos);                      // absolute position; false (and failed) past the end
bool ReaderSkip(ByteReader& r, size_t count);                    // skips count bytes or fails
uint8_t ReadU8(ByteReader& r);
int8_t ReadI8(ByteReader& r);
uint16_t ReadU16(ByteReader& r);
int16_t ReadI16(ByteReader& r);
uint32_t ReadU32(ByteReader& r);
int32_t ReadI32(ByteReader& r);
float ReadF32(ByteReader& r);                                     // IEEE-754 single
double ReadF64(ByteReader& r);                                    // IEEE-754 double
bool ReadBytes(ByteReader& r, void* out, size_t count);           // raw bytes; zero-fills out on failure
std::string ReadFixedString(ByteReader& r, size_t count);         // fixed-size field, cut at the first NUL

struct ByteWriter {
    std::vector<uint8_t> bytes;
};

void WriteU8(ByteWriter& w, uint8_t v);
void WriteI8(ByteWriter& w, int8_t v);
void WriteU16(ByteWriter& w, uint16_t v);
void WriteI16(ByteWriter& w, int16_t v);
void WriteU32(ByteWriter& w, uint32_t v);
void WriteI32(ByteWriter& w, int32_t v);
void WriteF32(ByteWriter& w, float v);
void WriteF64(ByteWriter& w, double v);
void WriteBytes(ByteWriter& w, const void* data, size_t count);
void WriteFixedString(ByteWriter& w, const std::string& s, size_t count); // NUL-padded, cut to count bytes
void WriterPatchU32(ByteWriter& w, size_t offset, uint32_t v);    // overwrites 4 bytes already written

// Outcome of reading a whole file. A caller that writes the file back later
// tells "not there" (write a new one) from "there but unreadable" (keep it).
enum FileReadStatus {
    kFileRead,            // whole content in out
    kFileMissing,         // no such file (or a folder on its path is missing)
    kFileUnreadable,      // exists but is not a regular file, cannot be opened or read, or exceeds maxSize
};
// Reads a whole regular file. Only regular files are read: a named pipe, a
// device or a folder is reported unreadable at once instead of blocking.
FileReadStatus ReadFileStatus(const char* path, std::vector<uint8_t>& out, size_t maxSize = 256u << 20);
// Reads a whole file; false unless ReadFileStatus gives kFileRead.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& out, size_t maxSize = 256u << 20);
// True when path names a regular file (following symbolic links).
bool IsRegularFile(const char* path);
// Writes a file so that an interrupted write never destroys the previous
// content: the bytes go to "<path>.tmp" beside it, which then replaces it.
// A path that exists but is not a regular file (a pipe, a folder) is left
// alone and the write fails. A symbolic link is written through (its target
// is replaced) and a replaced file keeps its mode. The file is flushed to
// disk before the rename, its folder after it.
bool WriteFileReplacing(const char* path, const void* data, size_t size);

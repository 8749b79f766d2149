// trktool: inspects track files from the command line, for track authors and
// for tests. Reads a file the way the game does and prints what it holds.
//   trktool info FILE      header, section counts, author, records, ghost, trailer
//   trktool identity FILE  the four identity sums
//   trktool render ...     the track's picture as a BMP (render_command.cpp)
//   trktool check FILE...  flaws and race checks (check_command.cpp)
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "trackfile/object_types.h"
#include "trackfile/program_options.h"
#include "trackfile/trackfile.h"

namespace {

const char kUsage[] =
    "usage: trktool info FILE      print what a track file holds\n"
    "       trktool identity FILE  print its four identity sums\n"
    "       trktool render [--preview] [--fast] FILE OUT.bmp [WIDTHxHEIGHT]\n"
    "                              draw its picture as an 8-bit BMP\n"
    "       trktool check FILE...  list flaws and what keeps cars from racing it\n"
    "       trktool --help | --version\n";

void Usage() { std::fputs(kUsage, stderr); }

const char* ReadError(int result)
{
    switch (result) {
    case kTrackCantOpen:
        return "cannot open the file";
    case kTrackTooNew:
        return "the track was saved by a newer version (above 292)";
    default:
        return "not a readable track file (cut short or inconsistent)";
    }
}

// Text of a stored fixed-size string, with control characters made visible
// so that a damaged file cannot garble the terminal.
std::string Printable(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 32 || c == 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string CarName(const CarDefinition& car)
{
    size_t n = strnlen(car.name, sizeof car.name);
    return Printable(std::string(car.name, n));
}

void PrintInfo(const TrackFile& t)
{
    std::printf("version: %d\n", t.version);
    std::printf("world size: %u\n", t.worldSize);
    std::printf("water level: %u\n", t.waterLevel);
    std::printf("view angle: %d\n", t.viewAngle);
    std::printf("rotation: %d\n", t.rotation);
    std::printf("zoom: %u\n", t.zoom);
    std::printf("S/F line: %s\n", t.sfLine ? "on" : "off");
    std::printf("land runs: %u\n", t.landRunCount);

    std::printf("objects: %zu\n", t.objects.size());
    // Counted per type, listed in code order.
    std::map<int, size_t> counts;
    for (const TrackObject& o : t.objects)
        counts[o.type]++;
    for (const auto& [code, n] : counts) {
        const char* name = ObjectTypeName(code);
        if (name)
            std::printf("  %s: %zu\n", name, n);
        else
            std::printf("  unknown type %d: %zu\n", code, n);
    }
    std::printf("pit crews: %zu\n", t.pitCrews.size());
    std::printf("checkpoints: %zu\n", t.checkpoints.size());
    std::printf("limiters: %zu\n", t.limiters.size());
    std::printf("AI line points: %zu\n", t.aiLine.size());
    std::printf("pit AI line points: %zu\n", t.pitLine.size());
    std::printf("track length: %u\n", t.trackLength);
    std::printf("author: %s\n", Printable(t.author).c_str());
    std::printf("comments: %s\n", Printable(t.comments).c_str());

    std::printf("records:\n");
    for (int i = 0; i < kTrackRecordCount; i++) {
        const TrackRecord& e = t.records.entry[i];
        std::string name = Printable(std::string(e.name, strnlen(e.name, 13)));
        if (e.time >= kEmptyLapTime) {
            std::printf("  %d. %u.%02u (empty)\n", i + 1, e.time / 100u, e.time % 100u);
            continue;
        }
        std::printf("  %d. %u.%02u  %s  %s  %04u-%02u-%02u %02u:%02u:%02u\n", i + 1, e.time / 100u,
                    e.time % 100u, name.c_str(), CarName(e.car).c_str(), e.date[0], e.date[1], e.date[3],
                    e.date[4], e.date[5], e.date[6]);
    }
    if (t.hasGhost)
        std::printf("ghost lap: %u frames\n", t.ghost.frameCount);
    else
        std::printf("ghost lap: none\n");
    if (!t.hasTrailer)
        std::printf("trailer: none\n");
    else
        std::printf("trailer: present, checksums %s\n", t.trailerMatches ? "match" : "do not match");
}

// The whole file, or a message saying why it could not be read.
bool ReadInput(const char* path, std::vector<uint8_t>& bytes)
{
    switch (ReadFileStatus(path, bytes, 64u << 20)) {
    case kFileRead:
        return true;
    case kFileMissing:
        std::fprintf(stderr, "trktool: %s: %s: no such file\n", path, ReadError(kTrackCantOpen));
        return false;
    default:
        std::fprintf(stderr, "trktool: %s: %s: not a regular file, not readable or too large\n", path,
                     ReadError(kTrackCantOpen));
        return false;
    }
}

int Info(const char* path)
{
    std::vector<uint8_t> bytes;
    if (!ReadInput(path, bytes))
        return 1;
    TrackFile t;
    int result = ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, t);
    if (result != kTrackOk) {
        std::fprintf(stderr, "trktool: %s: %s\n", path, ReadError(result));
        return 1;
    }
    PrintInfo(t);
    return 0;
}

int Identity(const char* path)
{
    std::vector<uint8_t> bytes;
    if (!ReadInput(path, bytes))
        return 1;
    // The identity only needs the header, but a file the game would refuse
    // to load should not get one printed.
    TrackFile t;
    int result = ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, t);
    if (result != kTrackOk) {
        std::fprintf(stderr, "trktool: %s: %s\n", path, ReadError(result));
        return 1;
    }
    uint32_t sums[4];
    TrackIdentity(bytes.data(), bytes.size(), sums);
    std::printf("%08x %08x %08x %08x\n", sums[0], sums[1], sums[2], sums[3]);
    return 0;
}

}  // namespace

int RenderCommand(int argc, char** argv);
int CheckCommand(int argc, char** argv);

int main(int argc, char** argv)
{
    int answered = AnswerHelpOrVersion(argc, argv, "trktool", kUsage);
    if (answered >= 0) return answered;
    if (argc >= 2 && std::strcmp(argv[1], "render") == 0)
        return RenderCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "check") == 0)
        return CheckCommand(argc - 2, argv + 2);
    if (argc != 3) {
        Usage();
        return 2;
    }
    if (std::strcmp(argv[1], "info") == 0)
        return Info(argv[2]);
    if (std::strcmp(argv[1], "identity") == 0)
        return Identity(argv[2]);
    std::fprintf(stderr, "trktool: unknown command \"%s\"\n", argv[1]);
    Usage();
    return 2;
}

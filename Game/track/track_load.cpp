// Loading a track file into the run-time maps: scales, view settings, ground
// values with their random variation, objects, pit crews, gates, the AI lines
// lifted onto the terrain, the start/finish stripe and the pit lane junctions.
#include <cmath>
#include <cstdlib>
#include <utility>

#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"

TrackMaps trackMaps;

// Uniform 0 … 32767 from the program's generator, as the land variation expects.
static int Rand15() { return std::rand() & 0x7FFF; }

// r(n): a whole number 0 … ceil(n) - 1, the top value only for n's fractional share.
static int RandomBelow(float n) { return static_cast<int>(Rand15() / 32768.0f * n); }

static int ClampCell(int v) { return v < 0 ? 0 : (v >= kLandSide ? kLandSide - 1 : v); }

// A random cell within +-k of (column, row); the column is drawn first.
static uint8_t& RandomNeighbour(std::vector<uint8_t>& land, int column, int row, int k)
{
    int c = ClampCell(column + RandomBelow(2.0f * k + 1) - k);
    int r = ClampCell(row + RandomBelow(2.0f * k + 1) - k);
    return land[r * kLandSide + c];
}

// Paints a cell with its base value, or with the gravel-strewn value if gravel already lies there.
static void Paint(uint8_t& cell, int base, int marked)
{
    cell = static_cast<uint8_t>(cell < 40 ? base : marked);
}

// The gravel-strewn variant of a ground value.
static uint8_t GravelMark(uint8_t v)
{
    if (v == 0)
        return 40;
    if (v <= 7)
        return 41;
    if (v <= 15)
        return 42;
    if (v <= 19)
        return 43;
    if (v <= 23)
        return 44;
    if (v <= 27)
        return v;  // snow takes no gravel
    if (v <= 31)
        return 45;
    if (v <= 35)
        return 46;
    if (v <= 39)
        return 47;
    return v;
}

void ApplyLandCode(std::vector<uint8_t>& land, int column, int row, int code)
{
    uint8_t& cell = land[row * kLandSide + column];
    switch (code) {
    case 0: Paint(cell, 2, 41); break;   // tarmac #1
    case 1: Paint(cell, 1, 41); break;   // tarmac #2
    case 2:                              // grass scatters onto default ground around it
        for (int i = 0; i < 3; i++) {
            uint8_t& n = RandomNeighbour(land, column, row, 2);
            if (n >= 40)
                n = 42;
            else if (n == 16)
                n = static_cast<uint8_t>(8 + RandomBelow(2.5f));
        }
        break;
    case 4: Paint(cell, 12 + RandomBelow(2), 42); break;  // mud
    case 5: {                                             // gravel strews a neighbour
        uint8_t& n = RandomNeighbour(land, column, row, 6);
        n = GravelMark(n);
        break;
    }
    case 6: {  // sand drifts onto one neighbour unless it is snow
        uint8_t& n = RandomNeighbour(land, column, row, 3);
        if (n < 24 || n > 27)
            n = static_cast<uint8_t>(20 + RandomBelow(2.5f));
        Paint(cell, 20 + RandomBelow(2.5f), 44);
        break;
    }
    case 7: cell = static_cast<uint8_t>(24 + RandomBelow(2)); break;
    case 8: cell = static_cast<uint8_t>(26 + RandomBelow(2)); break;
    case 9: Paint(cell, 28, 45); break;
    case 10: Paint(cell, 32, 46); break;
    case 11: Paint(cell, 36, 47); break;
    case 12: Paint(cell, 0, 40); break;
    default: break;  // grass edge and unused codes keep the cell
    }
}

void ComputeViewTransform(TrackMaps& maps)
{
    const double toRadians = 0.01745329252;
    double a = maps.viewAngle * toRadians, b = maps.rotation * toRadians;
    float sa = static_cast<float>(std::sin(a)), ca = static_cast<float>(std::cos(a));
    float sb = static_cast<float>(std::sin(b)), cb = static_cast<float>(std::cos(b));
    maps.viewVertical.x = sb * sa;
    maps.viewVertical.y = -ca;
    maps.viewVertical.z = -cb * sa;
    maps.viewDepth.x = -sb * ca;
    maps.viewDepth.y = -sa;
    maps.viewDepth.z = cb * ca;
    maps.viewHorizontal.x = cb;
    maps.viewHorizontal.y = 0;
    maps.viewHorizontal.z = sb;
}

static float HeightIn(const TrackMaps& maps, float x, float y)
{
    if (maps.heights.size() != static_cast<size_t>(kHeightCells) || maps.heightCell <= 0)
        return 0.0f;
    float top = maps.worldSize - 0.001f;
    // Written so that NaN also lands on 0.
    x = x > 0 ? (x < top ? x : top) : 0;
    y = y > 0 ? (y < top ? y : top) : 0;
    float u = x / maps.heightCell, v = y / maps.heightCell;
    int i = static_cast<int>(u), j = static_cast<int>(v);
    if (i > kHeightSide - 2)
        i = kHeightSide - 2;
    if (j > kHeightSide - 2)
        j = kHeightSide - 2;
    float fu = u - i, fv = v - j;
    const uint8_t* h = maps.heights.data();
    float h00 = h[j * kHeightSide + i], h10 = h[j * kHeightSide + i + 1];
    float h01 = h[(j + 1) * kHeightSide + i], h11 = h[(j + 1) * kHeightSide + i + 1];
    return (h00 * (1 - fu) * (1 - fv) + h10 * fu * (1 - fv) + h01 * (1 - fu) * fv + h11 * fu * fv) * 0.05f;
}

float TerrainHeight(float x, float y) { return HeightIn(trackMaps, x, y); }

uint8_t GroundAt(float x, float y)
{
    if (trackMaps.land.size() != static_cast<size_t>(kLandCells) || trackMaps.worldScale <= 0)
        return 16;
    float u = x / trackMaps.worldScale, v = y / trackMaps.worldScale;
    int c = u > 0 ? (u < kLandSide ? static_cast<int>(u) : kLandSide - 1) : 0;
    int r = v > 0 ? (v < kLandSide ? static_cast<int>(v) : kLandSide - 1) : 0;
    return trackMaps.land[r * kLandSide + c];
}

static TrackGate MakeGate(const TrackLine& line, float toWorld)
{
    TrackGate g;
    g.x = line.x1 * toWorld;
    g.y = line.y1 * toWorld;
    float ex = line.x2 * toWorld - g.x, ey = line.y2 * toWorld - g.y;
    g.length = std::sqrt(ex * ex + ey * ey);
    // A gate whose ends coincide has no direction; zero keeps NaN out of the race.
    g.dx = g.length > 0 ? ex / g.length : 0.0f;
    g.dy = g.length > 0 ? ey / g.length : 0.0f;
    return g;
}

void PaintStartFinish(TrackMaps& maps)
{
    if (maps.checkpoints.empty() || maps.worldScale <= 0 || maps.land.size() != static_cast<size_t>(kLandCells))
        return;
    const TrackGate& g = maps.checkpoints.back();
    float sx = g.x / maps.worldScale, sy = g.y / maps.worldScale, length = g.length / maps.worldScale;
    for (int pass = 0; pass < 7; pass++) {
        float o = -1.5f + 0.5f * pass;
        for (float t = 0; t < length; t += 0.5f) {
            int c = static_cast<int>(sx + o * g.dy + t * g.dx);
            int r = static_cast<int>(sy - o * g.dx + t * g.dy);
            if (c < 0 || r < 0 || c >= kLandSide || r >= kLandSide)
                continue;
            uint8_t& cell = maps.land[r * kLandSide + c];
            if (cell < 8)  // only oil and tarmac carry the stripe
                cell = 28;
        }
    }
}

// Index of the AI line point nearest to p; the first point when none lies within world size.
static int NearestAiPoint(const TrackMaps& maps, Vec3 p)
{
    float best = maps.worldSize * maps.worldSize;
    int index = 0;
    for (size_t i = 0; i < maps.aiLine.size(); i++) {
        const Vec3& a = maps.aiLine[i];
        float dx = a.x - p.x, dy = a.y - p.y, dz = a.z - p.z;
        float d = dx * dx + dy * dy + dz * dz;
        if (d < best) {
            best = d;
            index = static_cast<int>(i);
        }
    }
    return index;
}

void FindPitJunctions(TrackMaps& maps)
{
    maps.pitEntry = maps.pitExit = -1;
    size_t n = maps.pitLine.size();
    if (n < 2 || maps.aiLine.empty())
        return;
    // One segment before the pit line starts and one after it ends.
    const Vec3 &p0 = maps.pitLine[0], &p1 = maps.pitLine[1];
    const Vec3 &pn = maps.pitLine[n - 1], &pm = maps.pitLine[n - 2];
    maps.pitEntry = NearestAiPoint(maps, {2 * p0.x - p1.x, 2 * p0.y - p1.y, 2 * p0.z - p1.z});
    maps.pitExit = NearestAiPoint(maps, {2 * pn.x - pm.x, 2 * pn.y - pm.y, 2 * pn.z - pm.z});
}

static Vec3 Add(Vec3 a, Vec3 b, float s) { return {a.x + b.x * s, a.y + b.y * s, a.z + b.z * s}; }

static PitCrew MakePitCrew(const TrackMaps& maps, const TrackPitCrew& stored, float toWorld)
{
    PitCrew crew = {};
    float x = stored.x * toWorld, y = stored.y * toWorld;
    float angle = static_cast<float>(stored.angle);
    crew.anchor = {x, HeightIn(maps, x, y), y};
    crew.facing = {std::cos(angle), 0, -std::sin(angle)};
    crew.side = {crew.facing.z, 0, -crew.facing.x};
    crew.state = 6;
    // Home points around the anchor (d = facing, q = side), in member order.
    const float offsets[kCrewMembers][2] = {{2, 0},  {-3, 3},   {1.5f, 3}, {1.5f, -3},
                                            {-1.5f, 3}, {-1.5f, -3}, {0, -3},   {0, 3}};
    float top = maps.worldSize - 0.001f;
    for (int m = 0; m < kCrewMembers; m++) {
        CrewMember& member = crew.members[m];
        member.home = Add(Add(crew.anchor, crew.facing, offsets[m][0]), crew.side, offsets[m][1]);
        float px = member.home.x > 0 ? (member.home.x < top ? member.home.x : top) : 0;
        float pz = member.home.z > 0 ? (member.home.z < top ? member.home.z : top) : 0;
        member.position = {px, HeightIn(maps, px, pz) + 0.7f, pz};
    }
    return crew;
}

// Turns a parsed track file into run-time maps.
static void BuildTrackMaps(const TrackFile& file, int carCount, TrackMaps& maps)
{
    maps.version = file.version;
    maps.recordsOffset = file.recordsOffset;
    maps.worldSize = file.worldSize;
    maps.worldScale = maps.worldSize / 512.0f;
    maps.heightCell = maps.worldSize / 63.0f;
    maps.waterHeight = file.waterLevel * 0.05f;
    maps.zoom = file.zoom * 0.01f;
    maps.viewAngle = file.viewAngle;
    maps.rotation = file.rotation;
    maps.sfLine = file.sfLine != 0;
    // dw.ini may fix the camera for every track.
    if (iniSettings.zoom > 0)
        maps.zoom = iniSettings.zoom * 0.01f;
    if (iniSettings.viewAngle != 32767)
        maps.viewAngle = static_cast<int16_t>(iniSettings.viewAngle);
    if (iniSettings.rotation != 32767)
        maps.rotation = static_cast<int16_t>(iniSettings.rotation);
    ComputeViewTransform(maps);

    maps.land.assign(kLandCells, 16);
    for (int i = 0; i < kLandCells && i < static_cast<int>(file.land.size()); i++)
        if (file.land[i] != kLandNotStored)
            ApplyLandCode(maps.land, i % kLandSide, i / kLandSide, file.land[i]);

    maps.heights = file.heights;
    maps.heights.resize(kHeightCells, 0);

    const float toWorld = maps.worldScale * 0.5f;
    maps.objects.clear();
    maps.objects.reserve(file.objects.size());
    for (const TrackObject& o : file.objects) {
        WorldObject w = {};
        float angle = static_cast<float>(o.angle);
        w.type = o.type;
        w.position = {o.x * toWorld, 0, o.y * toWorld};
        w.direction = {std::cos(angle), 0, -std::sin(angle)};
        w.smallConstant = 0.001f;
        w.factor = 0.8f;
        maps.objects.push_back(w);
    }
    maps.pitCrews.clear();
    for (size_t i = 0; i < file.pitCrews.size() && i < static_cast<size_t>(kMaxPitCrews); i++)
        maps.pitCrews.push_back(MakePitCrew(maps, file.pitCrews[i], toWorld));
    maps.checkpoints.clear();
    for (const TrackLine& c : file.checkpoints)
        maps.checkpoints.push_back(MakeGate(c, toWorld));
    maps.limiters.clear();
    for (const TrackLine& l : file.limiters)
        maps.limiters.push_back(MakeGate(l, toWorld));
    auto lift = [&](const std::vector<TrackPoint>& points, std::vector<Vec3>& out) {
        out.clear();
        out.reserve(points.size());
        for (const TrackPoint& p : points) {
            float x = p.x * toWorld, y = p.y * toWorld;
            out.push_back({x, HeightIn(maps, x, y), y});
        }
    };
    lift(file.aiLine, maps.aiLine);
    lift(file.pitLine, maps.pitLine);

    if (maps.sfLine)
        PaintStartFinish(maps);
    FindPitJunctions(maps);

    maps.trackLength = file.trackLength;
    snprintf(maps.author, sizeof maps.author, "%s", file.author.c_str());
    snprintf(maps.comments, sizeof maps.comments, "%s", file.comments.c_str());
    maps.records = file.records;
    maps.hasGhost = carCount == 1 && file.hasGhost;
    if (maps.hasGhost)
        maps.ghost = file.ghost;
    else
        maps.ghost = GhostLap();
    for (int k = 0; k < 4; k++) {
        maps.bodyChecksums[k] = file.bodySums[k];
        maps.identity[k] = file.identity[k];
    }
    maps.loaded = true;
}

// Replaces trackMaps as a whole with a parsed file. The view is fitted to the
// picture when the picture is made (RenderLoadedTrack in render.h).
static void Install(const TrackFile& file, const std::string& name, int carCount)
{
    TrackMaps maps;
    BuildTrackMaps(file, carCount, maps);
    maps.name = name;
    trackMaps = std::move(maps);
}

static int LoadFrom(const std::string& path, const std::string& name, int carCount)
{
    TrackFile file;
    if (ReadTrackFile(path.c_str(), TrackReadGame, file) != kTrackOk)
        return -1;
    Install(file, name, carCount);
    return 0;
}

int LoadTrackFile(const std::string& path, int carCount) { return LoadFrom(path, path, carCount); }

int LoadTrackBytes(const uint8_t* data, size_t size, int carCount)
{
    TrackFile file;
    if (ReadTrackBytes(data, size, TrackReadGame, file) != kTrackOk)
        return -1;
    Install(file, std::string(), carCount);
    return 0;
}

int LoadTrack(const std::string& name, int carCount)
{
    if (!EnterBaseDirectory())
        return -1;
    return LoadFrom(TrackFilePath(name), name, carCount);
}

void FreeTrackMaps() { trackMaps = TrackMaps(); }

// The panels written over the race picture between and after races: track
// info, results, championship points, final standings and "loading", with the
// position boxes and the small 3-D car icon beside each driver's name.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "Game/shell/font.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

// The view of every panel's car icon.
constexpr float kIconView[3][3] = {{-0.6396f, -0.4264f, -0.6396f}, {0, 0.832f, -0.555f}, {0.6396f, -0.4264f, -0.6396f}};
constexpr float kIconDistance = 120;

int C() { return uiScale; }
int W() { return viewTarget.width; }
int H() { return viewTarget.height; }

void Fill(int x1, int y1, int x2, int y2, uint8_t colour)
{
    const ViewTarget& v = viewTarget;
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, v.width);
    y2 = std::min(y2, v.height);
    for (int y = y1; y < y2; ++y)
        if (x1 < x2) std::memset(v.pixels + static_cast<size_t>(y) * v.pitch + x1, colour, x2 - x1);
}

void Text(const std::string& s, int x, int y, uint8_t colour, uint8_t shadow = 241) { DrawText(s.c_str(), x, y, colour, shadow); }
void Centred(const std::string& s, int y, uint8_t colour) { Text(s, (W() - TextWidth(s)) / 2, y, colour); }

std::string Format(const char* f, int a, int b = 0, int c = 0, int d = 0)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, f, a, b, c, d);
    return buf;
}

std::string RaceLengthText()
{
    if (viewRace.timedRace) {
        int minutes = viewRace.raceSeconds / 60;
        return minutes == 1 ? "1 " + texts[kTextMinute] : Format("%d ", minutes) + texts[kTextMinutes];
    }
    return viewRace.raceLaps == 1 ? "1 " + texts[kTextLap] : Format("%d ", viewRace.raceLaps) + texts[kTextLaps];
}

// Seconds with hundredths, no modulus on the seconds.
std::string TimeText(const char* f, int t) { return Format(f, t / 100, t / 10 % 10, t % 10); }

int PanelLeft() { return W() / 2 - 10 * C(); }

// The first driver of this race with this name, or -1.
int DriverNamed(const char* name)
{
    for (int i = 0; i < viewRace.carCount; ++i)
        if (std::strncmp(viewOptions.driverNames[i], name, 12) == 0) return i;
    return -1;
}

void Icon(int rowLeft, int rowTop, int car)
{
    if (car < 0 || car >= kViewCars || !viewRace.cars[car].definition) return;
    DrawCarIcon(rowLeft + 6 * C(), rowTop + C(), *viewRace.cars[car].definition, car, kIconView, kIconDistance);
}

// A record holder's icon: the car the record was driven with, in the colours
// of the driver of this race with the holder's name; none without one.
void RecordIcon(int rowLeft, int rowTop, const TrackRecord& rec)
{
    int car = DriverNamed(rec.name);
    if (car < 0 || car >= kViewCars || !viewRace.cars[car].definition) return;
    // The stored car comes from the track file: drawn only when it looks like a car.
    bool stored = rec.car.vertexCount > 0 && rec.car.triangleIndexCount > 0;
    for (float r : rec.car.wheelRadius) stored = stored && r >= 0 && r < 10;
    auto near = [](Vec3 v) { return std::fabs(v.x) < 100 && std::fabs(v.y) < 100 && std::fabs(v.z) < 100; };
    int n = std::min<int>(rec.car.vertexCount, kCarMaxVertices);
    for (int k = 0; stored && k < n; ++k) stored = near(rec.car.vertices[k]) && near(rec.car.normals[k]);
    for (const Vec3& w : rec.car.wheels) stored = stored && near(w);
    const CarDefinition& model = stored ? rec.car : *viewRace.cars[car].definition;
    DrawCarIcon(rowLeft + 6 * C(), rowTop + C(), model, car, kIconView, kIconDistance);
}

// Rows sorted by points, highest first; ties keep the drivers' order.
int SortedByPoints(int order[kViewCars], bool everyone)
{
    int n = 0;
    for (int i = 0; i < viewRace.carCount && i < kViewCars; ++i) {
        int k = n++;
        while (k > 0 && viewRace.seasonPoints[order[k - 1]] < viewRace.seasonPoints[i]) {
            order[k] = order[k - 1];
            --k;
        }
        order[k] = i;
    }
    if (!everyone)
        while (n > 0 && viewRace.seasonPoints[order[n - 1]] <= 0) --n;
    return n;
}

void PointRows(int left, int y, const int order[kViewCars], int n)
{
    int32_t keys[kViewCars];
    for (int r = 0; r < n; ++r) keys[r] = viewRace.seasonPoints[order[r]];
    int number = 1;
    for (int r = 0; r < n; ++r, y += 3 * C()) {
        if (RowStartsGroup(keys, r)) {
            number = r + 1;
            DrawPositionBox(left, y, number);
        }
        Icon(left, y, order[r]);
        Text(viewOptions.driverNames[order[r]], left + 9 * C(), y, 242);
        std::string p = Format("%d p", viewRace.seasonPoints[order[r]]);
        Text(p, left + 33 * C() - TextWidth(p), y, 245);
    }
}

std::string BaseName(const std::string& name)
{
    size_t at = name.find_last_of("\\/");
    return at == std::string::npos ? name : name.substr(at + 1);
}

}  // namespace

bool RowStartsGroup(const int32_t* keys, int row) { return row == 0 || keys[row] != keys[row - 1]; }

void DarkenPanel() { DarkenRect(10, viewRace.carCount == 1 ? 13 : 14); }

void DarkenRect(int halfWidth, int halfHeight)
{
    uint8_t remap[256];
    for (int i = 0; i < 256; ++i) {
        const SDL_Color& c = currentPalette[i];
        remap[i] = static_cast<uint8_t>(1 + static_cast<int>(0.07f * (0.6f * c.g + 0.3f * c.b + 0.1f * c.r)));
    }
    int x1 = std::max(0, W() / 2 - halfWidth * C()), x2 = std::min(W(), W() / 2 + halfWidth * C());
    int y1 = std::max(0, H() / 2 - halfHeight * C()), y2 = std::min(H(), H() / 2 + halfHeight * C());
    for (int y = y1; y < y2; ++y) {
        uint8_t* row = viewTarget.pixels + static_cast<size_t>(y) * viewTarget.pitch;
        for (int x = x1; x < x2; ++x) row[x] = remap[row[x]];
    }
}

void DrawPositionBox(int x, int y, int number)
{
    int G = lineWidth, size = 2 * C() + 2 * G;
    Fill(x, y, x + size, y + size, 246);
    Fill(x + G, y + G, x + size - G, y + size - G, 245);
    std::string n = Format("%d", number);
    DrawText(n.c_str(), x + (size - TextWidth(n)) / 2, y + G, 1, 0);
}

void DrawCarIcon(int x, int y, const CarDefinition& car, int colourSlot, const float m[3][3], float distance)
{
    auto project = [&](Vec3 v) {
        float mx = m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z;
        float my = m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z;
        float mz = m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z;
        ViewPoint p;
        p.z = mz + distance;
        if (p.z <= 0.0001f) return p;
        p.x = x + mx * W() / p.z;
        p.y = y - my * W() / p.z;
        p.valid = true;
        return p;
    };
    int n = std::min<int>(car.vertexCount, kCarMaxVertices);
    ViewPoint v[kCarMaxVertices];
    for (int k = 0; k < n; ++k) v[k] = project(car.vertices[k]);
    // Wheels behind the body first, then the body, then the nearer wheels.
    float centre = distance;
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1) {
            int tris = std::min<int>(car.triangleIndexCount, kCarMaxTriangleIndices) / 3;
            for (int t = 0; t < tris; ++t) {
                int a = car.triangles[t * 3], b = car.triangles[t * 3 + 1], c = car.triangles[t * 3 + 2];
                if (a >= n || b >= n || c >= n) continue;
                const ViewPoint p[3] = {v[a], v[b], v[c]};
                // Faces lit from the upper left are brighter.
                Vec3 nrm = Normalize(car.normals[a] + car.normals[b] + car.normals[c]);
                float s = 1.5f + 1.4f * (0.5f * nrm.y - 0.5f * nrm.x);
                const float shade[3] = {s, s, s};
                int code = car.faceColour[t];
                FillTriangle(p, shade, code < 8 ? kCarColoursFirstView + 8 * colourSlot + code : code, true);
            }
            continue;
        }
        for (int w = 0; w < 4; ++w) {
            ViewPoint p = project(car.wheels[w]);
            if ((pass == 0) != (p.z > centre)) continue;
            FillDisc(p, car.wheelRadius[w] * W() / viewTarget.scale, 3, true);
        }
    }
}

void ShowLoading()
{
    const std::string& s = texts[kTextLoading];
    Text(s, (W() - TextWidth(s)) / 2, H() / 2 - C(), 242);
}

void ShowTrackInfo()
{
    DarkenPanel();
    bool single = viewRace.carCount == 1;
    int y0 = H() / 2 - (single ? 10 : 11) * C();
    int c = C();
    Centred(BaseName(trackMaps.name), y0, 242);
    Centred(texts[single ? kTextTimeTrial : kTextRaceDistance], y0 + 4 * c, 245);
    Centred(RaceLengthText(), y0 + 6 * c, 242);
    if (!single) {
        int m = static_cast<int>(trackMaps.trackLength) * std::max(viewRace.raceLaps, 0);
        Centred(Format("%d.%d%d%d km", m / 1000, m / 100 % 10, m / 10 % 10, m % 10), y0 + 8 * c, 242);
    }
    int y = y0 + (single ? 10 : 12) * c;
    Centred(texts[single ? kTextBestTime : kTextTrackRecord], y, 245);
    const TrackRecord& rec = trackMaps.records.entry[single ? 1 : 0];
    if (rec.time >= kEmptyLapTime) return;
    y += 2 * c;
    Centred(TimeText("%d.%d%ds", rec.time), y, 242);
    y += 2 * c;
    std::string name(rec.name, strnlen(rec.name, 13));
    Text(name, PanelLeft() + 9 * c, y, 242);
    RecordIcon(PanelLeft(), y - c, rec);
    std::string carName(rec.car.name, strnlen(rec.car.name, 12));
    if (!carName.empty()) Centred(carName, y + 2 * c, 242);
    if (rec.date[0]) Centred(Format("%04d-%02d-%02d", rec.date[0], rec.date[1], rec.date[3]), y + 4 * c, 242);
}

void ShowRaceResults()
{
    // Each row needs room for box, icon, a 12-letter name and its value side
    // by side: the width of the points panel. A time trial's six best times
    // and the line under them need more height than the plain dark panel.
    int c = C(), left = W() / 2 - 17 * c;
    if (viewRace.carCount == 1) {
        DarkenRect(18, 17);
        int y = H() / 2 - 16 * c;
        Centred(texts[kTextTimeTrialResults], y, 245);
        Centred(BaseName(trackMaps.name), y + 2 * c, 242);
        Centred(RaceLengthText(), y + 4 * c, 242);
        Centred(texts[kTextBestTimes], y + 7 * c, 245);
        y += 10 * c;
        int32_t keys[6];
        for (int r = 0; r < 6; ++r) {
            const TrackRecord& rec = trackMaps.records.entry[r + 1];
            if (rec.time >= kEmptyLapTime) break;
            keys[r] = rec.time;
            if (RowStartsGroup(keys, r)) DrawPositionBox(left, y, r + 1);
            RecordIcon(left, y, rec);
            Text(std::string(rec.name, strnlen(rec.name, 13)), left + 9 * c, y, 242);
            std::string t = TimeText("%2d.%d%ds", rec.time);
            Text(t, left + 33 * c - TextWidth(t), y, 245);
            y += 3 * c;
        }
        if (viewRace.recordCar == 0 && trackMaps.records.entry[0].time == viewRace.cars[0].bestLap) Text("TR", left, y, 244);
        for (int r = 0; r < 6; ++r)
            if (viewRace.cars[0].bestLap < kEmptyLapTime && trackMaps.records.entry[r + 1].time == viewRace.cars[0].bestLap) {
                Text(Format("%d.", r + 1), left + 4 * c, y, 244);
                break;
            }
        return;
    }
    DarkenRect(18, 14);
    int y = H() / 2 - 13 * c;
    Centred(texts[kTextOfficialStandings], y, 245);
    y += 3 * c;
    const int firstRow = y;
    int n = 0;
    int order[kViewCars];
    for (int p = 0; p < kViewCars; ++p)
        if (viewRace.standing[p] >= 0 && viewRace.standing[p] < viewRace.carCount) order[n++] = viewRace.standing[p];
    if (n == 0) return;
    int32_t keys[kViewCars];
    for (int r = 0; r < n; ++r) keys[r] = viewRace.cars[order[r]].laps * 1000000 - viewRace.cars[order[r]].lastLapMark;
    const ViewCar& winner = viewRace.cars[order[0]];
    for (int r = 0; r < n; ++r, y += 3 * c) {
        const ViewCar& car = viewRace.cars[order[r]];
        int number = r + 1;
        while (number > 1 && keys[number - 2] == keys[r]) --number;
        if (RowStartsGroup(keys, r)) DrawPositionBox(left, y, number);
        Icon(left, y, order[r]);
        Text(viewOptions.driverNames[order[r]], left + 9 * c, y, 242);
        std::string value;
        if (r == 0) {
            double total = winner.lastLapMark > 0 ? winner.lastLapMark : 1;
            int speed = static_cast<int>(std::floor(trackMaps.trackLength * double(winner.laps) * 360 / total * 100 + 0.5));
            value = Format("%3d.%d%d kph", speed / 100, speed / 10 % 10, speed % 10);
        } else if (car.laps >= winner.laps) {
            int gap = std::max(0, car.lastLapMark - winner.lastLapMark);
            value = TimeText("+%d.%d%ds", gap);
        } else {
            int down = winner.laps - car.laps;
            value = Format("-%d ", down) + (down == 1 ? "lap" : "laps");
        }
        Text(value, left + 33 * c - TextWidth(value), y, 245);
    }
    // The fastest lap stands at the same place whatever the number of rows.
    y = firstRow + 3 * n * c + (19 - 3 * n) * c;
    Text(texts[kTextFastestLap], left, y, 245);
    int f = viewRace.fastestLapCar;
    if (f >= 0 && f < viewRace.carCount && viewRace.fastestLap < kEmptyLapTime) {
        y += 2 * c;
        if (viewRace.recordCar == f && trackMaps.records.entry[0].time == viewRace.fastestLap) Text("TR", left, y, 244);
        Icon(left, y, f);
        Text(viewOptions.driverNames[f], left + 9 * c, y, 242);
        std::string t = TimeText("%2d.%d%ds", viewRace.fastestLap);
        Text(t, left + 33 * c - TextWidth(t), y, 245);
    }
}

bool ShowPointsAfterRace()
{
    int order[kViewCars];
    int n = SortedByPoints(order, false);
    if (n == 0) return false;
    int c = C(), left = W() / 2 - 17 * c;  // one cell inside the panel's edge
    int y = (H() - 36 * c - 5 * lineWidth) / 2;
    DarkenRect(18, 19);
    Text(BaseName(trackMaps.name) + "  " + RaceLengthText(), left, y, 242);
    y += 4 * c;
    Text(texts[kTextChampionshipPoints], left, y, 245);
    y += 2 * c;
    Text(texts[kTextAfterRace] + Format("%d/%d", viewRace.raceIndex + 1, viewRace.raceCount), left, y, 245);
    PointRows(left, y + 3 * c, order, n);
    return true;
}

void ShowFinalStandings()
{
    DrawFinalStandings();
    for (ViewParticle& p : viewRace.particles) p = ViewParticle{};
    viewRace.particleNext = 0;
}

void DrawFinalStandings()
{
    int order[kViewCars];
    int n = SortedByPoints(order, true);
    int c = C(), left = W() / 2 - 17 * c;  // one cell inside the panel's edge
    int y = (H() - 36 * c - 5 * lineWidth) / 2;
    DarkenRect(18, 19);
    Text("Dustwhirl", left, y, 242);
    Text(texts[kTextOfficialChampionship], left, y + 4 * c, 245);
    Text(texts[kTextStandings], left, y + 6 * c, 245);
    PointRows(left, y + 9 * c, order, n);
}

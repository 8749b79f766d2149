// What is written over the race picture while racing: three gauges per car,
// the remaining time of a timed race, the start lights, and the track's name
// and record, the lap counter and the car columns painted into the track
// picture's bottom strip.
#include <algorithm>
#include <cstdio>
#include <string>

#include "Game/shell/font.h"
#include "Game/shell/video.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

void FillRows(int x1, int x2, int y1, int y2, uint8_t colour)
{
    const ViewTarget& v = viewTarget;
    if (!v.pixels) return;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, v.width - 1);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, v.height - 1);
    for (int y = y1; y <= y2; ++y)
        if (x1 <= x2) std::fill(v.pixels + static_cast<size_t>(y) * v.pitch + x1, v.pixels + static_cast<size_t>(y) * v.pitch + x2 + 1, colour);
}

}  // namespace

void DrawGaugeBar(int x, int value, uint8_t colour)
{
    const int C = uiScale, G = lineWidth, L = shadowOffset;
    const int H = viewTarget.height;
    int y0 = H - 2 * (C + G);
    int v = std::clamp(value, 0, 65535);
    int e = static_cast<int>(static_cast<int64_t>(65535 - v) * 2 * C / 65535);
    FillRows(x, x + 3 * G - 1, y0 + e - L, y0 + 2 * C + L - 1, 241);
    FillRows(x + L, x + 3 * G - 1 - L, y0 + e, y0 + 2 * C - 1, colour);
}

void DrawGauges(int car)
{
    const int C = uiScale, G = lineWidth;
    const int W = viewTarget.width;
    int x = ((C - 3 * G) * 3 - G - 1) / 2 + static_cast<int>(static_cast<int64_t>(W) * (car + 2) / 8) + C / 2;
    const ViewCar& c = viewRace.cars[car];
    DrawGaugeBar(x, c.tyres, 247);
    DrawGaugeBar(x + 3 * G + 1, c.damage, 244);
    DrawGaugeBar(x + 2 * (3 * G + 1), c.fuel, 245);
}

int RemainingSeconds(int32_t endSeconds, int32_t nowSeconds) { return endSeconds - nowSeconds; }

void RaceClockText(int secondsLeft, char text[16])
{
    if (secondsLeft > 0)
        std::snprintf(text, 16, "%02d:%02d", std::min(secondsLeft / 60, 99999), secondsLeft % 60);
    else
        std::snprintf(text, 16, " ");
}

void DrawRaceClock(int32_t nowSeconds, bool paused)
{
    if (!viewRace.timedRace || paused || viewRace.wallEnd < 0) return;
    int left = RemainingSeconds(viewRace.wallEnd, nowSeconds);
    char text[16];
    RaceClockText(left, text);
    const int C = uiScale, G = lineWidth;
    int len = static_cast<int>(std::char_traits<char>::length(text));
    int x = static_cast<int>(0.25f * viewTarget.width - (len + 0.5f) * C);
    int y = static_cast<int>(viewTarget.height - 2 * G - 4.2f * C);
    DrawText(text, x, y, 242, 241);
}

void DrawStartLights(int startLight)
{
    if (startLight < 0) return;
    const float s = static_cast<float>(uiScale);
    FillRows(0, static_cast<int>(16 * s) - 1, 0, static_cast<int>(4 * s) - 1, 240);
    // The lights are flat on the screen: a point at depth S is one pixel per world unit.
    auto at = [&](float x, float y) {
        ViewPoint p;
        p.x = x;
        p.y = y;
        p.z = viewTarget.scale;
        p.valid = true;
        return p;
    };
    for (int k = 0; k < 3; ++k) {
        bool lit = k <= startLight && startLight <= 2;
        float cx = 4 * s * (k + 1) - 0.5f;
        FillDisc(at(cx, 2 * s - 0.5f), 1.8f * s, 241, true);
        FillDisc(at(cx, 2 * s - 0.5f), 1.5f * s, lit ? 244 : 1, true);
        FillDisc(at(cx, 1.7f * s - 0.5f), s, lit ? 243 : 10, true);
        FillDisc(at(cx, 1.4f * s - 0.5f), 0.3f * s, lit ? 242 : 25, true);
    }
}

void PaintLapPanel()
{
    const int C = uiScale, G = lineWidth;
    const int W = viewTarget.width, H = viewTarget.height;
    char text[32];
    // The left quarter: the track's name on the top line, the lap counter and
    // the track record on the bottom one, both ending where the race clock
    // ends. In a timed race the clock stands at the end of the top line.
    const int top = H - 3 * G - 4 * C, bottom = H - 2 * (G + C), right = W / 4 - C / 2;
    FillRows(C, W / 4 - 1, top, top + 2 * C - 1, 240);
    FillRows(C, W / 4 - 1, bottom, bottom + 2 * C - 1, 240);
    std::string name = trackMaps.name.substr(trackMaps.name.find_last_of("\\/") + 1);
    int room = std::max(0, (right - C) / std::max(C, 1) - (viewRace.timedRace ? 6 : 0));
    if (name.size() > size_t(room)) name.resize(size_t(room));
    DrawText(name.c_str(), C, top, 242, 241);
    if (!viewRace.timedRace) {
        int lap = std::min(viewRace.leaderLaps + 1, viewRace.raceLaps);
        std::snprintf(text, sizeof text, "%d/%d", lap, viewRace.raceLaps);
        DrawText(text, C, bottom, 242, 241);
    }
    int record = trackMaps.records.entry[0].time;
    if (record < kEmptyLapTime) {
        std::snprintf(text, sizeof text, "TR: %d.%d%ds", record / 100, record / 10 % 10, record % 10);
        DrawText(text, right - TextWidth(text), bottom, 245, 241);
    }
    // Every car has its column, the lone car of a time trial too.
    for (int c = 0; c < viewRace.carCount && c < kViewCars; ++c) {
        const ViewCar& car = viewRace.cars[c];
        int x = static_cast<int>(static_cast<int64_t>(W) * (c + 2) / 8) + 4 * C;
        int y = H - 3 * G - 4 * C;
        FillRows(x, x + 5 * C - 1, y, y + 4 * C - 1, 241);
        if (car.lapState == 1) {
            DrawText("F ", x, y, 244, 0);
        } else {
            std::snprintf(text, sizeof text, "%-2d", car.position + 1);
            DrawText(text, x, y, 245, 0);
        }
        std::snprintf(text, sizeof text, "%d", car.laps);
        DrawText(text, x + 2 * C, y, 242, 0);
        if (car.lastLapTime > 0 && car.laps > 0) {
            int t = car.lastLapTime % 10000;
            const char lapText[6] = {static_cast<char>('0' + t / 1000), static_cast<char>('0' + t / 100 % 10), '.',
                                     static_cast<char>('0' + t / 10 % 10), static_cast<char>('0' + t % 10), 0};
            // Only the lap that set the mark is coloured: a later, slower lap
            // of the same car is not. The record is written into the track's
            // table as it falls, and may be slower than the race's fastest
            // lap of a driver who cannot set records.
            bool fastest = viewRace.fastestLapCar == c && viewRace.fastestLap == car.lastLapTime;
            bool record = viewRace.recordCar == c && trackMaps.records.entry[0].time == car.lastLapTime;
            DrawText(lapText, x, y + 2 * C, record ? 244 : fastest ? 247 : 242, 0);
        }
    }
}

// The editor view: a full redraw of the 512 x 512 display buffer (every map
// pixel, then the markers of a furnished track), a marker-only redraw, and
// producing the zoomed picture the window shows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "Courseforge/view.h"

namespace {

Editor& Furnished() {
    static Editor e;
    static bool made = false;
    if (made) return e;
    made = true;
    EditorInit(e);
    std::mt19937 rng(5);
    for (uint8_t& c : e.doc.land) c = uint8_t(rng() % 13);
    for (uint16_t& h : e.doc.height) h = uint16_t(rng());
    for (int i = 0; i < 200; ++i)
        e.doc.objects.push_back(EditorObject{uint8_t(1 + rng() % 32), float(rng() % 512), float(rng() % 512),
                                             float(rng() % 628) / 100.0f});
    for (int i = 0; i < 6; ++i) e.doc.pitCrews.push_back(EditorPitCrew{200.0f + 20 * i, 450, 1.0f});
    for (int i = 0; i < 20; ++i) {
        float a = i * 0.314f;
        e.doc.checkpoints.push_back(EditorLine{256 + 150 * std::cos(a), 256 + 150 * std::sin(a),
                                               256 + 200 * std::cos(a), 256 + 200 * std::sin(a)});
    }
    for (int i = 0; i < 300; ++i) {
        float a = i * 0.021f;
        e.doc.aiLine.push_back(EditorPoint{256 + 175 * std::cos(a), 256 + 175 * std::sin(a)});
    }
    return e;
}

void BM_FullRedraw(benchmark::State& state) {
    Editor& e = Furnished();
    for (auto _ : state) {
        ViewRedrawAll(e);
        benchmark::DoNotOptimize(viewPixels[1234]);
    }
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);

void BM_MarkerRedraw(benchmark::State& state) {
    Editor& e = Furnished();
    ViewRedrawAll(e);
    for (auto _ : state) {
        ViewRedrawMarkers(e);
        benchmark::DoNotOptimize(viewPixels[1234]);
    }
}
BENCHMARK(BM_MarkerRedraw)->Unit(benchmark::kMillisecond);

// The picture handed to the window at 4x zoom, line by line.
void BM_ZoomedPicture(benchmark::State& state) {
    ViewRedrawAll(Furnished());
    ViewState v;
    ViewSetZoom(v, kZoom4x);
    v.scrollX = v.scrollY = 500;
    static uint8_t line[kViewSize * 3];
    for (auto _ : state) {
        for (int y = 0; y < kViewSize; ++y) ViewZoomedLine(v, 0, y, kViewSize, line);
        benchmark::DoNotOptimize(line[100]);
    }
}
BENCHMARK(BM_ZoomedPicture)->Unit(benchmark::kMillisecond);

}  // namespace

// A 200-pixel brush stroke at brush size 50, as the mouse paints it: one
// press, mouse moves every 4 pixels (or one jump), release.
#include "Courseforge/editor.h"

#include <benchmark/benchmark.h>

static void StrokeInSteps(benchmark::State& state, int tool, EditorButton button)
{
    Editor e;
    EditorInit(e);
    e.controls.brushSize = 50;
    EditorSelectTool(e, tool);
    const int step = static_cast<int>(state.range(0));
    for (auto _ : state) {
        EditorMouseDown(e, button, 150, 256);
        for (int x = 150 + step; x <= 350; x += step)
            benchmark::DoNotOptimize(EditorMouseMove(e, static_cast<float>(x), 256 + (x % 40) * 0.5f));
        EditorMouseUp(e, button, 350, 256);
    }
}

static void BM_GrassStroke(benchmark::State& state) { StrokeInSteps(state, kToolGrass, kButtonLeft); }
static void BM_Tarmac1Stroke(benchmark::State& state) { StrokeInSteps(state, kToolTarmac1, kButtonRight); }
static void BM_KerbStroke(benchmark::State& state) { StrokeInSteps(state, kToolKerb, kButtonLeft); }
static void BM_HeightAdjustStroke(benchmark::State& state) { StrokeInSteps(state, kToolHeightAdjust, kButtonLeft); }

// Argument: pixels between mouse events (200 = one jump).
BENCHMARK(BM_GrassStroke)->Arg(4)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tarmac1Stroke)->Arg(4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KerbStroke)->Arg(4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeightAdjustStroke)->Arg(4)->Unit(benchmark::kMicrosecond);

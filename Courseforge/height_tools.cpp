// Height map tools: raise and lower (HMap adjust) and smooth. Samples sit at
// whole sample coordinates u, v (0-63, k = 512 / 63 pixels apart), the same
// grid the game spans edge to edge; a pixel's sample coordinate is
// (pixel + 0.5) / k.
#include "Courseforge/editor_internal.h"

#include <algorithm>
#include <cmath>

bool IsHeightTool(int tool) { return tool == kToolHeightAdjust || tool == kToolHeightSmooth; }

float HeightAt(const EditorDocument& d, float u, float v)
{
    u = std::clamp(u, 0.0f, float(kHeightSize - 1));
    v = std::clamp(v, 0.0f, float(kHeightSize - 1));
    const int i = std::min(static_cast<int>(u), kHeightSize - 2);
    const int j = std::min(static_cast<int>(v), kHeightSize - 2);
    const float fu = u - i, fv = v - j;
    const uint16_t* h = &d.height[size_t(j) * kHeightSize + i];
    const float top = h[0] + (h[1] - float(h[0])) * fu;
    const float bottom = h[kHeightSize] + (h[kHeightSize + 1] - float(h[kHeightSize])) * fu;
    return top + (bottom - top) * fv;
}

void HeightPress(Editor& e, EditorButton button, float x, float y, EditorResult& r)
{
    e.doc.heightUndo = e.doc.height;
    e.doc.heightUndoEnabled = true;
    HeightApply(e, button, x, y, r);
}

// Applies the current height tool once at pixel (x, y).
void HeightApply(Editor& e, EditorButton button, float x, float y, EditorResult& r)
{
    EditorDocument& d = e.doc;
    const float u = (x + 0.5f) / kHeightSpacing, v = (y + 0.5f) / kHeightSpacing;
    const float m = e.controls.brushSize * 0.5f;
    const float m2 = m * m;
    const int iFirst = std::max(static_cast<int>(std::floor(u - m)), 0);
    const int iLast = std::min(static_cast<int>(std::ceil(u + m)), kHeightSize - 1);
    const int jFirst = std::max(static_cast<int>(std::floor(v - m)), 0);
    const int jLast = std::min(static_cast<int>(std::ceil(v + m)), kHeightSize - 1);
    if (e.controls.tool == kToolHeightAdjust) {
        const float sign = button == kButtonLeft ? 1.0f : -1.0f;
        for (int j = jFirst; j <= jLast; j++) {
            for (int i = iFirst; i <= iLast; i++) {
                const float d2 = (i - u) * (i - u) + (j - v) * (j - v);
                if (d2 >= m2)
                    continue;
                const int change = static_cast<int>(sign * (1.0f / (1.0f + 4.0f * d2 / m2) - 0.2f) * 1000.0f);
                uint16_t& h = d.height[size_t(j) * kHeightSize + i];
                const int next = h + change;
                if (next >= 0 && next <= 65535)
                    h = static_cast<uint16_t>(next);
            }
        }
    } else {
        double sum = 0, weights = 0;
        for (int j = jFirst; j <= jLast; j++) {
            for (int i = iFirst; i <= iLast; i++) {
                const float d2 = (i - u) * (i - u) + (j - v) * (j - v);
                if (d2 >= m2)
                    continue;
                const double w = 1.0 - d2 / m2;
                sum += d.height[size_t(j) * kHeightSize + i] * w;
                weights += w;
            }
        }
        if (weights <= 0)
            return;
        const double mean = sum / weights;
        for (int j = jFirst; j <= jLast; j++) {
            for (int i = iFirst; i <= iLast; i++) {
                const float d2 = (i - u) * (i - u) + (j - v) * (j - v);
                if (d2 >= m2)
                    continue;
                const double s = 0.1 - 0.1 * d2 / m2;
                uint16_t& h = d.height[size_t(j) * kHeightSize + i];
                h = static_cast<uint16_t>(std::clamp((1.0 - s) * h + s * mean, 0.0, 65535.0));
            }
        }
    }
    const int reach = static_cast<int>(std::ceil((m + 1.5f) * 8));
    TouchArea(r, static_cast<int>(x) - reach, static_cast<int>(y) - reach, static_cast<int>(x) + reach + 1,
              static_cast<int>(y) + reach + 1);
}

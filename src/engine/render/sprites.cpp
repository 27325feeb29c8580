// Sprite triangles and square sprites.
#include "engine/render/sprites.h"

#include <cmath>

#include "engine/render/rasterizer_pixels.h"
#include "engine/render/rasterizer_setup.h"

namespace {

using namespace raster;

// Sprites cover the rows and columns from ceil(q) on (a whole-number edge
// includes its own row, unlike the fill routines).
int32_t CeilEdge(float q) {
    if (!(q == q)) return INT32_MIN / 2;
    if (q > 1.0e9f) return 1000000000;
    if (q < -1.0e9f) return -1000000000;
    return static_cast<int32_t>(std::ceil(q));
}

}  // namespace

void DrawSpriteTriangle(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2,
                        float y2, float u2, float v2, uint32_t* target, const uint32_t* texture, int32_t brightness) {
    std::array<sVertex<2>, 3> v{{{x0, y0, {u0, v0}}, {x1, y1, {u1, v1}}, {x2, y2, {u2, v2}}}};
    std::array<float, 2> gradient{};
    sSpan* spans = SpanBuffer();
    int32_t firstRow = 0;
    const int32_t rows = SetUpTriangleWith<2, CeilEdge>(
        v, gradient, kSpanRecords, firstRow,
        [&](int32_t index, int32_t xStart, int32_t xEnd, const std::array<float, 2>& values) {
            sSpan& s = spans[index];
            s.xStart = SpanX(xStart);
            s.xEnd = SpanX(xEnd);
            s.u = ToFixed(values[0]);
            s.v = ToFixed(values[1]);
        });
    if (rows == 0) return;
    const uint32_t du = static_cast<uint32_t>(ToFixed(gradient[0]));
    const uint32_t dv = static_cast<uint32_t>(ToFixed(gradient[1]));
    const uint32_t darken = (255u - (static_cast<uint32_t>(brightness) & 0xFFu)) * 0x01010101u;
    const int32_t width = g_targetWidth;
    for (int32_t i = 0; i < rows; ++i) {
        const sSpan& s = spans[i];
        int32_t xStart = s.xStart >> 16;
        int32_t xEnd = s.xEnd >> 16;
        if (xEnd < 0 || xStart >= width) continue;
        uint32_t u = static_cast<uint32_t>(s.u), w = static_cast<uint32_t>(s.v);
        if (xStart < 0) {
            // Unsigned products wrap like the per-pixel additions would.
            u += static_cast<uint32_t>(-xStart) * du;
            w += static_cast<uint32_t>(-xStart) * dv;
            xStart = 0;
        }
        if (xEnd > width - 1) xEnd = width - 1;
        uint32_t* row = target + static_cast<intptr_t>(firstRow + i) * width;
        for (int32_t x = xStart; x < xEnd; ++x) {
            row[x] = Add(Sub(Texel(texture, u, w), darken), row[x]);
            u += du;
            w += dv;
        }
    }
}

void DrawSprite(const uint32_t* texture, uint32_t* target, int32_t x, int32_t y, int32_t size, int32_t brightness) {
    const int64_t h = size >> 1, cx = x, cy = y;  // 64-bit so the reach tests cannot overflow
    if (size <= 0 || cx + h <= 0 || cx - h > g_targetWidth - 2 || cy + h <= 0 || cy - h > g_targetHeight - 2) return;
    const float r = static_cast<float>(h);
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    DrawSpriteTriangle(fx - r, fy - r, 0, 0, fx + r, fy - r, 255, 0, fx - r, fy + r, 0, 255, target, texture,
                       brightness);
    DrawSpriteTriangle(fx + r, fy - r, 255, 0, fx - r, fy + r, 0, 255, fx + r, fy + r, 255, 255, target, texture,
                       brightness);
}

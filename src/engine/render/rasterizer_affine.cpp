// The affine fill routines: one texture (u, v) or a texture and an
// environment texture (u, v and eu, ev), stepped in 16.16 per pixel.
#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_pixels.h"
#include "engine/render/rasterizer_setup.h"

namespace {

using namespace raster;

// N is 2 (u, v) or 4 (u, v, eu, ev). combine(texel, envTexel, pixel).
template <int N, typename Combine>
void FillAffineWith(std::array<sVertex<N>, 3> v, uint32_t* target, const uint32_t* texture,
                    const uint32_t* environment, Combine combine) {
    std::array<float, N> gradient{};
    sSpan* spans = SpanBuffer();
    int32_t firstRow = 0;
    const int32_t rows = SetUpTriangle<N>(
        v, gradient, kSpanRecords, firstRow,
        [&](int32_t index, int32_t xStart, int32_t xEnd, const std::array<float, N>& values) {
            sSpan& s = spans[index];
            s.xStart = SpanX(xStart);
            s.xEnd = SpanX(xEnd);
            s.u = ToFixed(values[0]);
            s.v = ToFixed(values[1]);
            if constexpr (N == 4) {
                s.eu = ToFixed(values[2]);
                s.ev = ToFixed(values[3]);
            }
        });
    if (rows == 0) return;
    // Steps as unsigned so that wrapping past 2^32 is defined; only the low
    // 8 bits of each integer part address the texture anyway.
    const uint32_t du = static_cast<uint32_t>(ToFixed(gradient[0]));
    const uint32_t dv = static_cast<uint32_t>(ToFixed(gradient[1]));
    uint32_t deu = 0, dev = 0;
    if constexpr (N == 4) {
        deu = static_cast<uint32_t>(ToFixed(gradient[2]));
        dev = static_cast<uint32_t>(ToFixed(gradient[3]));
    }
    for (int32_t i = 0; i < rows; ++i) {
        const sSpan& s = spans[i];
        int32_t xStart = s.xStart >> 16;
        int32_t xEnd = s.xEnd >> 16;
        const uint32_t skipped = static_cast<uint32_t>(ClipSpan(xStart, xEnd));
        uint32_t u = static_cast<uint32_t>(s.u) + skipped * du;
        uint32_t w = static_cast<uint32_t>(s.v) + skipped * dv;
        uint32_t eu = static_cast<uint32_t>(s.eu) + skipped * deu;
        uint32_t ev = static_cast<uint32_t>(s.ev) + skipped * dev;
        uint32_t* row = target + static_cast<intptr_t>(firstRow + i) * g_targetWidth;
        for (int32_t x = xStart; x < xEnd; ++x) {
            const uint32_t texel = Texel(texture, u, w);
            uint32_t envTexel = 0;
            if constexpr (N == 4) envTexel = Texel(environment, eu, ev);
            row[x] = combine(texel, envTexel, row[x]);
            u += du;
            w += dv;
            if constexpr (N == 4) {
                eu += deu;
                ev += dev;
            }
        }
    }
}

}  // namespace

void FillAffineHalf(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2, float y2,
                    float u2, float v2, uint32_t* target, const uint32_t* texture) {
    FillAffineWith<2>({{{x0, y0, {u0, v0}}, {x1, y1, {u1, v1}}, {x2, y2, {u2, v2}}}}, target, texture, nullptr,
                      [](uint32_t t, uint32_t, uint32_t p) { return Half(t, p); });
}

void FillAffineAdd(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2, float y2,
                   float u2, float v2, uint32_t* target, const uint32_t* texture) {
    FillAffineWith<2>({{{x0, y0, {u0, v0}}, {x1, y1, {u1, v1}}, {x2, y2, {u2, v2}}}}, target, texture, nullptr,
                      [](uint32_t t, uint32_t, uint32_t p) { return Add(t, p); });
}

void FillDualAdd(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1, float v1,
                 float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2, uint32_t* target,
                 const uint32_t* texture, const uint32_t* environment) {
    FillAffineWith<4>({{{x0, y0, {u0, v0, eu0, ev0}}, {x1, y1, {u1, v1, eu1, ev1}}, {x2, y2, {u2, v2, eu2, ev2}}}},
                      target, texture, environment, [](uint32_t t, uint32_t e, uint32_t) { return Add(t, e); });
}

void FillDualAddHalf(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1,
                     float v1, float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2,
                     uint32_t* target, const uint32_t* texture, const uint32_t* environment) {
    FillAffineWith<4>({{{x0, y0, {u0, v0, eu0, ev0}}, {x1, y1, {u1, v1, eu1, ev1}}, {x2, y2, {u2, v2, eu2, ev2}}}},
                      target, texture, environment,
                      [](uint32_t t, uint32_t e, uint32_t p) { return Half(Add(t, e), p); });
}

void FillDualMultiply(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1,
                      float v1, float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2,
                      uint32_t* target, const uint32_t* texture, const uint32_t* environment) {
    FillAffineWith<4>({{{x0, y0, {u0, v0, eu0, ev0}}, {x1, y1, {u1, v1, eu1, ev1}}, {x2, y2, {u2, v2, eu2, ev2}}}},
                      target, texture, environment, [](uint32_t t, uint32_t e, uint32_t) { return Mul(t, e); });
}

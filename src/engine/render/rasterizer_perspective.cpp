// The perspective-correct fill routines. 1/z, u/z and v/z are linear across
// the screen; u and v are recovered by one division every 16 pixels and
// stepped affinely in 16.16 between those sample points.
#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_pixels.h"
#include "engine/render/rasterizer_setup.h"

namespace {

using namespace raster;

constexpr int32_t kSegment = 16;

template <typename Combine>
void FillPerspectiveWith(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                         float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                         const uint32_t* texture, Combine combine) {
    auto vertex = [](float x, float y, float z, float u, float v) {
        const float w = 1.0f / z;
        return sVertex<3>{x, y, {w, u * w, v * w}};
    };
    std::array<sVertex<3>, 3> v{vertex(x0, y0, z0, u0, v0), vertex(x1, y1, z1, u1, v1), vertex(x2, y2, z2, u2, v2)};
    std::array<float, 3> gradient{};
    sSpan* spans = SpanBuffer();
    int32_t firstRow = 0;
    // Record 0 of each row's block holds the span and w, u w, v w at its
    // first pixel; the sample points are worked out while filling.
    const int32_t rows = SetUpTriangle<3>(
        v, gradient, kSpanRows, firstRow,
        [&](int32_t index, int32_t xStart, int32_t xEnd, const std::array<float, 3>& values) {
            sSpan& s = spans[index * kRecordsPerRow];
            s.xStart = SpanX(xStart);
            s.xEnd = SpanX(xEnd);
            s.w = values[0];
            s.uw = values[1];
            s.vw = values[2];
        });
    const float dw = gradient[0], duw = gradient[1], dvw = gradient[2];

    for (int32_t i = 0; i < rows; ++i) {
        const sSpan& s = spans[i * kRecordsPerRow];
        const int32_t xStart = s.xStart >> 16;
        const int32_t length = (s.xEnd >> 16) - xStart;
        if (length <= 0) continue;
        uint32_t* row = target + static_cast<intptr_t>(firstRow + i) * g_targetWidth;
        auto sample = [&](int32_t offset, uint32_t& u, uint32_t& v) {
            const float k = static_cast<float>(offset);
            const float w = s.w + k * dw;
            u = static_cast<uint32_t>(ToFixed((s.uw + k * duw) / w));
            v = static_cast<uint32_t>(ToFixed((s.vw + k * dvw) / w));
        };
        uint32_t su, sv;
        sample(0, su, sv);
        for (int32_t offset = 0; offset < length; offset += kSegment) {
            const int32_t n = length - offset < kSegment ? length - offset : kSegment;
            uint32_t nu, nv;
            sample(offset + n, nu, nv);
            // Steps to the next sample point: the difference wraps as a
            // 32-bit value; full segments divide by 16 with an arithmetic
            // shift, the last short one with a truncating division.
            const int32_t diffU = static_cast<int32_t>(nu - su);
            const int32_t diffV = static_cast<int32_t>(nv - sv);
            const uint32_t du = static_cast<uint32_t>(n == kSegment ? diffU >> 4 : diffU / n);
            const uint32_t dv = static_cast<uint32_t>(n == kSegment ? diffV >> 4 : diffV / n);
            uint32_t u = su, w = sv;
            for (int32_t x = xStart + offset; x < xStart + offset + n; ++x) {
                // Spans outside the target's columns are never written.
                if (x >= 0 && x < g_targetWidth) row[x] = combine(Texel(texture, u, w), row[x]);
                u += du;
                w += dv;
            }
            su = nu;
            sv = nv;
        }
    }
}

}  // namespace

void FillPerspective(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                     float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                     const uint32_t* texture) {
    FillPerspectiveWith(x0, y0, z0, u0, v0, x1, y1, z1, u1, v1, x2, y2, z2, u2, v2, target, texture,
                        [](uint32_t t, uint32_t) { return t; });
}

void FillPerspectiveHalf(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                         float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                         const uint32_t* texture) {
    FillPerspectiveWith(x0, y0, z0, u0, v0, x1, y1, z1, u1, v1, x2, y2, z2, u2, v2, target, texture,
                        [](uint32_t t, uint32_t p) { return Half(t, p); });
}

void FillPerspectiveAdd(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                        float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                        const uint32_t* texture) {
    FillPerspectiveWith(x0, y0, z0, u0, v0, x1, y1, z1, u1, v1, x2, y2, z2, u2, v2, target, texture,
                        [](uint32_t t, uint32_t p) { return Add(t, p); });
}

// Triangle fill routines. Each draws one screen triangle into a 32-bit
// 0x00RRGGBB target whose row length is g_targetWidth; rows from the first
// covered row to g_targetHeight - 2 are drawn (the last row never is).
// Vertices may come in any order and winding. Textures are 256 x 256 texels,
// addressed with their coordinates wrapping every 256 texels.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// Flat: x, y per vertex.
void FillFlat(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour);
void FillFlatHalf(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour);
void FillFlatAdd(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour);

// Perspective-correct texture: x, y, z (camera depth), u, v per vertex.
void FillPerspective(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                     float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                     const uint32_t* texture);
void FillPerspectiveHalf(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                         float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                         const uint32_t* texture);
void FillPerspectiveAdd(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                        float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                        const uint32_t* texture);

// Affine texture: x, y, u, v per vertex.
void FillAffineHalf(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2, float y2,
                    float u2, float v2, uint32_t* target, const uint32_t* texture);
void FillAffineAdd(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2, float y2,
                   float u2, float v2, uint32_t* target, const uint32_t* texture);

// Texture and environment, both affine: x, y, u, v, eu, ev per vertex.
void FillDualAdd(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1, float v1,
                 float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2, uint32_t* target,
                 const uint32_t* texture, const uint32_t* environment);
void FillDualAddHalf(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1,
                     float v1, float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2,
                     uint32_t* target, const uint32_t* texture, const uint32_t* environment);
void FillDualMultiply(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1,
                      float v1, float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2,
                      uint32_t* target, const uint32_t* texture, const uint32_t* environment);

// The first integer row or column covered by an edge at q: the next integer
// above q, and q + 1 when q is a whole number (within 0.0001). Inline for
// the set-up's per-row calls.
//
// Round (q + 1 - 0.4999) to the nearest integer, ties to even, then one up
// for negative results. The rounding adds 2^52 + 2^51: from there on a
// double's last place is worth 1, so the sum is rounded to a whole number in
// the current (nearest-even) mode, exactly as std::nearbyint rounds, and the
// low 32 bits of the mantissa hold it in two's complement while |q| < 2^31.
// Values past any target are held to +-1e9 first, which keeps the trick
// inside that range; the common case takes one test for that (NaN fails it
// too).
inline int32_t StartRule(float q) {
    double a = static_cast<double>(q);
    if (!(std::fabs(a) <= 1.0e9)) {
        if (!(a == a)) return INT32_MIN / 2;
        a = a > 0.0 ? 1.0e9 : -1.0e9;
    }
    const double rounded = (a + 1.0 - 0.4999) + 6755399441055744.0;
    int32_t n = static_cast<int32_t>(static_cast<uint32_t>(std::bit_cast<uint64_t>(rounded)));
    if (n < 0) n += 1;
    if (a <= -1.0) n -= 1;
    return n;
}

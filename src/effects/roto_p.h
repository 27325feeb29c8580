// Private to the rotozoomer: the tiled texture layout, the packed
// fixed-point coordinates and the layer drawing, as a plain reference loop
// and an SSE2 variant giving the same bytes.
#pragma once

#include <cstdint>

namespace roto_detail {

constexpr int kBandWidth = 512;
constexpr int kBandHeight = 200;
constexpr int kBandTop = 92;

// Texel (x, y) of the picture lives at (x >> 3) * 2048 + y * 8 + (x & 7):
// vertical strips 8 texels wide, so texels that neighbour each other in
// either direction stay in few cache lines whatever the rotation.
constexpr uint32_t TiledIndex(uint32_t x, uint32_t y) { return (x >> 3) << 11 | y << 3 | (x & 7); }

// Packed coordinates. From a 16.16 value x:
//   U (column): bits 0-14 fraction (x bits 1-15), bits 16-18 integer bits
//               0-2, bits 27-31 integer bits 3-7;
//   V (row):    bits 0-14 fraction, bits 19-26 integer bits 0-7.
// The integer fields of U + V then read, from bit 16 up, exactly the tiled
// index, and the two 15-bit fractions sum below bit 16 without reaching it.
constexpr uint32_t PackU(uint32_t x) { return ((x << 8) & 0xF8000000u) | ((x >> 1) & 0x7FFFu) | (x & 0x70000u); }
constexpr uint32_t PackV(uint32_t x) { return ((x << 3) & 0x07F80000u) | ((x >> 1) & 0x7FFFu); }
// Registers are masked after every addition; increments carry their gap
// bits set, so a carry out of one field runs through the gap into the next
// (and out of the top, wrapping at 256 texels).
constexpr uint32_t kMaskU = 0xF8077FFEu;
constexpr uint32_t kMaskV = 0x07F87FFEu;
constexpr uint32_t kGapsU = 0x07F88000u;
constexpr uint32_t kGapsV = 0xF8078000u;

// One layer's walk through the texture and its fade.
struct sLayer {
    uint32_t rowU, rowV;      // packed start of the first row (no gap bits)
    uint32_t stepUx, stepVx;  // packed steps one pixel right (gap bits set)
    uint32_t stepUy, stepVy;  // packed steps one row down (gap bits set)
    uint32_t fade;            // subtracted from each colour byte, saturating
};

// The layer for scale s (texels per pixel) and angle theta, centred on
// texture point (128, 128) at band pixel (159, 100). False when s >= 2.4:
// the layer is not drawn.
bool LayerFor(float s, float theta, sLayer& layer);

// Draws the layer into the band: overwriting, or adding byte by byte with
// saturation.
void DrawLayerReference(uint32_t* band, const uint32_t* texture, const sLayer& layer, bool add);
void DrawLayerSse2(uint32_t* band, const uint32_t* texture, const sLayer& layer, bool add);

// The five layer scales for an angle: 2.4 - |fmod(-p - angle, 2.4)| for
// p = 0.4, 0.9, 1.4, 1.9, 2.4. While the angle grows each falls from 2.4 to
// 0 in 2.4 units and jumps back; fmod keeps the sign of -p - angle, so a
// falling angle makes them rise until -p - angle turns positive.
void LayerScales(float angle, float scale[5]);

// For tests: the next frame is the run's first again (it clears the whole
// frame and restarts the effect's clock).
void ForgetFirstFrame();

}  // namespace roto_detail

// Private to the zoom tunnel: the polar table, the per-frame geometry and
// the band pass, as a plain reference loop and an SSE2 variant giving the
// same bytes.
#pragma once

#include <cstdint>

namespace zoomer_detail {

constexpr int kBandWidth = 512;
constexpr int kBandHeight = 256;
constexpr int kBandTop = 64;  // first frame row of the band
constexpr int kPolarWidth = 512;
constexpr int kPolarHeight = 256;
constexpr int kMapWidth = 64;
constexpr int kMapHeight = 32;
constexpr float kMinZoom = 4.0f;
constexpr float kMaxZoom = 248.0f;

// Table entry for row i, column j: depth * 256 + angle in single
// precision, truncated; used as a 16-bit texture index (row = depth,
// column = angle, 256 angle units per turn).
int32_t PolarEntry(int i, int j);

// zoom + elapsed * 0.00025 * speed in single precision, then kept within
// 4..248 by comparing bit patterns as signed integers: every negative value
// (and negative NaN) becomes 4, positive NaN 248.
float UpdateZoom(float zoom, float elapsedMs, float speed);

struct sZoomFrame {
    int32_t stepX;  // 16.16 table columns per band pixel: zoom / 4
    int32_t stepY;  // 16.16 table rows per band pixel: zoom / 8
    uint32_t offset1;  // texture index offsets of the two layers (low 16 bits count)
    uint32_t offset2;
};
sZoomFrame FrameFor(float zoom, uint32_t now, float speed1, float speed2);

// Writes the 512 x 256 band: each pixel the per-byte min(255, A + B) >> 1
// of texture2 at (index + offset1) and texture1 at (index + offset2), where
// index is the polar table resampled by the steps, plus the halved overlay
// map magnified by the steps. The steps must come from a zoom in 4..248.
// `textures` holds texture1 then texture2; `map` is already halved.
void ZoomPassReference(uint32_t* band, const int32_t* polar, const uint32_t* textures, const uint32_t* map,
                       const sZoomFrame& frame);
void ZoomPassSse2(uint32_t* band, const int32_t* polar, const uint32_t* textures, const uint32_t* map,
                  const sZoomFrame& frame);

// For tests: the zoom as at program start, and the next frame the run's
// first (it paints the whole frame white).
void ResetRunState();

}  // namespace zoomer_detail

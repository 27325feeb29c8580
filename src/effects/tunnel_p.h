// Private to the tunnel: its two passes, each as a plain reference loop and
// an SSE2 variant giving the same bytes, so tests and benchmarks can run
// both. The render picks one through the frame buffer operations' path.
#pragma once

#include <cstdint>

namespace tunnel_detail {

constexpr int kBandWidth = 512;
constexpr int kBandHeight = 200;
constexpr int kBandTop = 92;  // first frame row of the band
constexpr int kTableWidth = 1024;
constexpr int kTableHeight = 400;
constexpr int kGlowCentreX = 256;
constexpr int kGlowCentreY = 100;

// Table entry for the point x = i - 512, y = j - 200: the angle in the high
// 16 bits (65536 units per turn, negative angles wrapped by the mask) and
// (distance + 1) in 1/256 pixel in the low 16 bits, wrapped the same way.
uint32_t TableEntry(int i, int j);

// Top-left corners of the three layers' 512 x 200 windows in the table.
struct sLayerWindows {
    int x[3];
    int y[3];
};
// The windows for phase A; they stay within x 10..502 and y 10..190.
sLayerWindows WindowsForPhase(float phase);

// band[r][q] = texture[v * 256 + u], where the three layers' entries at
// (x_k + q, y_k + r) are summed as two separate 16-bit lanes (no carry
// between them), `shift` is added to the low lane, and u, v are the high
// bytes of the low and high lanes.
void TunnelPassReference(uint32_t* band, const uint32_t* table, const uint32_t* texture,
                         const sLayerWindows& windows, uint32_t shift);
void TunnelPassSse2(uint32_t* band, const uint32_t* table, const uint32_t* texture,
                    const sLayerWindows& windows, uint32_t shift);

// The glow's per-channel rule: new = min(127, T1[current] + T2[sample]),
// with T1[i] = clamp(trunc(i * flash), 0, 127) weighting the pixel's own
// value and T2[i] = clamp(trunc(i * (1.1 - flash)), 0, 127) the sample.
struct sGlowTable {
    uint8_t own[128];         // T1
    uint8_t propagated[128];  // T2
    // Both tables in the arithmetic form min(127, scale * i + (i * fraction
    // >> 16)), which 16-bit lanes compute without lookups; `linear` tells
    // whether that form reproduces every entry of both.
    bool linear = false;
    uint16_t ownScale = 0, ownFraction = 0;
    uint16_t propagatedScale = 0, propagatedFraction = 0;
};
void BuildGlowTable(float flash, sGlowTable& table);

inline uint32_t MixChannel(const sGlowTable& table, uint32_t current, uint32_t sample) {
    const uint32_t sum = uint32_t{table.own[current]} + table.propagated[sample];
    return sum < 127 ? sum : 127;
}

// Halves every byte of the band, sweeps the four quadrants outward from
// (256, 100) replacing each pixel's colour bytes by the table's mix of its
// own value and a bilinear sample taken zoom/256 of the way from the
// quadrant's start pixel (so light propagates outward), then doubles every
// byte. zoom must be in 0..256; then every sample lies inside the band.
void GlowReference(uint32_t* band, int zoom, const sGlowTable& table);
void GlowSse2(uint32_t* band, int zoom, const sGlowTable& table);
// Only on processors with AVX2 (SimdPathSupported(SimdPath::Avx2)).
void GlowAvx2(uint32_t* band, int zoom, const sGlowTable& table);

// For tests: makes the next frame the run's first again (it clears the
// whole frame).
void ForgetFirstFrame();

}  // namespace tunnel_detail

// The tunnel's passes with SSE2: the same bytes as the reference loops in
// tunnel.cpp, with four 16-bit lanes per pixel where the reference works
// channel by channel.
#include "effects/tunnel_p.h"

#include "effects/tunnel_glow_p.h"

namespace tunnel_detail {

#if defined(__x86_64__)

void TunnelPassSse2(uint32_t* band, const uint32_t* table, const uint32_t* texture,
                    const sLayerWindows& windows, uint32_t shift) {
    const __m128i shiftLow = _mm_set1_epi32(static_cast<int>(shift & 0xFFFF));
    const __m128i columnMask = _mm_set1_epi32(0x00FF);
    const __m128i rowMask = _mm_set1_epi32(0xFF00);
    for (int r = 0; r < kBandHeight; ++r) {
        const uint32_t* e0 = table + (windows.y[0] + r) * kTableWidth + windows.x[0];
        const uint32_t* e1 = table + (windows.y[1] + r) * kTableWidth + windows.x[1];
        const uint32_t* e2 = table + (windows.y[2] + r) * kTableWidth + windows.x[2];
        uint32_t* out = band + r * kBandWidth;
        for (int q = 0; q < kBandWidth; q += 4) {
            // 16-bit lane adds keep the radius and angle sums apart.
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e0 + q));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e1 + q));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e2 + q));
            const __m128i sum = _mm_add_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, shiftLow));
            // Texel index v * 256 + u: u is bits 8-15 of the sum, v bits 24-31.
            const __m128i index = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(sum, 8), columnMask),
                                               _mm_and_si128(_mm_srli_epi32(sum, 16), rowMask));
            const uint64_t i01 = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
            const uint64_t i23 = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(index, index)));
            out[q] = texture[static_cast<uint32_t>(i01)];
            out[q + 1] = texture[i01 >> 32];
            out[q + 2] = texture[static_cast<uint32_t>(i23)];
            out[q + 3] = texture[i23 >> 32];
        }
    }
}

namespace {

// A row whose pixels may go in any order: pairs throughout.
inline void GlowFreeRow(uint32_t* row, const uint32_t* top, const uint32_t* bottom, __m128i fy, bool left,
                        const sTaps& taps, const sMixLanes& mix) {
    if (left) {
        // Columns 1..255: pairs from 1, then 255 alone.
        for (int x = 1; x < kGlowCentreX - 1; x += 2) GlowPair(row, x, top, bottom, taps, fy, mix);
        GlowOne(row, kGlowCentreX - 1, top, bottom, taps, fy, mix);
    } else {
        for (int x = kGlowCentreX; x < kBandWidth; x += 2) GlowPair(row, x, top, bottom, taps, fy, mix);
    }
}

}  // namespace

void GlowSse2(uint32_t* band, int zoom, const sGlowTable& table) {
    // Tables no arithmetic form reproduces (none known) take the exact loop.
    if (!table.linear) return GlowReference(band, zoom, table);
    GlowSweeps(band, zoom, table, GlowFreeRow, GlowStep);
}

#else

void TunnelPassSse2(uint32_t* band, const uint32_t* table, const uint32_t* texture,
                    const sLayerWindows& windows, uint32_t shift) {
    TunnelPassReference(band, table, texture, windows, shift);
}
void GlowSse2(uint32_t* band, int zoom, const sGlowTable& table) { GlowReference(band, zoom, table); }

#endif

}  // namespace tunnel_detail

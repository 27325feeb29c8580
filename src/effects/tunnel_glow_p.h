// Private to the tunnel's SIMD glow units: the sweeps' tap tables and the
// 128-bit steps for one pixel and for a pair, shared by the SSE2 and AVX2
// units. Everything here has internal linkage, so each unit compiles its
// own copy for its own instruction set and no AVX2 code can be picked for
// the SSE2 path at link time.
#pragma once

#if defined(__x86_64__)

#include <emmintrin.h>

#include "effects/tunnel_p.h"

namespace tunnel_detail {
namespace {

constexpr int kPixels = kBandWidth * kBandHeight;

// Where each column and row of the sweeps samples: the tap column ix and
// its fraction fx (repeated in four 16-bit lanes), the tap row iy and fy.
// Columns 1..255 belong to the left sweeps (start column 255), 256..511 to
// the right ones (start column 256); rows 0..99 to the upper sweeps (start
// row 99), 100..199 to the lower ones (start row 100).
struct sTaps {
    int ix[kBandWidth + 1];
    uint64_t fx[kBandWidth + 1];
    int iy[kBandHeight];
    int fy[kBandHeight];
    // True where a row samples itself. Its pixels may read neighbours
    // rewritten just before them, so they go in sweep order, several at a
    // time only where pairSafe or quadSafe allows. Other rows read only
    // rows finished earlier (or, for the upper sweeps, row 100, which no
    // upper sweep writes), so their pixels may go in any order.
    bool dependent[kBandHeight];
    // For a dependent row: pixels x and x + 1 may be computed together.
    // In a right sweep x + 1 must not read x; in a left sweep (order x + 1,
    // then x) x must not read x + 1.
    bool pairSafe[kBandWidth + 1];
    // Likewise for pixels x .. x + 3: no pixel reads one of the others.
    bool quadSafe[kBandWidth + 1];
};

void ComputeTaps(int zoom, sTaps& taps) {
    for (int x = 1; x < kBandWidth; ++x) {
        const int x0 = x < kGlowCentreX ? kGlowCentreX - 1 : kGlowCentreX;
        const int sx = x0 * 256 + (x - x0) * zoom;
        taps.ix[x] = sx >> 8;
        taps.fx[x] = uint64_t{static_cast<uint32_t>(sx & 255)} * 0x0001000100010001ull;
    }
    // The tap column never falls as the column grows, so the group's
    // last pixel in memory order bounds a right sweep's taps from above,
    // and its first a left sweep's from below. Right sweep: the taps
    // (ix and ix + 1) of the last pixel lie below the group. Left sweep
    // (the group runs from its last pixel down): those of the first pixel
    // lie above the group.
    for (int x = 1; x < kBandWidth; ++x) {
        const bool right = x >= kGlowCentreX;
        taps.pairSafe[x] = x + 1 < kBandWidth && (right ? taps.ix[x + 1] + 1 < x : taps.ix[x] > x + 1);
        taps.quadSafe[x] = x + 3 < kBandWidth && (right ? taps.ix[x + 3] + 1 < x : taps.ix[x] > x + 3);
    }
    for (int y = 0; y < kBandHeight; ++y) {
        const bool upper = y < kGlowCentreY;
        const int y0 = upper ? kGlowCentreY - 1 : kGlowCentreY;
        const int sy = y0 * 256 + (y - y0) * zoom;
        taps.iy[y] = sy >> 8;
        taps.fy[y] = sy & 255;
        // Upper sweeps sample rows iy and iy + 1 with iy >= y; lower ones
        // rows iy <= y and iy + 1.
        taps.dependent[y] = upper ? taps.iy[y] == y : taps.iy[y] + 1 >= y;
    }
}

inline __m128i Load32(const uint32_t* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }
inline __m128i Load64(const void* p) { return _mm_loadl_epi64(static_cast<const __m128i*>(p)); }

// Top and bottom of the bilinear sample, per 16-bit lane of value * 256:
//   top = a * 256 + ((b * 256 - a * 256) >> 8) * fx,
// the difference brought back to a plain value before the multiplication.
// Unpacking below a zero byte puts each channel at value * 256.
inline __m128i Lerp(__m128i left256, __m128i right256, __m128i fx) {
    const __m128i diff = _mm_srai_epi16(_mm_sub_epi16(right256, left256), 8);
    return _mm_adds_epi16(left256, _mm_mullo_epi16(diff, fx));
}

// S = (top + ((bottom - top) >> 8) * fy) >> 8, floored, so slightly
// negative sums give -1, clamped to 0. With every input at most 127 so is
// S, so no upper clamp is needed.
inline __m128i Vertical(__m128i top, __m128i bottom, __m128i fy) {
    const __m128i diff = _mm_srai_epi16(_mm_sub_epi16(bottom, top), 8);
    const __m128i s = _mm_srai_epi16(_mm_adds_epi16(top, _mm_mullo_epi16(diff, fy)), 8);
    return _mm_max_epi16(s, _mm_setzero_si128());
}

// The glow tables in their arithmetic form, for lanes holding 0..127.
struct sMixLanes {
    __m128i ownScale, ownFraction, propagatedScale, propagatedFraction, limit;
    explicit sMixLanes(const sGlowTable& t)
        : ownScale(_mm_set1_epi16(static_cast<short>(t.ownScale))),
          ownFraction(_mm_set1_epi16(static_cast<short>(t.ownFraction))),
          propagatedScale(_mm_set1_epi16(static_cast<short>(t.propagatedScale))),
          propagatedFraction(_mm_set1_epi16(static_cast<short>(t.propagatedFraction))),
          limit(_mm_set1_epi16(127)) {}

    // min(127, T1[current] + T2[sample]) with T = min(127, scale * i +
    // (i * fraction >> 16)). The tables' own clamps can go: both terms are
    // non-negative, so either reaching 127 already makes the sum clamp to
    // 127. scale * i stays below 2^14, so the unclamped sum fits a lane.
    __m128i Mix(__m128i current, __m128i sample) const {
        const __m128i own = _mm_add_epi16(_mm_mullo_epi16(current, ownScale), _mm_mulhi_epu16(current, ownFraction));
        const __m128i propagated =
            _mm_add_epi16(_mm_mullo_epi16(sample, propagatedScale), _mm_mulhi_epu16(sample, propagatedFraction));
        return _mm_min_epi16(_mm_add_epi16(own, propagated), limit);
    }
};

// The colour bytes from the mixed lanes, the top byte from the pixel.
inline __m128i Merge(__m128i mixed16, __m128i current) {
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i packed = _mm_packus_epi16(mixed16, mixed16);
    return _mm_or_si128(_mm_and_si128(packed, colour), _mm_andnot_si128(colour, current));
}

// One pixel; its taps may include the pixel rewritten just before it, so
// they are read as single pixels, each of which the store forwards.
inline void GlowOne(uint32_t* row, int x, const uint32_t* top, const uint32_t* bottom, const sTaps& taps,
                    __m128i fy, const sMixLanes& mix) {
    const __m128i zero = _mm_setzero_si128();
    const int ix = taps.ix[x];
    const __m128i ac = _mm_unpacklo_epi32(Load32(top + ix), Load32(bottom + ix));
    const __m128i bd = _mm_unpacklo_epi32(Load32(top + ix + 1), Load32(bottom + ix + 1));
    const __m128i fx = Load64(&taps.fx[x]);
    const __m128i tb = Lerp(_mm_unpacklo_epi8(zero, ac), _mm_unpacklo_epi8(zero, bd),
                            _mm_unpacklo_epi64(fx, fx));  // [top | bottom]
    const __m128i sample = Vertical(tb, _mm_unpackhi_epi64(tb, tb), fy);
    const __m128i current = Load32(row + x);
    const __m128i mixed = mix.Mix(_mm_unpacklo_epi8(current, zero), sample);
    row[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(Merge(mixed, current)));
}

// Pixels x and x + 1 together; none of their taps is the other pixel.
inline void GlowPair(uint32_t* row, int x, const uint32_t* top, const uint32_t* bottom, const sTaps& taps,
                     __m128i fy, const sMixLanes& mix) {
    const __m128i zero = _mm_setzero_si128();
    const int ix0 = taps.ix[x], ix1 = taps.ix[x + 1];
    // [a0 b0 a1 b1] reordered to [a0 a1 b0 b1], likewise for c and d.
    const __m128i ab =
        _mm_shuffle_epi32(_mm_unpacklo_epi64(Load64(top + ix0), Load64(top + ix1)), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i cd = _mm_shuffle_epi32(_mm_unpacklo_epi64(Load64(bottom + ix0), Load64(bottom + ix1)),
                                         _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i fx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&taps.fx[x]));
    const __m128i topLanes = Lerp(_mm_unpacklo_epi8(zero, ab), _mm_unpackhi_epi8(zero, ab), fx);
    const __m128i bottomLanes = Lerp(_mm_unpacklo_epi8(zero, cd), _mm_unpackhi_epi8(zero, cd), fx);
    const __m128i sample = Vertical(topLanes, bottomLanes, fy);
    const __m128i current = Load64(row + x);
    const __m128i mixed = mix.Mix(_mm_unpacklo_epi8(current, zero), sample);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), Merge(mixed, current));
}

// At zoom 256 every pixel samples exactly itself.
void GlowSelf(uint32_t* band, const sMixLanes& mix) {
    const __m128i zero = _mm_setzero_si128();
    for (int y = 0; y < kBandHeight; ++y) {
        uint32_t* row = band + y * kBandWidth;
        // Column 0 is in no sweep; 1..510 in pairs, then 511.
        for (int x = 1; x < kBandWidth; x += 2) {
            const bool pair = x + 1 < kBandWidth;
            const __m128i current = pair ? Load64(row + x) : Load32(row + x);
            const __m128i lanes = _mm_unpacklo_epi8(current, zero);
            const __m128i out = Merge(mix.Mix(lanes, lanes), current);
            if (pair)
                _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), out);
            else
                row[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(out));
        }
    }
}

// One side of a row whose pixels may read each other (a dependent row),
// walked in sweep order: left sides from column 255 down to 1, right sides
// from 256 up to 511.
struct sRowWalk {
    uint32_t* row;
    const uint32_t* top;
    const uint32_t* bottom;
    __m128i fy;
    bool left;
    int x;  // the next pixel in sweep order
};

// Draws the walk's next pixel, or next two where pairSafe allows; false
// once the walk is done.
inline bool GlowStep(sRowWalk& w, const sTaps& taps, const sMixLanes& mix) {
    if (w.left) {
        if (w.x < 1) return false;
        if (w.x >= 2 && taps.pairSafe[w.x - 1]) {
            GlowPair(w.row, w.x - 1, w.top, w.bottom, taps, w.fy, mix);
            w.x -= 2;
        } else {
            GlowOne(w.row, w.x, w.top, w.bottom, taps, w.fy, mix);
            w.x -= 1;
        }
    } else {
        if (w.x >= kBandWidth) return false;
        if (taps.pairSafe[w.x]) {
            GlowPair(w.row, w.x, w.top, w.bottom, taps, w.fy, mix);
            w.x += 2;
        } else {
            GlowOne(w.row, w.x, w.top, w.bottom, taps, w.fy, mix);
            w.x += 1;
        }
    }
    return true;
}

// The whole glow: halve, the four sweeps, double. `freeRow(row, top,
// bottom, fy, left, taps, mix)` draws one side of a row whose pixels may go
// in any order; `step(walk, taps, mix)` advances a dependent row's walk
// like GlowStep. The caller has checked table.linear.
//
// The quadrants never read each other with a weight above zero: a left
// sweep reaches column 256 only from column 255, where fx is 0, an upper
// sweep reaches row 100 only from row 99, where fy is 0, and the right and
// lower sweeps never look back past their start column and row. A tap of
// weight zero drops out of the arithmetic whatever its value, so the
// quadrants may be swept in any interleaving. In a dependent row each pixel
// waits for one a few columns before it, a chain of long latency; the four
// quadrants' rows at the same distance from the centre therefore advance
// together, step by step, so that the processor overlaps their chains.
template <typename FreeRow, typename Step>
void GlowSweeps(uint32_t* band, int zoom, const sGlowTable& table, FreeRow freeRow, Step step) {
    const __m128i low7 = _mm_set1_epi8(0x7F);
    for (int i = 0; i < kPixels; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(band + i);
        _mm_storeu_si128(p, _mm_and_si128(_mm_srli_epi16(_mm_loadu_si128(p), 1), low7));
    }

    const sMixLanes mix(table);
    if (zoom >= 256) {
        GlowSelf(band, mix);
    } else {
        // Below 256 every tap, right and lower neighbours included, lies in
        // the band: the tap column stays below the pixel's own (right
        // sweeps) or at most 255 (left), the tap row likewise.
        sTaps taps;
        ComputeTaps(zoom, taps);
        for (int m = 0; m < kGlowCentreY; ++m) {
            sRowWalk walks[4];
            int count = 0;
            for (int quadrant = 0; quadrant < 4; ++quadrant) {
                const bool upper = quadrant < 2, left = quadrant % 2 == 0;
                const int y = upper ? kGlowCentreY - 1 - m : kGlowCentreY + m;
                uint32_t* row = band + y * kBandWidth;
                const uint32_t* top = band + taps.iy[y] * kBandWidth;
                const uint32_t* bottom = top + kBandWidth;
                const __m128i fy = _mm_set1_epi16(static_cast<short>(taps.fy[y]));
                if (taps.dependent[y])
                    walks[count++] = {row, top, bottom, fy, left, left ? kGlowCentreX - 1 : kGlowCentreX};
                else
                    freeRow(row, top, bottom, fy, left, taps, mix);
            }
            for (bool active = count > 0; active;) {
                active = false;
                for (int i = 0; i < count; ++i) active |= step(walks[i], taps, mix);
            }
        }
    }

    for (int i = 0; i < kPixels; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(band + i);
        const __m128i v = _mm_loadu_si128(p);
        _mm_storeu_si128(p, _mm_add_epi8(v, v));
    }
}

}  // namespace
}  // namespace tunnel_detail

#endif

// The tunnel's glow with AVX2: four pixels per step in the rows whose
// pixels may go in any order (most of them); the rows that depend on
// themselves take the same 128-bit steps as the SSE2 unit. The same bytes
// as the reference loop in tunnel.cpp.
#include "effects/tunnel_p.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include "effects/tunnel_glow_p.h"
#endif

namespace tunnel_detail {

#if defined(__x86_64__)

namespace {

// The 128-bit helpers of tunnel_glow_p.h, widened: each 128-bit half holds
// two pixels' four channels, as in GlowPair.
inline __m256i Lerp256(__m256i left256, __m256i right256, __m256i fx) {
    const __m256i diff = _mm256_srai_epi16(_mm256_sub_epi16(right256, left256), 8);
    return _mm256_adds_epi16(left256, _mm256_mullo_epi16(diff, fx));
}

inline __m256i Vertical256(__m256i top, __m256i bottom, __m256i fy) {
    const __m256i diff = _mm256_srai_epi16(_mm256_sub_epi16(bottom, top), 8);
    const __m256i s = _mm256_srai_epi16(_mm256_adds_epi16(top, _mm256_mullo_epi16(diff, fy)), 8);
    return _mm256_max_epi16(s, _mm256_setzero_si256());
}

struct sMixLanes256 {
    __m256i ownScale, ownFraction, propagatedScale, propagatedFraction, limit;
    explicit sMixLanes256(const sGlowTable& t)
        : ownScale(_mm256_set1_epi16(static_cast<short>(t.ownScale))),
          ownFraction(_mm256_set1_epi16(static_cast<short>(t.ownFraction))),
          propagatedScale(_mm256_set1_epi16(static_cast<short>(t.propagatedScale))),
          propagatedFraction(_mm256_set1_epi16(static_cast<short>(t.propagatedFraction))),
          limit(_mm256_set1_epi16(127)) {}
    __m256i Mix(__m256i current, __m256i sample) const {
        const __m256i own =
            _mm256_add_epi16(_mm256_mullo_epi16(current, ownScale), _mm256_mulhi_epu16(current, ownFraction));
        const __m256i propagated = _mm256_add_epi16(_mm256_mullo_epi16(sample, propagatedScale),
                                                    _mm256_mulhi_epu16(sample, propagatedFraction));
        return _mm256_min_epi16(_mm256_add_epi16(own, propagated), limit);
    }
};

// [left | right] tap pairs of pixels 0..3 in one row, arranged as
// [a0 a1 b0 b1 | a2 a3 b2 b3] for the unpacks.
inline __m256i TapPairs(const uint32_t* row, int ix0, int ix1, int ix2, int ix3) {
    const __m128i low = _mm_unpacklo_epi64(Load64(row + ix0), Load64(row + ix1));
    const __m128i high = _mm_unpacklo_epi64(Load64(row + ix2), Load64(row + ix3));
    return _mm256_shuffle_epi32(_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1),
                                _MM_SHUFFLE(3, 1, 2, 0));
}

// Pixels x .. x + 3 together; none of their taps is another of them.
inline void GlowQuad(uint32_t* row, int x, const uint32_t* top, const uint32_t* bottom, const sTaps& taps,
                     __m256i fy, const sMixLanes256& mix) {
    const __m256i zero = _mm256_setzero_si256();
    const int* ix = taps.ix + x;
    const __m256i ab = TapPairs(top, ix[0], ix[1], ix[2], ix[3]);
    const __m256i cd = TapPairs(bottom, ix[0], ix[1], ix[2], ix[3]);
    const __m256i fx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&taps.fx[x]));
    const __m256i topLanes = Lerp256(_mm256_unpacklo_epi8(zero, ab), _mm256_unpackhi_epi8(zero, ab), fx);
    const __m256i bottomLanes = Lerp256(_mm256_unpacklo_epi8(zero, cd), _mm256_unpackhi_epi8(zero, cd), fx);
    const __m256i sample = Vertical256(topLanes, bottomLanes, fy);
    const __m128i current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m256i mixed = mix.Mix(_mm256_cvtepu8_epi16(current), sample);
    // packus works within each 128-bit half: pixels 0-1 land in qword 0,
    // pixels 2-3 in qword 2.
    const __m256i packed = _mm256_packus_epi16(mixed, mixed);
    const __m128i bytes = _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i out = _mm_or_si128(_mm_and_si128(bytes, colour), _mm_andnot_si128(colour, current));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), out);
}

// GlowStep with groups of four where no pixel of the group reads another.
inline bool GlowStepAvx2(sRowWalk& w, const sTaps& taps, const sMixLanes& mix, const sMixLanes256& mix256) {
    if (w.left) {
        if (w.x >= 4 && taps.quadSafe[w.x - 3]) {
            GlowQuad(w.row, w.x - 3, w.top, w.bottom, taps, _mm256_broadcastsi128_si256(w.fy), mix256);
            w.x -= 4;
            return true;
        }
    } else if (w.x < kBandWidth && taps.quadSafe[w.x]) {
        GlowQuad(w.row, w.x, w.top, w.bottom, taps, _mm256_broadcastsi128_si256(w.fy), mix256);
        w.x += 4;
        return true;
    }
    return GlowStep(w, taps, mix);
}

}  // namespace

void GlowAvx2(uint32_t* band, int zoom, const sGlowTable& table) {
    if (!table.linear) return GlowReference(band, zoom, table);
    const sMixLanes256 mix256(table);
    GlowSweeps(band, zoom, table,
               [&](uint32_t* row, const uint32_t* top, const uint32_t* bottom, __m128i fy, bool left,
                   const sTaps& taps, const sMixLanes& mix) {
                   const __m256i fy256 = _mm256_broadcastsi128_si256(fy);
                   if (left) {
                       // Columns 1..252 in fours, 253-254, then 255.
                       for (int x = 1; x < 253; x += 4) GlowQuad(row, x, top, bottom, taps, fy256, mix256);
                       GlowPair(row, 253, top, bottom, taps, fy, mix);
                       GlowOne(row, 255, top, bottom, taps, fy, mix);
                   } else {
                       for (int x = kGlowCentreX; x < kBandWidth; x += 4)
                           GlowQuad(row, x, top, bottom, taps, fy256, mix256);
                   }
               },
               [&](sRowWalk& walk, const sTaps& taps, const sMixLanes& mix) {
                   return GlowStepAvx2(walk, taps, mix, mix256);
               });
    // The compiler leaves the upper halves of the vector registers dirty
    // here (its helpers pass 256-bit values), and until they are cleared
    // every later SSE instruction outside this unit runs at about half speed.
    _mm256_zeroupper();
}

#else

void GlowAvx2(uint32_t* band, int zoom, const sGlowTable& table) { GlowReference(band, zoom, table); }

#endif

}  // namespace tunnel_detail

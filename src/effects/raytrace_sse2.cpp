// The raytraced planes' row routine with SSE2: four coarse samples at a time
// expand into sixteen pixels. The texel reads stay scalar (SSE2 has no
// gather); everything else is done four lanes wide.
#if defined(__x86_64__)

#include <emmintrin.h>

#include <cstdint>

#include "effects/raytrace_p.h"

namespace raytrace_detail {

namespace {

inline __m128i Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// (a + b) >> 1 per 32-bit lane, the carry out of bit 31 lost.
inline __m128i Average(__m128i a, __m128i b) { return _mm_srli_epi32(_mm_add_epi32(a, b), 1); }

// (a >> 1) + (b >> 1) in 16-bit lanes with unsigned saturation.
inline __m128i HalfSumLanes(__m128i a, __m128i b) {
    return _mm_adds_epu16(_mm_srli_epi32(a, 1), _mm_srli_epi32(b, 1));
}

// Texture index V * 256 + U from bits 16..23 of u and v.
inline __m128i TextureIndex(__m128i u, __m128i v) {
    return _mm_or_si128(_mm_and_si128(_mm_srli_epi32(u, 16), _mm_set1_epi32(0xFF)),
                        _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0xFF00)));
}

// (255 - S) in each colour byte and 255 in the top byte, S = bits 16..23.
inline __m128i Fog(__m128i shade) {
    __m128i f = _mm_xor_si128(_mm_and_si128(_mm_srli_epi32(shade, 16), _mm_set1_epi32(0xFF)), _mm_set1_epi32(0xFF));
    f = _mm_or_si128(f, _mm_slli_epi32(f, 8));
    f = _mm_or_si128(f, _mm_slli_epi32(f, 16));
    return _mm_or_si128(f, _mm_set1_epi32(static_cast<int>(0xFF000000)));
}

inline void Transpose(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
    __m128i ab0 = _mm_unpacklo_epi32(a, b), cd0 = _mm_unpacklo_epi32(c, d);
    __m128i ab1 = _mm_unpackhi_epi32(a, b), cd1 = _mm_unpackhi_epi32(c, d);
    a = _mm_unpacklo_epi64(ab0, cd0);
    b = _mm_unpackhi_epi64(ab0, cd0);
    c = _mm_unpacklo_epi64(ab1, cd1);
    d = _mm_unpackhi_epi64(ab1, cd1);
}

}  // namespace

void DrawRowSse2(const sCoarseRow& row, const uint32_t* texture, uint32_t* out) {
    constexpr int kGroups = kDrawColumns / 4;  // 127
    constexpr int kVectorGroups = kGroups / 4 * 4;
    for (int m = 0; m < kVectorGroups; m += 4) {
        // Lane j holds coarse sample m + j; vector k the column 4(m + j) + k.
        const __m128i u0 = Load(row.u + m), u4 = Load(row.u + m + 1);
        const __m128i v0 = Load(row.v + m), v4 = Load(row.v + m + 1);
        const __m128i s0 = Load(row.shade + m), s4 = Load(row.shade + m + 1);
        const __m128i u2 = HalfSumLanes(u0, u4), v2 = HalfSumLanes(v0, v4), s2 = Average(s0, s4);

        alignas(16) uint32_t index[4][4];
        _mm_store_si128(reinterpret_cast<__m128i*>(index[0]), TextureIndex(u0, v0));
        _mm_store_si128(reinterpret_cast<__m128i*>(index[1]), TextureIndex(Average(u0, u2), Average(v0, v2)));
        _mm_store_si128(reinterpret_cast<__m128i*>(index[2]), TextureIndex(u2, v2));
        _mm_store_si128(reinterpret_cast<__m128i*>(index[3]), TextureIndex(Average(u2, u4), Average(v2, v4)));
        __m128i fog[4] = {Fog(s0), Fog(Average(s0, s2)), Fog(s2), Fog(Average(s2, s4))};
        // Now lane k of fog[j] belongs to column 4(m + j) + k.
        Transpose(fog[0], fog[1], fog[2], fog[3]);
        for (int j = 0; j < 4; ++j) {
            const __m128i texels =
                _mm_set_epi32(static_cast<int>(texture[index[3][j]]), static_cast<int>(texture[index[2][j]]),
                              static_cast<int>(texture[index[1][j]]), static_cast<int>(texture[index[0][j]]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * (m + j)), _mm_adds_epu8(texels, fog[j]));
        }
    }
    DrawGroupsReference(row, texture, out, kVectorGroups, kGroups);
}

}  // namespace raytrace_detail

#endif

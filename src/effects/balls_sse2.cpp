// SSE2 loops of the chrome balls, eight band pixels per step; they give
// exactly the results of the reference loops in balls.cpp.
#include "effects/balls_p.h"

#if defined(__x86_64__)

#include <emmintrin.h>

namespace balls_detail {

namespace {

__m128i Load(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(int16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
// mask ? a : b, per bit
__m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

}  // namespace

void DepthSpanSse2(const int16_t* spriteX, const int16_t* spriteY, const int16_t* spriteZ,
                   int depthOffset, int16_t* depth, sNormalPlanes normals, int n) {
    // z = normal z + offset lies within -1380..2380, so the 16-bit sum and
    // the signed 16-bit compare give the reference's 32-bit answers.
    const __m128i offset = _mm_set1_epi16(static_cast<int16_t>(depthOffset));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i sz = Load(spriteZ + i);
        const __m128i z = _mm_add_epi16(sz, offset);
        const __m128i d = Load(depth + i);
        const __m128i nearer = _mm_cmpgt_epi16(z, d);
        if (_mm_movemask_epi8(nearer) == 0) continue;
        Store(depth + i, Select(nearer, z, d));
        Store(normals.x + i, Select(nearer, Load(spriteX + i), Load(normals.x + i)));
        Store(normals.y + i, Select(nearer, Load(spriteY + i), Load(normals.y + i)));
        Store(normals.z + i, Select(nearer, sz, Load(normals.z + i)));
    }
    if (i < n)
        DepthSpanReference(spriteX + i, spriteY + i, spriteZ + i, depthOffset, depth + i,
                           {normals.x + i, normals.y + i, normals.z + i}, n - i);
}

void ShadeSse2(const int16_t* x, const int16_t* y, const int16_t* z, const sShadeMatrix& m,
               const uint32_t* environment, uint32_t* out, int n) {
    // pmaddwd on interleaved (x, y) pairs gives x m00 + y m10 per pixel; on
    // (z, 4096) pairs against (m20, 128) it gives z m20 + (128 << 12), which
    // adds the reference's "+ 128" before the shift instead of after it
    // (the same, as 128 << 12 is a multiple of 4096). Only the low 8 bits
    // of the shifted sum are kept, so a logical shift serves as well as an
    // arithmetic one. The matrix entries lie within -256..256 and fit the
    // 16-bit lanes.
    auto pair = [](int32_t low, int32_t high) {
        return _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(high) << 16) |
                                                   (static_cast<uint32_t>(low) & 0xFFFF)));
    };
    const __m128i uxy = pair(m.m00, m.m10), uz = pair(m.m20, 128);
    const __m128i vxy = pair(m.m01, m.m11), vz = pair(m.m21, 128);
    const __m128i centre = _mm_set1_epi16(4096);
    const __m128i low8 = _mm_set1_epi32(255);
    const __m128i zero = _mm_setzero_si128();
    alignas(16) int32_t index[8];
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i vzs = Load(z + i);
        // Pixels no ball reached (z = 0) become white, top byte included;
        // much of the band is, so a step of them only stores.
        const __m128i empty = _mm_cmpeq_epi16(vzs, zero);
        if (_mm_movemask_epi8(empty) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), empty);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), empty);
            continue;
        }
        const __m128i vx = Load(x + i), vy = Load(y + i);
        const __m128i xyLow = _mm_unpacklo_epi16(vx, vy), xyHigh = _mm_unpackhi_epi16(vx, vy);
        const __m128i zcLow = _mm_unpacklo_epi16(vzs, centre), zcHigh = _mm_unpackhi_epi16(vzs, centre);
        auto coordinate = [&](__m128i xy, __m128i zc, __m128i mxy, __m128i mz) {
            __m128i sum = _mm_add_epi32(_mm_madd_epi16(xy, mxy), _mm_madd_epi16(zc, mz));
            return _mm_and_si128(_mm_srli_epi32(sum, 12), low8);
        };
        const __m128i lowIndex = _mm_or_si128(_mm_slli_epi32(coordinate(xyLow, zcLow, vxy, vz), 8),
                                              coordinate(xyLow, zcLow, uxy, uz));
        const __m128i highIndex = _mm_or_si128(_mm_slli_epi32(coordinate(xyHigh, zcHigh, vxy, vz), 8),
                                               coordinate(xyHigh, zcHigh, uxy, uz));
        _mm_store_si128(reinterpret_cast<__m128i*>(index), lowIndex);
        _mm_store_si128(reinterpret_cast<__m128i*>(index + 4), highIndex);
        // No SSE2 gather: the eight lookups are scalar loads.
        const __m128i lowPixels = _mm_set_epi32(static_cast<int32_t>(environment[index[3]]),
                                                static_cast<int32_t>(environment[index[2]]),
                                                static_cast<int32_t>(environment[index[1]]),
                                                static_cast<int32_t>(environment[index[0]]));
        const __m128i highPixels = _mm_set_epi32(static_cast<int32_t>(environment[index[7]]),
                                                 static_cast<int32_t>(environment[index[6]]),
                                                 static_cast<int32_t>(environment[index[5]]),
                                                 static_cast<int32_t>(environment[index[4]]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_or_si128(lowPixels, _mm_unpacklo_epi16(empty, empty)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4),
                         _mm_or_si128(highPixels, _mm_unpackhi_epi16(empty, empty)));
    }
    if (i < n) ShadeReference(x + i, y + i, z + i, m, environment, out + i, n - i);
}

}  // namespace balls_detail

#endif

// Per-byte pixel arithmetic shared by the fill routines, lines and sprites.
// All four bytes of a pixel are treated alike, the top byte too.
#pragma once

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace raster {

// 50 % blend: both operands lose their lowest bit per byte before the sum,
// so the sum of two halves can never carry into the next byte.
inline uint32_t Half(uint32_t a, uint32_t b) { return ((a >> 1) & 0x7F7F7F7Fu) + ((b >> 1) & 0x7F7F7F7Fu); }

// Saturating per-byte add without a branch per channel: add the low seven
// bits of each byte, put the top bits back with xor, and turn every byte
// whose top bit overflowed into 0xFF. The portable form of Add.
inline uint32_t AddReference(uint32_t a, uint32_t b) {
    const uint32_t low = (a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu);
    const uint32_t tops = (a ^ b) & 0x80808080u;
    const uint32_t overflow = ((a & b) | (tops & low)) & 0x80808080u;
    return (low ^ tops) | ((overflow >> 7) * 0xFFu);
}

// Saturating per-byte add. With SSE2 (every x86-64 processor) it is the one
// instruction made for it, on the low 32 bits of a register; the texels
// can be loaded straight into it. Identical to AddReference for every
// input (the tests check all byte pairs).
inline uint32_t Add(uint32_t a, uint32_t b) {
#if defined(__SSE2__)
    const __m128i sum = _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(a)), _mm_cvtsi32_si128(static_cast<int>(b)));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(sum));
#else
    return AddReference(a, b);
#endif
}

// Saturating per-byte subtract (0 at the bottom).
inline uint32_t Sub(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int32_t d = static_cast<int32_t>((a >> shift) & 0xFF) - static_cast<int32_t>((b >> shift) & 0xFF);
        out |= static_cast<uint32_t>(d > 0 ? d : 0) << shift;
    }
    return out;
}

// Per-byte product scaled back to a byte: (a * b) >> 8. The portable form
// of Mul.
inline uint32_t MulReference(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= ((((a >> shift) & 0xFF) * ((b >> shift) & 0xFF)) >> 8) << shift;
    return out;
}

// Per-byte (a * b) >> 8. With SSE2 the bytes are widened to 16 bits, the
// four products (at most 255 x 255, so no overflow) taken at once, shifted
// and packed back; every result is below 256, so the saturating pack never
// changes one. Identical to MulReference for every input.
inline uint32_t Mul(uint32_t a, uint32_t b) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i wideA = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(a)), zero);
    const __m128i wideB = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(b)), zero);
    const __m128i product = _mm_srli_epi16(_mm_mullo_epi16(wideA, wideB), 8);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(product, zero)));
#else
    return MulReference(a, b);
#endif
}

// Texel at 16.16 coordinates; the integer parts wrap every 256 texels.
inline uint32_t Texel(const uint32_t* texture, uint32_t u, uint32_t v) {
    return texture[((v >> 8) & 0xFF00u) | ((u >> 16) & 0xFFu)];
}

// Float to 16.16 by truncation. Out-of-range and NaN values (which only
// degenerate triangles produce) give defined results instead of undefined
// behaviour: saturated, NaN as 0. Scaling by 2^16 is exact in float (an
// overflow to infinity saturates as the huge value would), and no float
// lies strictly between 2^31 - 1 and 2^31, so float arithmetic gives the
// same results as double would.
// The common case takes one test: NaN fails it as well as the range.
inline int32_t ToFixed(float value) {
    const float scaled = value * 65536.0f;
    if (std::fabs(scaled) < 2147483648.0f) return static_cast<int32_t>(scaled);
    if (!(scaled == scaled)) return 0;
    return scaled > 0.0f ? INT32_MAX : INT32_MIN;
}

}  // namespace raster

// Frame buffer operations with AVX2: eight pixels per 256-bit register, two
// registers per step. Only called after the processor has reported AVX2.
// The pixels outside the vector blocks go through the scalar helpers.
// Plain stores on purpose: non-temporal ones bypass the cache, and a frame
// is read back by the next operation almost at once.
#if defined(__x86_64__)

#include <immintrin.h>

#include <cstdint>

#include "effects/framebuffer_p.h"

using namespace framebuffer_detail;

namespace {

inline __m256i Load(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Runs `vector(i)` over blocks of kStep pixels and `one(i)` over the pixels
// before and after them. The blocks start where `destination` reaches a
// 32-byte boundary: a store that straddles two cache lines costs about as
// much as two, and frame buffers from the heap are only 16-byte aligned.
// Loads from a second buffer may still straddle; they are cheaper.
constexpr int kUnroll = 2;
constexpr int kStep = 8 * kUnroll;

template <typename Vector, typename One>
inline void ForEachBlock(const uint32_t* destination, int n, Vector vector, One one) {
    int head = static_cast<int>((0u - reinterpret_cast<uintptr_t>(destination)) % 32 / 4);
    if (head > n) head = n;
    int i = 0;
    for (; i < head; ++i) one(i);
    for (; n - i >= kStep; i += kStep) {
        // Without the pragma GCC keeps a two-trip inner loop here, with its
        // own counter and branch.
#pragma GCC unroll 8
        for (int u = 0; u < kUnroll; ++u) vector(i + 8 * u);
    }
    for (; i < n; ++i) one(i);
}

void FillAvx2(uint32_t* buffer, uint32_t colour, int n) {
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    ForEachBlock(
        buffer, n,
        [&](int i) { Store(buffer + i, c); },
        [&](int i) { buffer[i] = colour; });
}

void CopyAvx2(uint32_t* destination, const uint32_t* source, int n) {
    ForEachBlock(
        destination, n,
        [&](int i) { Store(destination + i, Load(source + i)); },
        [&](int i) { destination[i] = source[i]; });
}

void AddColorAvx2(uint32_t* buffer, uint32_t colour, int n) {
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    ForEachBlock(
        buffer, n,
        [&](int i) { Store(buffer + i, _mm256_adds_epu8(Load(buffer + i), c)); },
        [&](int i) { buffer[i] = AddBytesSaturated(buffer[i], colour); });
}

void SubColorAvx2(uint32_t* buffer, uint32_t colour, int n) {
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    ForEachBlock(
        buffer, n,
        [&](int i) { Store(buffer + i, _mm256_subs_epu8(Load(buffer + i), c)); },
        [&](int i) { buffer[i] = SubBytesSaturated(buffer[i], colour); });
}

// destination == source is fine: each block is loaded before it is stored.
void AddBufferAvx2(uint32_t* destination, const uint32_t* source, int n) {
    ForEachBlock(
        destination, n,
        [&](int i) {
            Store(destination + i, _mm256_adds_epu8(Load(destination + i), Load(source + i)));
        },
        [&](int i) { destination[i] = AddBytesSaturated(destination[i], source[i]); });
}

void SubBufferAvx2(uint32_t* destination, const uint32_t* source, int n) {
    ForEachBlock(
        destination, n,
        [&](int i) {
            Store(destination + i, _mm256_subs_epu8(Load(destination + i), Load(source + i)));
        },
        [&](int i) { destination[i] = SubBytesSaturated(destination[i], source[i]); });
}

void InvertAvx2(uint32_t* buffer, int n) {
    // vpcmpeqd of a register with itself; kept as an explicit xor with all
    // ones (not ~x) so the compiler has no reason to pick a ternary-logic
    // form that would depend on the old register contents.
    const __m256i ones = _mm256_set1_epi32(-1);
    ForEachBlock(
        buffer, n,
        [&](int i) { Store(buffer + i, _mm256_xor_si256(Load(buffer + i), ones)); },
        [&](int i) { buffer[i] = ~buffer[i]; });
}

// 32 bytes of a and b, each mixed as (a * (255 - w)) >> 8 + (b * w) >> 8.
// Unpacking a byte into the high half of a 16-bit lane gives a * 256, and
// the high half of (a * 256) * m is exactly (a * m) >> 8. The two halves are
// at most 127 + 127, so the 16-bit sum and the pack never saturate. Unpack
// and pack both work within 128-bit lanes, so the byte order comes back
// unchanged.
inline __m256i Mix(__m256i a, __m256i b, __m256i first, __m256i second) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i lo = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, a), first),
                                  _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, b), second));
    __m256i hi = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, a), first),
                                  _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, b), second));
    return _mm256_packus_epi16(lo, hi);
}

void CrossFadeAvx2(uint32_t* destination, const uint32_t* first, const uint32_t* second, int n,
                   int weight) {
    const __m256i wa = _mm256_set1_epi16(static_cast<short>(255 - weight));
    const __m256i wb = _mm256_set1_epi16(static_cast<short>(weight));
    ForEachBlock(
        destination, n,
        [&](int i) { Store(destination + i, Mix(Load(first + i), Load(second + i), wa, wb)); },
        [&](int i) { destination[i] = CrossFadePixel(first[i], second[i], weight); });
}

// The three colour accumulators side by side in one 128-bit register (the
// fourth lane follows the top byte and is thrown away). Per pixel the chain
// from one accumulator to the next is shift, 32-bit multiply, subtract:
//   acc := (acc + k * v * 256) - k * (acc >> 8)   (mod 2^32)
// where the first product does not depend on acc.
void SmearAvx2(uint32_t* buffer, int strength, int n) {
    if (n <= 0) return;
    const __m128i k = _mm_set1_epi32(strength);
    // Bits 16..23 of each accumulator are the stored byte: gather byte 2 of
    // lanes 0, 1, 2 into bytes 0, 1, 2 and zero byte 3.
    const __m128i pick = _mm_setr_epi8(2, 6, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    __m128i acc =
        _mm_slli_epi32(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(buffer[0]))), 8);
    for (int i = 0; i < n; ++i) {
        const uint32_t pixel = buffer[i];
        __m128i v = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(pixel)));
        __m128i pull = _mm_mullo_epi32(_mm_slli_epi32(v, 8), k);
        acc = _mm_sub_epi32(_mm_add_epi32(acc, pull), _mm_mullo_epi32(_mm_srli_epi32(acc, 8), k));
        uint32_t colour = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi8(acc, pick)));
        buffer[i] = (pixel & 0xFF000000u) | colour;
    }
}

}  // namespace

const sFrameBufferOps kFrameBufferOpsAvx2 = {
    FillAvx2,      CopyAvx2,   AddColorAvx2,  SubColorAvx2, AddBufferAvx2,
    SubBufferAvx2, InvertAvx2, CrossFadeAvx2, SmearAvx2,
};

#endif  // __x86_64__

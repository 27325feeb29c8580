// Frame buffer operations with SSE2: four pixels per 128-bit register, using
// the packed saturating byte arithmetic the per-byte definitions describe.
// Loads and stores are unaligned instructions (the buffers carry no
// alignment promise); pixels outside the vector blocks go through the scalar
// helpers one by one.
#if defined(__x86_64__)

#include <emmintrin.h>

#include <cstdint>

#include "effects/framebuffer_p.h"

using namespace framebuffer_detail;

namespace {

inline __m128i Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Runs `vector(i)` over blocks of kStep pixels and `one(i)` over the pixels
// before and after them. The blocks start where `destination` reaches a
// 16-byte boundary, so no store straddles two cache lines; loads from a
// second buffer may, which costs less. Two registers per block keep both
// load ports busy.
constexpr int kUnroll = 2;
constexpr int kStep = 4 * kUnroll;

template <typename Vector, typename One>
inline void ForEachBlock(const uint32_t* destination, int n, Vector vector, One one) {
    int head = static_cast<int>((0u - reinterpret_cast<uintptr_t>(destination)) % 16 / 4);
    if (head > n) head = n;
    int i = 0;
    for (; i < head; ++i) one(i);
    for (; n - i >= kStep; i += kStep) {
        // Without the pragma GCC keeps a two-trip inner loop here, with its
        // own counter and branch.
#pragma GCC unroll 8
        for (int u = 0; u < kUnroll; ++u) vector(i + 4 * u);
    }
    for (; i < n; ++i) one(i);
}

void FillSse2(uint32_t* buffer, uint32_t colour, int n) {
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    ForEachBlock(
        buffer, n, [&](int i) { Store(buffer + i, c); }, [&](int i) { buffer[i] = colour; });
}

void CopySse2(uint32_t* destination, const uint32_t* source, int n) {
    ForEachBlock(
        destination, n, [&](int i) { Store(destination + i, Load(source + i)); },
        [&](int i) { destination[i] = source[i]; });
}

void AddColorSse2(uint32_t* buffer, uint32_t colour, int n) {
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    ForEachBlock(
        buffer, n, [&](int i) { Store(buffer + i, _mm_adds_epu8(Load(buffer + i), c)); },
        [&](int i) { buffer[i] = AddBytesSaturated(buffer[i], colour); });
}

void SubColorSse2(uint32_t* buffer, uint32_t colour, int n) {
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    ForEachBlock(
        buffer, n, [&](int i) { Store(buffer + i, _mm_subs_epu8(Load(buffer + i), c)); },
        [&](int i) { buffer[i] = SubBytesSaturated(buffer[i], colour); });
}

// destination == source is fine: each register is loaded before it is stored.
void AddBufferSse2(uint32_t* destination, const uint32_t* source, int n) {
    ForEachBlock(
        destination, n,
        [&](int i) {
            Store(destination + i, _mm_adds_epu8(Load(destination + i), Load(source + i)));
        },
        [&](int i) { destination[i] = AddBytesSaturated(destination[i], source[i]); });
}

void SubBufferSse2(uint32_t* destination, const uint32_t* source, int n) {
    ForEachBlock(
        destination, n,
        [&](int i) {
            Store(destination + i, _mm_subs_epu8(Load(destination + i), Load(source + i)));
        },
        [&](int i) { destination[i] = SubBytesSaturated(destination[i], source[i]); });
}

void InvertSse2(uint32_t* buffer, int n) {
    // pcmpeqd of a register with itself: all ones without a memory constant.
    const __m128i ones = _mm_set1_epi32(-1);
    ForEachBlock(
        buffer, n, [&](int i) { Store(buffer + i, _mm_xor_si128(Load(buffer + i), ones)); },
        [&](int i) { buffer[i] = ~buffer[i]; });
}

// Sixteen bytes of a and b, each mixed as (a * (255 - w)) >> 8 + (b * w) >> 8.
// Unpacking a byte into the high half of a 16-bit lane gives a * 256, and
// the high half of (a * 256) * m is exactly (a * m) >> 8. The two halves are
// at most 127 + 127, so the 16-bit sum and the pack never saturate.
inline __m128i Mix(__m128i a, __m128i b, __m128i first, __m128i second) {
    const __m128i zero = _mm_setzero_si128();
    __m128i lo = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(zero, a), first),
                               _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, b), second));
    __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(zero, a), first),
                               _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, b), second));
    return _mm_packus_epi16(lo, hi);
}

void CrossFadeSse2(uint32_t* destination, const uint32_t* first, const uint32_t* second, int n,
                   int weight) {
    const __m128i wa = _mm_set1_epi16(static_cast<short>(255 - weight));
    const __m128i wb = _mm_set1_epi16(static_cast<short>(weight));
    ForEachBlock(
        destination, n,
        [&](int i) { Store(destination + i, Mix(Load(first + i), Load(second + i), wa, wb)); },
        [&](int i) { destination[i] = CrossFadePixel(first[i], second[i], weight); });
}

// SSE2 has no 32-bit low multiply (pmuludq only fills lanes 0 and 2, and
// the extra shuffles would lengthen the chain), so the smear stays scalar
// here: three independent accumulator chains the processor overlaps.
void SmearScalar(uint32_t* buffer, int strength, int n) {
    if (n <= 0) return;
    const uint32_t k = static_cast<uint32_t>(strength);
    // acc + k * (v * 256 - (acc >> 8)) == (acc + k * v * 256) - k * (acc >> 8)
    // modulo 2^32. The first product does not depend on acc, so it comes from
    // a table, and the chain that carries from pixel to pixel is only
    // shift, multiply, subtract.
    uint32_t pull[256];
    for (uint32_t v = 0; v < 256; ++v) pull[v] = k * (v << 8);
    // Each accumulator holds its channel's running value * 65536, so the
    // stored byte is bits 16..23 of it; shifting the green and red ones by
    // 8 and 0 instead of 16 puts that byte straight into its place.
    const uint32_t first = buffer[0];
    uint32_t b = (first & 0xFF) << 8;
    uint32_t g = first & 0xFF00;
    uint32_t r = (first >> 8) & 0xFF00;
    for (int i = 0; i < n; ++i) {
        const uint32_t pixel = buffer[i];
        b = b + pull[pixel & 0xFF] - k * (b >> 8);
        g = g + pull[(pixel >> 8) & 0xFF] - k * (g >> 8);
        r = r + pull[(pixel >> 16) & 0xFF] - k * (r >> 8);
        buffer[i] = (pixel & 0xFF000000u) | ((b >> 16) & 0xFF) | ((g >> 8) & 0xFF00) |
                    (r & 0xFF0000);
    }
}

}  // namespace

const sFrameBufferOps kFrameBufferOpsSse2 = {
    FillSse2,      CopySse2,      AddColorSse2,  SubColorSse2,     AddBufferSse2,
    SubBufferSse2, InvertSse2,    CrossFadeSse2, SmearScalar,
};

#endif  // __x86_64__

// The rotozoomer's layer loop with SSE2: the same bytes as the reference
// loop in roto.cpp, four pixels of a row per step.
#include "effects/roto_p.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace roto_detail {

#if defined(__x86_64__)

namespace {

// A masked register is a plain 22-bit number in disguise: the 14 fraction
// bits above bit 0 (bit 0 is always masked off) and the 8 integer bits,
// split by the gaps. Adding an increment with its gap bits set adds those
// numbers modulo 2^22, so n steps at once are one increment built from n
// times the step's number.
uint32_t FieldU(uint32_t x) { return ((x >> 1) & 0x3FFF) | ((x >> 16) & 7) << 14 | ((x >> 27) & 31) << 17; }
uint32_t UnfieldU(uint32_t f) { return (f & 0x3FFF) << 1 | ((f >> 14) & 7) << 16 | ((f >> 17) & 31) << 27; }
uint32_t FieldV(uint32_t x) { return ((x >> 1) & 0x3FFF) | ((x >> 19) & 0xFF) << 14; }
uint32_t UnfieldV(uint32_t f) { return (f & 0x3FFF) << 1 | ((f >> 14) & 0xFF) << 19; }

uint32_t FourStepsU(uint32_t step) { return UnfieldU((FieldU(step) * 4) & 0x3FFFFF) | kGapsU; }
uint32_t FourStepsV(uint32_t step) { return UnfieldV((FieldV(step) * 4) & 0x3FFFFF) | kGapsV; }

template <bool kAdd>
void DrawLayerRows(uint32_t* band, const uint32_t* texture, const sLayer& layer) {
    const __m128i stepU = _mm_set1_epi32(static_cast<int>(FourStepsU(layer.stepUx)));
    const __m128i stepV = _mm_set1_epi32(static_cast<int>(FourStepsV(layer.stepVx)));
    const __m128i maskU = _mm_set1_epi32(static_cast<int>(kMaskU));
    const __m128i maskV = _mm_set1_epi32(static_cast<int>(kMaskV));
    const __m128i fade = _mm_set1_epi32(static_cast<int>(layer.fade));
    uint32_t rowU = layer.rowU, rowV = layer.rowV;
    for (int r = 0; r < kBandHeight; ++r) {
        // The first four pixels step one by one: the row's start register
        // may still have bit 0 set (the first row's comes unmasked), and
        // the first addition may carry out of it.
        uint32_t u[4], v[4];
        uint32_t pu = rowU, pv = rowV;
        for (int i = 0; i < 4; ++i) {
            pu = (pu + layer.stepUx) & kMaskU;
            pv = (pv + layer.stepVx) & kMaskV;
            u[i] = pu;
            v[i] = pv;
        }
        __m128i uu = _mm_setr_epi32(static_cast<int>(u[0]), static_cast<int>(u[1]), static_cast<int>(u[2]),
                                    static_cast<int>(u[3]));
        __m128i vv = _mm_setr_epi32(static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                                    static_cast<int>(v[3]));
        uint32_t* out = band + r * kBandWidth;
        for (int q = 0; q < kBandWidth; q += 4) {
            const __m128i index = _mm_srli_epi32(_mm_add_epi32(uu, vv), 16);
            const uint64_t i01 = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
            const uint64_t i23 = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(index, index)));
            __m128i texels = _mm_setr_epi32(static_cast<int>(texture[static_cast<uint32_t>(i01)]),
                                            static_cast<int>(texture[i01 >> 32]),
                                            static_cast<int>(texture[static_cast<uint32_t>(i23)]),
                                            static_cast<int>(texture[i23 >> 32]));
            texels = _mm_subs_epu8(texels, fade);
            __m128i* p = reinterpret_cast<__m128i*>(out + q);
            if (kAdd) texels = _mm_adds_epu8(_mm_loadu_si128(p), texels);
            _mm_storeu_si128(p, texels);
            uu = _mm_and_si128(_mm_add_epi32(uu, stepU), maskU);
            vv = _mm_and_si128(_mm_add_epi32(vv, stepV), maskV);
        }
        rowU = (rowU + layer.stepUy) & kMaskU;
        rowV = (rowV + layer.stepVy) & kMaskV;
    }
}

}  // namespace

void DrawLayerSse2(uint32_t* band, const uint32_t* texture, const sLayer& layer, bool add) {
    if (add)
        DrawLayerRows<true>(band, texture, layer);
    else
        DrawLayerRows<false>(band, texture, layer);
}

#else

void DrawLayerSse2(uint32_t* band, const uint32_t* texture, const sLayer& layer, bool add) {
    DrawLayerReference(band, texture, layer, add);
}

#endif

}  // namespace roto_detail

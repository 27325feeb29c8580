// The zoom tunnel's band pass with SSE2: the same bytes as the reference
// loop in zoomer.cpp. The resampled table row and the magnified overlay row
// are gathered once per distinct source row (neighbouring band rows often
// share one), then each group of four pixels is two texture gathers and a
// few packed byte operations.
#include "effects/zoomer_p.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace zoomer_detail {

#if defined(__x86_64__)

void ZoomPassSse2(uint32_t* band, const int32_t* polar, const uint32_t* textures, const uint32_t* map,
                  const sZoomFrame& frame) {
    const uint32_t* texture1 = textures;
    const uint32_t* texture2 = textures + 65536;
    const uint32_t sx = static_cast<uint32_t>(frame.stepX), sy = static_cast<uint32_t>(frame.stepY);
    const uint32_t y0 = 0x800000u - 128u * sy;
    const uint32_t x0 = 0x1000000u - 256u * sx;
    const int32_t mapSx = frame.stepX >> 9, mapSy = frame.stepY >> 8;
    const int32_t mapX0 = static_cast<int32_t>(2129920.0 - mapSx * 256.0);
    const int32_t mapY0 = static_cast<int32_t>(1081344.0 - mapSy * 128.0);

    alignas(16) int32_t column[kBandWidth];     // table column of each band column
    alignas(16) int32_t mapColumn[kBandWidth];  // map column of each band column
    for (int q = 0; q < kBandWidth; ++q) {
        column[q] = static_cast<int32_t>((x0 + q * sx) >> 16 & 0x1FF);
        mapColumn[q] = (mapX0 + q * mapSx) >> 16;
    }

    alignas(16) uint32_t indices[kBandWidth];  // the resampled table row
    alignas(16) uint32_t overlay[kBandWidth];  // the magnified map row
    int indicesRow = -1, overlayRow = -1;

    const __m128i offset1 = _mm_set1_epi32(static_cast<int>(frame.offset1));
    const __m128i offset2 = _mm_set1_epi32(static_cast<int>(frame.offset2));
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    const __m128i low7 = _mm_set1_epi8(0x7F);

    for (int r = 0; r < kBandHeight; ++r) {
        const int polarRow = static_cast<int>((y0 + r * sy) >> 16 & 0xFF);
        if (polarRow != indicesRow) {
            const int32_t* source = polar + polarRow * kPolarWidth;
            for (int q = 0; q < kBandWidth; ++q) indices[q] = static_cast<uint32_t>(source[column[q]]);
            indicesRow = polarRow;
        }
        const int mapRow = (mapY0 + r * mapSy) >> 16;
        if (mapRow != overlayRow) {
            const uint32_t* source = map + mapRow * kMapWidth;
            for (int q = 0; q < kBandWidth; ++q) overlay[q] = source[mapColumn[q]];
            overlayRow = mapRow;
        }
        uint32_t* out = band + r * kBandWidth;
        for (int q = 0; q < kBandWidth; q += 4) {
            const __m128i index = _mm_load_si128(reinterpret_cast<const __m128i*>(indices + q));
            const __m128i ia = _mm_and_si128(_mm_add_epi32(index, offset1), low16);
            const __m128i ib = _mm_and_si128(_mm_add_epi32(index, offset2), low16);
            const uint64_t a01 = static_cast<uint64_t>(_mm_cvtsi128_si64(ia));
            const uint64_t a23 = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(ia, ia)));
            const uint64_t b01 = static_cast<uint64_t>(_mm_cvtsi128_si64(ib));
            const uint64_t b23 = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(ib, ib)));
            const __m128i a = _mm_setr_epi32(static_cast<int>(texture2[static_cast<uint32_t>(a01)]),
                                             static_cast<int>(texture2[a01 >> 32]),
                                             static_cast<int>(texture2[static_cast<uint32_t>(a23)]),
                                             static_cast<int>(texture2[a23 >> 32]));
            const __m128i b = _mm_setr_epi32(static_cast<int>(texture1[static_cast<uint32_t>(b01)]),
                                             static_cast<int>(texture1[b01 >> 32]),
                                             static_cast<int>(texture1[static_cast<uint32_t>(b23)]),
                                             static_cast<int>(texture1[b23 >> 32]));
            // Saturating byte sum, halved per byte (the 16-bit shift drags
            // one bit across each byte boundary; the mask drops it).
            const __m128i average = _mm_and_si128(_mm_srli_epi16(_mm_adds_epu8(a, b), 1), low7);
            const __m128i over = _mm_load_si128(reinterpret_cast<const __m128i*>(overlay + q));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + q), _mm_add_epi32(average, over));
        }
    }
}

#else

void ZoomPassSse2(uint32_t* band, const int32_t* polar, const uint32_t* textures, const uint32_t* map,
                  const sZoomFrame& frame) {
    ZoomPassReference(band, polar, textures, map, frame);
}

#endif

}  // namespace zoomer_detail

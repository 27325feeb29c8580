// The rotating bars' slice routine with SSE2: each pixel's colour bytes are
// widened to 16 bits, the shade is added and the result packed back with
// unsigned saturation, which is the clamp to 0..255.
#if defined(__x86_64__)

#include <emmintrin.h>

#include <cstdint>

#include "effects/bars_p.h"

namespace bars_detail {

namespace {

// The shade of angle e in the three colour lanes (and 0 in the top lane),
// indexed by e + 64.
struct sShadeVectors {
    __m128i v[129];
};

const sShadeVectors& ShadeVectors() {
    static const sShadeVectors table = [] {
        sShadeVectors t;
        for (int e = -64; e <= 64; ++e) {
            const short shade = static_cast<short>(127 - 4 * (e < 0 ? -e : e));
            t.v[e + 64] = _mm_set_epi16(0, 0, 0, 0, 0, shade, shade, shade);
        }
        return t;
    }();
    return table;
}

}  // namespace

void DrawSliceSse2(const int8_t* angles, int count, const uint32_t* textureRow, int offset, uint32_t* destination) {
    const __m128i* shades = ShadeVectors().v + 64;
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < count; ++i) {
        const int e = angles[i];
        __m128i p = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(textureRow[(e + offset) & 255])), zero);
        // 0..255 plus -129..127 cannot leave the 16-bit range.
        p = _mm_add_epi16(p, shades[e]);
        destination[i * 512] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(p, p)));
    }
}

}  // namespace bars_detail

#endif

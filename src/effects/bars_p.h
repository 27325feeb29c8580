// Private to the rotating bars: the routine that draws one vertical slice of
// a tube, in a plain reference version and an SSE2 version that must give
// the same bytes.
#pragma once

#include <cstdint>

namespace bars_detail {

// Draws `count` pixels down a frame column (512 words apart). Pixel i comes
// from its profile angle e = angles[i] (-64..64, the angle around the tube
// in 1/256 of a turn): the texel textureRow[(e + offset) & 255] with
// 127 - 4 |e| (127 along the middle, -129 at the edges) added to each colour
// byte, clamped to 0..255. Texels have 0 in their top byte, and so do the
// pixels.
void DrawSliceReference(const int8_t* angles, int count, const uint32_t* textureRow, int offset,
                        uint32_t* destination);
#if defined(__x86_64__)
void DrawSliceSse2(const int8_t* angles, int count, const uint32_t* textureRow, int offset, uint32_t* destination);
#endif

}  // namespace bars_detail

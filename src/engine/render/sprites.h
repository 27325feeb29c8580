// Textured triangles and square sprites that add a darkened texture into
// the render target. Clipped on all sides, so sprites may lie partly
// outside the target.
#pragma once

#include <cstdint>

// Three vertices of x, y (target pixels) and u, v (texels, 0..255 for one
// copy of the 256 x 256 texture). Each texel has 255 - brightness taken
// off every byte (at 0) before it is added to the pixel (at 255); only the
// low byte of brightness counts.
void DrawSpriteTriangle(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2,
                        float y2, float u2, float v2, uint32_t* target, const uint32_t* texture, int32_t brightness);

// A size x size square centred on (x, y), the whole texture stretched
// over it, as two triangles.
void DrawSprite(const uint32_t* texture, uint32_t* target, int32_t x, int32_t y, int32_t size, int32_t brightness);

// Triangle fill routines. Each draws one screen triangle into a 32-bit
// 0x00RRGGBB target whose row length is g_targetWidth; rows from the first
// covered row to g_targetHeight - 2 are drawn (the last row never is).
// Vertices may come in any order and winding. Textures are 256 x 256 texels,
// addressed with their coordinates wrapping every 256 texels.
#pragma once

#include <cstdint>

// Flat: x, y per vertex.
void FillFlat(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour);
void FillFlatHalf(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour);
void FillFlatAdd(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour);

// Perspective-correct texture: x, y, z (camera depth), u, v per vertex.
void FillPerspective(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                     float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                     const uint32_t* texture);
void FillPerspectiveHalf(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                         float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                         const uint32_t* texture);
void FillPerspectiveAdd(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1,
                        float v1, float x2, float y2, float z2, float u2, float v2, uint32_t* target,
                        const uint32_t* texture);

// Affine texture: x, y, u, v per vertex.
void FillAffineHalf(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2, float y2,
                    float u2, float v2, uint32_t* target, const uint32_t* texture);
void FillAffineAdd(float x0, float y0, float u0, float v0, float x1, float y1, float u1, float v1, float x2, float y2,
                   float u2, float v2, uint32_t* target, const uint32_t* texture);

// Texture and environment, both affine: x, y, u, v, eu, ev per vertex.
void FillDualAdd(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1, float v1,
                 float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2, uint32_t* target,
                 const uint32_t* texture, const uint32_t* environment);
void FillDualAddHalf(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1,
                     float v1, float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2,
                     uint32_t* target, const uint32_t* texture, const uint32_t* environment);
void FillDualMultiply(float x0, float y0, float u0, float v0, float eu0, float ev0, float x1, float y1, float u1,
                      float v1, float eu1, float ev1, float x2, float y2, float u2, float v2, float eu2, float ev2,
                      uint32_t* target, const uint32_t* texture, const uint32_t* environment);

// The first integer row or column covered by an edge at q: the next integer
// above q, and q + 1 when q is a whole number (within 0.0001).
int32_t StartRule(float q);

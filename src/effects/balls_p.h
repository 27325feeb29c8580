// Private to the chrome balls: the sphere sprites and the two per-frame
// inner loops (depth-tested span copy, environment shading), each as a plain
// reference loop and an SSE2 loop giving exactly the same results.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace balls_detail {

constexpr int kSpriteSide = 200;  // sprite rows and columns
constexpr int kSpriteCount = 70;  // sprite i has size parameter 98 - i
constexpr int kBandWidth = 512, kBandHeight = 200;
constexpr int kBandPixels = kBandWidth * kBandHeight;

// One sphere sprite: per covered pixel the sphere's inward surface normal
// scaled to 2400 (z doubles as the depth, 2400 at the centre, 0 at the rim),
// packed row after row as three planes x, y and z of `total` values each.
// Row r covers sprite columns [spanStart[r], spanEnd[r]) and its first value
// is at index rowIndex[r]; rows [firstRow, lastRow) are covered.
struct sBallSprite {
    std::vector<int16_t> nx, ny, nz;
    int32_t total = 0;
    std::array<int32_t, kSpriteSide> spanStart{}, spanEnd{}, rowIndex{};
    int32_t firstRow = 0, lastRow = 0;
};

// Ray-casts the sphere for size parameter R (the sphere's image is about R
// pixels across).
sBallSprite BuildSprite(int R);

// Sprite number (1 to 69; small is big) of a ball whose phase is p.
int SpriteNumber(uint32_t p);

// The two columns of the integer rotation matrix the shading uses, in
// 8.8 fixed point: U from (m00, m10, m20), V from (m01, m11, m21).
struct sShadeMatrix {
    int32_t m00, m10, m20, m01, m11, m21;
};
// trunc(256 x (Rz(t / 3) Rx(t / 4) Ry(t / 5))) for the millisecond clock t.
sShadeMatrix RotationAt(uint32_t t);

// The band's buffers: one normal per pixel as three planes, and the depth.
struct sNormalPlanes {
    int16_t* x;
    int16_t* y;
    int16_t* z;
};

// For i in [0, n): z = spriteZ[i] + depthOffset; where depth[i] < z (signed)
// the band pixel takes the sprite's normal and depth[i] = z.
void DepthSpanReference(const int16_t* spriteX, const int16_t* spriteY, const int16_t* spriteZ,
                        int depthOffset, int16_t* depth, sNormalPlanes normals, int n);
// For i in [0, n): white (0xFFFFFFFF) where normal z is 0, otherwise
// environment[V * 256 + U] with U = (((x m00 + y m10 + z m20) >> 12) + 128) & 255
// and V likewise from the second column.
void ShadeReference(const int16_t* x, const int16_t* y, const int16_t* z, const sShadeMatrix& m,
                    const uint32_t* environment, uint32_t* out, int n);
// Tests: the next render counts as the first one ever drawn again.
void ForgetFirstFrame();

#if defined(__x86_64__)
void DepthSpanSse2(const int16_t* spriteX, const int16_t* spriteY, const int16_t* spriteZ,
                   int depthOffset, int16_t* depth, sNormalPlanes normals, int n);
void ShadeSse2(const int16_t* x, const int16_t* y, const int16_t* z, const sShadeMatrix& m,
               const uint32_t* environment, uint32_t* out, int n);
#endif

}  // namespace balls_detail

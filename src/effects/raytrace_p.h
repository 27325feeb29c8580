// Private to the raytraced planes: the sample grid the rays fill and the row
// routine that interpolates it into pixels, in a plain reference version and
// an SSE2 version that must give the same bytes.
#pragma once

#include <cstdint>

namespace raytrace_detail {

// Samples are (u, v, shade) in 16.16 fixed point, one plane of 32-bit words
// each. The rays fill every 4th column and row of a 512 x 200 grid; the
// coarse grid keeps only the 4th columns: 201 rows (row 200 is never traced
// and keeps its initial 0xFFFFFFFF) of 129 words, where word 128 of a row
// repeats word 0 of the next row. That is what a flat 512-wide grid would
// read one column past its right edge.
constexpr int kCoarseRows = 201;
constexpr int kCoarseStride = 129;
constexpr int kDrawRows = 196;     // band rows drawn
constexpr int kDrawColumns = 508;  // columns drawn; 508..511 keep what was there

struct sCoarseRow {
    const uint32_t* u;  // kCoarseStride words each
    const uint32_t* v;
    const uint32_t* shade;
};

// Expands one coarse row to 512 samples and draws columns 0..507 of it:
//   column 4m + 2: u and v as (a >> 1) + (b >> 1) in two 16-bit lanes with
//                  unsigned saturation, shade as (a + b) >> 1 (32-bit wrap),
//                  a and b the coarse words m and m + 1;
//   columns 4m + 1 and 4m + 3: (a + b) >> 1 of their two neighbours, all
//                  three values, 32-bit wrap;
//   pixel: texture[V * 256 + U] plus (255 - S) in each colour byte and 255
//          in the top byte, saturating per byte, where U, V and S are bits
//          16..23 of u, v and shade.
void DrawRowReference(const sCoarseRow& row, const uint32_t* texture, uint32_t* out);
// The same for the groups of four columns first..end-1 (columns 4 first to
// 4 end - 1); end is at most kDrawColumns / 4.
void DrawGroupsReference(const sCoarseRow& row, const uint32_t* texture, uint32_t* out, int first, int end);
#if defined(__x86_64__)
void DrawRowSse2(const sCoarseRow& row, const uint32_t* texture, uint32_t* out);
#endif

}  // namespace raytrace_detail

// The flat fill routines: one colour, written, blended 50 % or added.
#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_pixels.h"
#include "engine/render/rasterizer_setup.h"

namespace {

template <typename Combine>
void FillFlatWith(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, Combine combine) {
    using namespace raster;
    std::array<sVertex<0>, 3> v{{{x0, y0, {}}, {x1, y1, {}}, {x2, y2, {}}}};
    std::array<float, 0> gradient{};
    sSpan* spans = SpanBuffer();
    int32_t firstRow = 0;
    const int32_t rows = SetUpTriangle<0>(v, gradient, kSpanRecords, firstRow,
                                          [&](int32_t index, int32_t xStart, int32_t xEnd, const std::array<float, 0>&) {
                                              spans[index].xStart = SpanX(xStart);
                                              spans[index].xEnd = SpanX(xEnd);
                                          });
    for (int32_t i = 0; i < rows; ++i) {
        int32_t xStart = spans[i].xStart >> 16;
        int32_t xEnd = spans[i].xEnd >> 16;
        ClipSpan(xStart, xEnd);
        uint32_t* row = target + static_cast<intptr_t>(firstRow + i) * g_targetWidth;
        for (int32_t x = xStart; x < xEnd; ++x) row[x] = combine(row[x]);
    }
}

}  // namespace

void FillFlat(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour) {
    FillFlatWith(x0, y0, x1, y1, x2, y2, target, [colour](uint32_t) { return colour; });
}

void FillFlatHalf(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour) {
    FillFlatWith(x0, y0, x1, y1, x2, y2, target, [colour](uint32_t p) { return raster::Half(colour, p); });
}

void FillFlatAdd(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t* target, uint32_t colour) {
    FillFlatWith(x0, y0, x1, y1, x2, y2, target, [colour](uint32_t p) { return raster::Add(colour, p); });
}

// The start rule and the span buffer.
#include <memory>

#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_setup.h"

int32_t StartRule(float q) { return raster::FirstCovered(q); }

namespace raster {

sSpan* SpanBuffer() {
    static const std::unique_ptr<sSpan[]> buffer(new sSpan[kSpanRecords]);
    return buffer.get();
}

}  // namespace raster

// The span buffer.
#include <memory>

#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_setup.h"

namespace raster {

sSpan* SpanBuffer() {
    static const std::unique_ptr<sSpan[]> buffer(new sSpan[kSpanRecords]);
    return buffer.get();
}

}  // namespace raster

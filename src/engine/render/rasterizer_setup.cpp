// The start rule and the span buffer.
#include <cmath>
#include <memory>

#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_setup.h"

int32_t StartRule(float q) {
    // Round (q + 1 - 0.4999) to the nearest integer, ties to even, as adding
    // 2^52 + 2^31 to a double does; then one up for negative results, which
    // together give floor(q + 0.0001) + 1 for q >= 0. Values past any target
    // are held to a range where the integer conversion stays defined.
    double a = static_cast<double>(q);
    if (!(a == a)) return INT32_MIN / 2;
    if (a > 1.0e9) a = 1.0e9;
    if (a < -1.0e9) a = -1.0e9;
    int32_t n = static_cast<int32_t>(std::nearbyint(a + 1.0 - 0.4999));
    if (n < 0) n += 1;
    if (a <= -1.0) n -= 1;
    return n;
}

namespace raster {

sSpan* SpanBuffer() {
    static const std::unique_ptr<sSpan[]> buffer(new sSpan[kSpanRecords]);
    return buffer.get();
}

}  // namespace raster

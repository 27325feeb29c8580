// The set-up's fast conversions against their plain formulations: the start
// rule through the 2^52 + 2^51 addition against std::nearbyint, and the
// one-test ToFixed against the double version with its three tests. Both
// must agree on every input, the rare ones (NaN, infinities, the clamps)
// included.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_pixels.h"
#include "engine/render/rasterizer_setup.h"

namespace {

int32_t StartRuleReference(float q) {
    double a = static_cast<double>(q);
    if (!(a == a)) return INT32_MIN / 2;
    if (a > 1.0e9) a = 1.0e9;
    if (a < -1.0e9) a = -1.0e9;
    int32_t n = static_cast<int32_t>(std::nearbyint(a + 1.0 - 0.4999));
    if (n < 0) n += 1;
    if (a <= -1.0) n -= 1;
    return n;
}

int32_t ToFixedReference(double value) {
    const double scaled = value * 65536.0;
    if (!(scaled == scaled)) return 0;
    if (scaled >= 2147483647.0) return INT32_MAX;
    if (scaled <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

// Special values, the clamps' edges and a few ulps around each.
std::vector<float> EdgeValues() {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const float anchors[] = {0.0f,    -0.0f,   1.0f,         -1.0f,          0.5f,     -0.5f,   0.4999f,
                             -0.4999f, 1.0e9f,  -1.0e9f,      3.0e9f,         -3.0e9f,  32768.0f, -32768.0f,
                             2.1e9f,  -2.1e9f, 2147483648.0f, -2147483648.0f, 1.0e-40f, -1.0e-40f,
                             std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()};
    std::vector<float> values{kInf, -kInf, std::numeric_limits<float>::quiet_NaN()};
    for (float a : anchors) {
        float up = a, down = a;
        for (int i = 0; i < 8; ++i) {
            values.push_back(up);
            values.push_back(down);
            up = std::nextafter(up, kInf);
            down = std::nextafter(down, -kInf);
        }
    }
    return values;
}

TEST(RasterizerRoundingTest, StartRuleMatchesNearbyint) {
    for (float q : EdgeValues()) ASSERT_EQ(StartRule(q), StartRuleReference(q)) << q;
    // Every 1/1024 over a range wider than any target, which hits whole
    // numbers, halves and the 0.0001 margins' neighbourhoods alike...
    for (int32_t k = -2100 * 1024; k <= 2100 * 1024; ++k) {
        const float q = static_cast<float>(k) / 1024.0f;
        ASSERT_EQ(StartRule(q), StartRuleReference(q)) << q;
    }
    // ...the floats right at the margins, where q + 1 - 0.4999 is a tie or
    // q lies within 0.0001 below a whole number...
    for (int32_t n = -600; n <= 600; ++n)
        for (double edge : {n - 0.5001, n - 0.0001, static_cast<double>(n)}) {
            float q = std::nextafter(static_cast<float>(edge), -INFINITY);
            for (int i = 0; i < 5; ++i, q = std::nextafter(q, INFINITY))
                ASSERT_EQ(StartRule(q), StartRuleReference(q)) << q;
        }
    // ...and arbitrary bit patterns (NaNs, infinities, tiny and huge values).
    std::mt19937 random(11);
    for (int i = 0; i < 1000000; ++i) {
        const float q = std::bit_cast<float>(static_cast<uint32_t>(random()));
        ASSERT_EQ(StartRule(q), StartRuleReference(q)) << std::bit_cast<uint32_t>(q);
    }
}

TEST(RasterizerRoundingTest, ToFixedMatchesDoubleVersion) {
    for (float v : EdgeValues()) ASSERT_EQ(raster::ToFixed(v), ToFixedReference(v)) << v;
    // Values whose 16.16 form lies at the edge of the 32-bit range.
    for (float v = 32760.0f; v < 32776.0f; v = std::nextafter(v, INFINITY)) {
        ASSERT_EQ(raster::ToFixed(v), ToFixedReference(v)) << v;
        ASSERT_EQ(raster::ToFixed(-v), ToFixedReference(-v)) << -v;
    }
    std::mt19937 random(12);
    for (int i = 0; i < 1000000; ++i) {
        const float v = std::bit_cast<float>(static_cast<uint32_t>(random()));
        ASSERT_EQ(raster::ToFixed(v), ToFixedReference(v)) << std::bit_cast<uint32_t>(v);
    }
}

}  // namespace

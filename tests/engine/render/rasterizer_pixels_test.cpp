// The per-byte pixel operations as the fill routines use them (with SSE2
// where the processor has it) against their portable forms.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "engine/render/rasterizer_pixels.h"

namespace {

// Every byte pair in every lane at once, then random words, which mix
// lanes that saturate or multiply to large values with lanes that do not:
// a carry or borrow leaking into the next byte shows there.
TEST(RasterizerPixelsTest, AddAndMulMatchTheirReferences) {
    using namespace raster;
    for (uint32_t i = 0; i < 256; ++i)
        for (uint32_t j = 0; j < 256; ++j) {
            const uint32_t a = i * 0x01010101u, b = j * 0x01010101u;
            ASSERT_EQ(Add(a, b), AddReference(a, b)) << i << " + " << j;
            ASSERT_EQ(Mul(a, b), MulReference(a, b)) << i << " * " << j;
        }
    std::mt19937 random(5);
    for (int n = 0; n < 1000000; ++n) {
        const uint32_t a = random(), b = random();
        ASSERT_EQ(Add(a, b), AddReference(a, b)) << std::hex << a << " + " << b;
        ASSERT_EQ(Mul(a, b), MulReference(a, b)) << std::hex << a << " * " << b;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "engine/render/render_state.h"
#include "guarded_target.h"
#include "engine/render/sprites.h"

namespace {

TEST(SpritesTest, BrightnessDarkensBeforeAdding) {
    std::vector<uint32_t> tex(256 * 256, 0x00804020u);
    sGuardedTarget full(32, 32, 0x00010101u);
    DrawSprite(tex.data(), full.Target(), 16, 16, 10, 255);
    EXPECT_EQ(full.At(16, 16), 0x00814121u);

    sGuardedTarget none(32, 32, 0x00010101u);
    DrawSprite(tex.data(), none.Target(), 16, 16, 10, 0);
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(none.Target()[i], 0x00010101u) << i;

    sGuardedTarget half(32, 32, 0x00FF0000u);
    DrawSprite(tex.data(), half.Target(), 16, 16, 10, 0x180);  // only the low byte counts
    EXPECT_EQ(half.At(16, 16), 0x00FF0000u);
    EXPECT_EQ(half.At(15, 15), 0x00FF0000u);
    sGuardedTarget low(32, 32, 0x00100000u);
    DrawSprite(tex.data(), low.Target(), 16, 16, 10, 0x80);
    EXPECT_EQ(low.At(16, 16), 0x00110000u);
}

TEST(SpritesTest, EmptyAndOutsideSpritesDrawNothing) {
    std::vector<uint32_t> tex(256 * 256, 0x00FFFFFFu);
    sGuardedTarget c(32, 32);
    DrawSprite(tex.data(), c.Target(), 10, 10, 1, 255);
    DrawSprite(tex.data(), c.Target(), 10, 10, 0, 255);
    DrawSprite(tex.data(), c.Target(), 10, 10, -8, 255);
    DrawSprite(tex.data(), c.Target(), -5, 10, 10, 255);
    DrawSprite(tex.data(), c.Target(), 10, 40, 10, 255);
    DrawSprite(tex.data(), c.Target(), INT_MAX, INT_MIN, 64, 255);
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(c.Target()[i], 0u) << i;
}

// Centred at (-10, 100) with size 64 the square spans columns -42..21:
// the part left of column 0 is cut, with the texture coordinates advanced
// to column 0.
TEST(SpritesTest, ClippedAtColumnZero) {
    std::vector<uint32_t> tex(256 * 256);
    for (uint32_t i = 0; i < tex.size(); ++i) tex[i] = i + 1;
    sGuardedTarget c(320, 200);
    DrawSprite(tex.data(), c.Target(), -10, 100, 64, 255);
    EXPECT_TRUE(c.GuardsIntact());
    for (int x = 0; x < 22; ++x) EXPECT_NE(c.At(x, 100), 0u) << x;
    EXPECT_EQ(c.At(22, 100), 0u);
    EXPECT_EQ(c.At(319, 99), 0u);  // nothing wrapped in from the left
    EXPECT_EQ(c.At(5, 67), 0u);
    EXPECT_NE(c.At(5, 68), 0u);
    EXPECT_NE(c.At(5, 131), 0u);
    EXPECT_EQ(c.At(5, 132), 0u);
    // u = 127.5 + 10 * 255 / 64 at column 0, v = 127.5.
    EXPECT_EQ(c.At(0, 100), 127u * 256u + 167u + 1u);
}

TEST(SpritesTest, RandomTrianglesStayInsideTarget) {
    std::vector<uint32_t> tex(256 * 256, 0x00102030u);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coord(-200.0f, 300.0f), uv(-500.0f, 500.0f);
    sGuardedTarget c(60, 45);
    for (int i = 0; i < 3000; ++i) {
        DrawSpriteTriangle(coord(rng), coord(rng), uv(rng), uv(rng), coord(rng), coord(rng), uv(rng), uv(rng),
                           coord(rng), coord(rng), uv(rng), uv(rng), c.Target(), tex.data(), 255);
        ASSERT_TRUE(c.GuardsIntact()) << i;
    }
    for (int x = 0; x < 60; ++x) EXPECT_EQ(c.At(x, 44), 0u) << x;  // last row
    for (int y = 0; y < 45; ++y) EXPECT_EQ(c.At(59, y), 0u) << y;  // last column
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "engine/render/rasterizer.h"
#include "engine/render/rasterizer_pixels.h"
#include "engine/render/render_state.h"
#include "guarded_target.h"

namespace {

// Texel value = its index + 1, so every texel is distinct and non-zero.
std::vector<uint32_t> IndexTexture() {
    std::vector<uint32_t> t(256 * 256);
    for (uint32_t i = 0; i < t.size(); ++i) t[i] = i + 1;
    return t;
}

TEST(RasterizerTest, StartRuleIsNextIntegerAbove) {
    EXPECT_EQ(StartRule(10.0f), 11);
    EXPECT_EQ(StartRule(10.5f), 11);
    EXPECT_EQ(StartRule(10.99f), 11);
    EXPECT_EQ(StartRule(10.99995f), 12);  // within 0.0001 of a whole number
    EXPECT_EQ(StartRule(0.0f), 1);
    EXPECT_EQ(StartRule(-0.5f), 0);
    EXPECT_EQ(StartRule(-1.5f), -1);
    EXPECT_EQ(StartRule(-2.25f), -2);
}

TEST(RasterizerTest, PixelArithmeticIsPerByte) {
    using namespace raster;
    EXPECT_EQ(Half(0x00FFFFFFu, 0x00FFFFFFu), 0x00FEFEFEu);
    EXPECT_EQ(Half(0xFF000000u, 0xFF000000u), 0xFE000000u);
    EXPECT_EQ(Add(0x00FF0000u, 0x00010000u), 0x00FF0000u);  // no carry into the top byte
    EXPECT_EQ(Add(0x00FF80FFu, 0x00018001u), 0x00FFFFFFu);
    EXPECT_EQ(Add(0x80102030u, 0x90010203u), 0xFF112233u);
    EXPECT_EQ(Mul(0x00FF00FFu, 0x00800080u), 0x007F007Fu);
    EXPECT_EQ(Mul(0x00FFFFFFu, 0x00FF0000u), 0x00FE0000u);
    EXPECT_EQ(Sub(0x00104080u, 0x00202020u), 0x00002060u);
}

// Vertices on whole rows and columns start one further on; the last row
// of the target is never drawn; spans past the right edge are clipped.
TEST(RasterizerTest, FlatCoverageFollowsStartRule) {
    sGuardedTarget c(16, 16);
    FillFlat(2.0f, 2.0f, 10.0f, 2.0f, 2.0f, 10.0f, c.Target(), 0x123456u);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = y >= 3 && y <= 9 && x >= 3 && x <= 12 - y;
            EXPECT_EQ(c.At(x, y), inside ? 0x123456u : 0u) << x << "," << y;
        }

    sGuardedTarget big(8, 8);
    FillFlat(0.0f, 0.0f, 100.0f, 0.0f, 0.0f, 100.0f, big.Target(), 1u);
    EXPECT_TRUE(big.GuardsIntact());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(big.At(x, y), (y >= 1 && y <= 6 && x >= 1) ? 1u : 0u) << x << "," << y;
}

TEST(RasterizerTest, DegenerateAndOutsideTrianglesDrawNothing) {
    sGuardedTarget c(32, 32);
    FillFlat(1.0f, 1.0f, 10.0f, 10.0f, 20.0f, 20.0f, c.Target(), 7u);       // collinear
    FillFlat(1.0f, 5.2f, 20.0f, 5.3f, 9.0f, 5.9f, c.Target(), 7u);          // within one row
    FillFlat(1.0f, 31.0f, 20.0f, 40.0f, 9.0f, 50.0f, c.Target(), 7u);       // below the last row
    FillFlat(1.0f, -20.0f, 20.0f, -10.0f, 9.0f, -1.5f, c.Target(), 7u);     // above row 0
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(c.Target()[i], 0u) << i;
    EXPECT_TRUE(c.GuardsIntact());
}

// Only the top vertex far above the target: the rows above are skipped in
// one step, so the visible part lands where the triangle really is (within
// a pixel of its edges) and a vertex a billion rows up costs nothing.
TEST(RasterizerTest, TopVertexFarAboveSkipsItsRowsAtOnce) {
    sGuardedTarget c(61, 47);
    const float x[3] = {53.1054611f, 32.6720047f, -64483.1836f};
    const float y[3] = {65.0448227f, 55.9206543f, -83009.9297f};
    FillFlat(x[0], y[0], x[1], y[1], x[2], y[2], c.Target(), 5u);
    // Signed distance in pixels from the edge (a -> b), positive inside.
    auto inside = [&](float px, float py) {
        for (int i = 0; i < 3; ++i) {
            int j = (i + 1) % 3, k = (i + 2) % 3;
            double ex = x[j] - x[i], ey = y[j] - y[i];
            double side = ex * (py - y[i]) - ey * (px - x[i]);
            double other = ex * (y[k] - y[i]) - ey * (x[k] - x[i]);
            if (side * (other > 0 ? 1 : -1) / std::hypot(ex, ey) < -1.5) return false;
        }
        return true;
    };
    int drawn = 0;
    for (int py = 0; py < 47; ++py)
        for (int px = 0; px < 61; ++px)
            if (c.At(px, py) == 5u) {
                ++drawn;
                EXPECT_TRUE(inside(px, py)) << px << "," << py;
            }
    EXPECT_GT(drawn, 100);
    EXPECT_TRUE(c.GuardsIntact());

    sGuardedTarget far(64, 48);
    FillFlat(10.0f, -1e9f, 0.0f, 10.0f, 30.0f, 20.0f, far.Target(), 5u);
    EXPECT_TRUE(far.GuardsIntact());
}

TEST(RasterizerTest, FlatBlendsCombineWithTarget) {
    sGuardedTarget c(8, 8, 0x00FF8001u);
    FillFlatHalf(0, 0, 8, 0, 0, 8, c.Target(), 0x00FFFFFFu);
    EXPECT_EQ(c.At(1, 1), 0x00FEBF7Fu);
    sGuardedTarget d(8, 8, 0x00FF8001u);
    FillFlatAdd(0, 0, 8, 0, 0, 8, d.Target(), 0x00018001u);
    EXPECT_EQ(d.At(1, 1), 0x00FFFF02u);
}

// u follows x one texel per pixel and v the row, so the texel fetched at
// (x, y) must be the one at (x & 255, y): coordinates wrap at 256.
TEST(RasterizerTest, AffineCoordinatesWrapAt256) {
    const std::vector<uint32_t> tex = IndexTexture();
    sGuardedTarget c(300, 10);
    FillAffineAdd(0, 0, 0, 0, 600, 0, 600, 0, 0, 8, 0, 8, c.Target(), tex.data());
    for (int x = 1; x < 300; ++x) ASSERT_EQ(c.At(x, 1), static_cast<uint32_t>(256 + (x & 255) + 1)) << x;
    EXPECT_EQ(c.At(0, 1), 0u);
    EXPECT_EQ(c.At(5, 4), static_cast<uint32_t>(4 * 256 + 5 + 1));
}

TEST(RasterizerTest, DualRoutinesCombineBothTextures) {
    std::vector<uint32_t> tex(256 * 256, 0x00F08040u), env(256 * 256, 0x00208080u);
    sGuardedTarget a(8, 8, 0x00020202u);
    FillDualAdd(0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 8, 0, 0, 8, 0, 8, 0, 8, a.Target(), tex.data(), env.data());
    EXPECT_EQ(a.At(2, 2), 0x00FFFFC0u);
    sGuardedTarget h(8, 8, 0x00020202u);
    FillDualAddHalf(0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 8, 0, 0, 8, 0, 8, 0, 8, h.Target(), tex.data(), env.data());
    EXPECT_EQ(h.At(2, 2), 0x00808061u);
    sGuardedTarget m(8, 8, 0x00020202u);
    FillDualMultiply(0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 8, 0, 0, 8, 0, 8, 0, 8, m.Target(), tex.data(), env.data());
    EXPECT_EQ(m.At(2, 2), 0x001E4020u);
}

// Row 1 spans columns 1 to 17: 17 pixels, sample points at 0, 16 and 17.
// At the sample points u is the exact perspective value; between them it
// steps linearly, so the first segment is straight and the 17th pixel is
// a segment of its own.
TEST(RasterizerTest, PerspectiveSamplesEvery16Pixels) {
    const std::vector<uint32_t> tex = IndexTexture();
    sGuardedTarget c(32, 32);
    FillPerspective(0, 0, 1, 0, 0, 18, 0, 4, 255, 0, 0, 18, 1, 0, 0, c.Target(), tex.data());
    auto trueU = [](double x) {
        // u along row 0 of the triangle: w and u w linear in x.
        const double t = x / 18.0, w = 1.0 + t * (0.25 - 1.0), uw = t * 255.0 * 0.25;
        return uw / w;
    };
    EXPECT_EQ(c.At(0, 1), 0u);
    EXPECT_EQ(c.At(18, 1), 0u);
    // Row 1 lies one row below row 0, where w and u w are the same functions
    // of x (the third vertex shares the first's values).
    EXPECT_EQ(c.At(1, 1) - 1, static_cast<uint32_t>(std::floor(trueU(1.0))));
    EXPECT_EQ(c.At(17, 1) - 1, static_cast<uint32_t>(std::floor(trueU(17.0))));
    const double u1 = trueU(1.0), u17 = trueU(17.0);
    for (int k = 0; k < 16; ++k) {
        const double linear = u1 + k * (u17 - u1) / 16.0;
        EXPECT_NEAR(static_cast<double>(c.At(1 + k, 1) - 1), linear, 1.0) << k;
    }
    // The middle of the segment is well away from the true curve.
    EXPECT_GT(std::fabs((c.At(9, 1) - 1.0) - trueU(9.0)), 3.0);
}

TEST(RasterizerTest, PerspectiveBlends) {
    std::vector<uint32_t> tex(256 * 256, 0x00FF0101u);
    sGuardedTarget h(8, 8, 0x00FFFFFFu);
    FillPerspectiveHalf(0, 0, 2, 0, 0, 8, 0, 3, 9, 0, 0, 8, 2, 0, 9, h.Target(), tex.data());
    EXPECT_EQ(h.At(1, 1), 0x00FE7F7Fu);
    sGuardedTarget a(8, 8, 0x00010101u);
    FillPerspectiveAdd(0, 0, 2, 0, 0, 8, 0, 3, 9, 0, 0, 8, 2, 0, 9, a.Target(), tex.data());
    EXPECT_EQ(a.At(1, 1), 0x00FF0202u);
}

// Random triangles, many reaching far outside the target, through every
// routine: nothing outside the target changes and the last row stays clear.
TEST(RasterizerTest, RandomTrianglesStayInsideTarget) {
    const std::vector<uint32_t> tex = IndexTexture();
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-80.0f, 150.0f), uv(-300.0f, 600.0f), depth(0.5f, 50.0f);
    sGuardedTarget c(64, 48);
    const uint32_t* t = tex.data();
    for (int i = 0; i < 3000; ++i) {
        float p[3][6];
        for (auto& vertex : p)
            for (float& value : vertex) value = coord(rng);
        for (auto& vertex : p) {
            vertex[2] = uv(rng);
            vertex[3] = uv(rng);
            vertex[4] = uv(rng);
            vertex[5] = depth(rng);
        }
        uint32_t* d = c.Target();
        switch (i % 11) {
            case 0: FillFlat(p[0][0], p[0][1], p[1][0], p[1][1], p[2][0], p[2][1], d, 5u); break;
            case 1: FillFlatHalf(p[0][0], p[0][1], p[1][0], p[1][1], p[2][0], p[2][1], d, 5u); break;
            case 2: FillFlatAdd(p[0][0], p[0][1], p[1][0], p[1][1], p[2][0], p[2][1], d, 5u); break;
#define PERSPECTIVE(name)                                                                                       \
    name(p[0][0], p[0][1], p[0][5], p[0][2], p[0][3], p[1][0], p[1][1], p[1][5], p[1][2], p[1][3], p[2][0], \
         p[2][1], p[2][5], p[2][2], p[2][3], d, t)
            case 3: PERSPECTIVE(FillPerspective); break;
            case 4: PERSPECTIVE(FillPerspectiveHalf); break;
            case 5: PERSPECTIVE(FillPerspectiveAdd); break;
#define AFFINE(name) \
    name(p[0][0], p[0][1], p[0][2], p[0][3], p[1][0], p[1][1], p[1][2], p[1][3], p[2][0], p[2][1], p[2][2], p[2][3], d, t)
            case 6: AFFINE(FillAffineHalf); break;
            case 7: AFFINE(FillAffineAdd); break;
#define DUAL(name)                                                                                                 \
    name(p[0][0], p[0][1], p[0][2], p[0][3], p[0][4], p[0][2], p[1][0], p[1][1], p[1][2], p[1][3], p[1][4], p[1][2], \
         p[2][0], p[2][1], p[2][2], p[2][3], p[2][4], p[2][2], d, t, t)
            case 8: DUAL(FillDualAdd); break;
            case 9: DUAL(FillDualAddHalf); break;
            default: DUAL(FillDualMultiply); break;
#undef PERSPECTIVE
#undef AFFINE
#undef DUAL
        }
        ASSERT_TRUE(c.GuardsIntact()) << "triangle " << i;
    }
    for (int x = 0; x < 64; ++x) EXPECT_EQ(c.At(x, 47), 0u) << x;
}

}  // namespace

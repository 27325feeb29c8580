#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/render/lines.h"
#include "engine/render/render_state.h"
#include "guarded_target.h"

namespace {

TEST(LinesTest, ColorTable) {
    SetLineColor(1, 1, 1);
    EXPECT_EQ(g_lineColors[0], 0u);
    EXPECT_EQ(g_lineColors[255], 0x00FEFEFEu);
    EXPECT_EQ(g_lineColors[129], 0x00808080u);  // low bits cleared
    SetLineColor(1, 0, 1);
    EXPECT_EQ(g_lineColors[255], 0x00FE00FEu);
    SetLineColor(0.5f, 2.0f, 0.25f);
    EXPECT_EQ(g_lineColors[200], (50u << 16 | 254u << 8 | 100u));
    SetLineColor(1, 1, 1);
}

TEST(LinesTest, HorizontalLineAddsBothRows) {
    SetLineColor(1, 1, 1);
    sGuardedTarget c(64, 48, 0x00808081u);
    c.Target()[5 * 64 + 5] = 0xFF000001u;  // untouched pixel keeps its top byte
    DrawLine(10.5f, 20.0f, 30.5f, 20.0f, c.Target());
    for (int x = 0; x < 64; ++x) {
        const bool drawn = x >= 10 && x <= 30;
        // Entry 255 saturates mid grey and carries out of red; entry 0
        // still clears each channel's lowest bit and the top byte.
        EXPECT_EQ(c.At(x, 21), drawn ? 0x01FFFFFFu : 0x00808081u) << x;
        EXPECT_EQ(c.At(x, 20), drawn ? 0x00808080u : 0x00808081u) << x;
        EXPECT_EQ(c.At(x, 19), 0x00808081u) << x;
    }
    EXPECT_EQ(c.At(5, 5), 0xFF000001u);

    sGuardedTarget black(16, 16);
    DrawLine(2.5f, 5.0f, 8.5f, 5.0f, black.Target());
    EXPECT_EQ(black.At(4, 6), 0x00FEFEFEu);
}

TEST(LinesTest, ClipsToWindow) {
    SetLineColor(1, 1, 1);
    sGuardedTarget c(32, 32);
    DrawLine(-10, 5, 0.5f, 20, c.Target());   // entirely left of column 1
    DrawLine(31, 5, 40, 20, c.Target());       // entirely right of column 30
    DrawLine(5, -10, 20, 0.9f, c.Target());    // entirely above row 1
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(c.Target()[i], 0u) << i;

    DrawLine(-20.0f, 10.5f, 50.0f, 10.5f, c.Target());  // cut at columns 1 and 30
    for (int x = 0; x < 32; ++x) {
        const bool drawn = x >= 1 && x <= 30;
        EXPECT_EQ(c.At(x, 10) != 0u || c.At(x, 11) != 0u, drawn) << x;
    }
}

TEST(LinesTest, SteepLineStepsOnePixelPerRow) {
    SetLineColor(1, 1, 1);
    sGuardedTarget c(32, 32);
    DrawLine(5.5f, 2.0f, 9.5f, 26.0f, c.Target());
    for (int y = 3; y <= 25; ++y) {
        int touched = 0;
        for (int x = 0; x < 32; ++x) touched += c.At(x, y) != 0u;
        EXPECT_GE(touched, 1) << y;
        EXPECT_LE(touched, 2) << y;
    }
}

TEST(LinesTest, RandomLinesStayInsideTarget) {
    SetLineColor(1, 0.5f, 0.25f);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coord(-100.0f, 200.0f);
    sGuardedTarget c(50, 40);
    for (int i = 0; i < 5000; ++i) {
        DrawLine(coord(rng), coord(rng), coord(rng), coord(rng), c.Target());
        ASSERT_TRUE(c.GuardsIntact()) << i;
    }
    SetLineColor(1, 1, 1);
}

}  // namespace

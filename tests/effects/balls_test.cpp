// Chrome balls: the sprites' geometry, the ball sizes, the depth rule, the
// shading's orientation on a picture that encodes its own coordinates, the
// first frame, release and rebuild, bad environment pictures, the SSE2
// loops against the reference loops, and golden frames.
#include "effects/balls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "content_balls.h"
#include "effects/balls_p.h"
#include "kernel/services.h"
#include "resources/png_writer.h"
#include "test_util.h"
#include "video/video.h"

using namespace balls_detail;

namespace {

constexpr int kW = 512, kH = 384, kPixels = kW * kH;
constexpr int kBandTop = 92, kBandBottom = 292;

uint64_t Fnv1a(const uint32_t* pixels, size_t n) {
    uint64_t h = 0xcbf29ce484222325ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
    for (size_t i = 0; i < n * 4; ++i) h = (h ^ bytes[i]) * 0x100000001b3ull;
    return h;
}

// An environment whose pixel (V * 256 + U) is 0x0000VVUU, so each shaded
// pixel tells which U and V it came from.
void WriteCoordinateEnvironment() {
    std::vector<uint32_t> env(256 * 256);
    for (uint32_t i = 0; i < env.size(); ++i) env[i] = i;
    std::string error;
    ASSERT_TRUE(WritePng("eball.png", env.data(), 256, 256, &error)) << error;
}

class BallsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResolution(kW, kH, true);
        SetClock(&clock_);
    }
    void TearDown() override {
        BallsStop();
        SetClock(nullptr);
    }
    const uint32_t* RenderAt(uint32_t t) {
        clock_.Set(t);
        BallsRender(FrameBuffer());
        return FrameBuffer();
    }
    static uint32_t Band(const uint32_t* frame, int x, int y) { return frame[(kBandTop + y) * kW + x]; }

    ManualClock clock_;
    TempDir dir_;
};

TEST(BallsSprites, AreSpheresOfInwardNormalsScaledTo2400) {
    for (int R : {98, 97, 64, 29}) {
        SCOPED_TRACE("R " + std::to_string(R));
        sBallSprite s = BuildSprite(R);
        EXPECT_EQ(s.firstRow, 100 - R / 2);
        EXPECT_EQ(s.lastRow, 100 + R / 2);
        int32_t total = 0;
        for (int r = s.firstRow; r < s.lastRow; ++r) {
            ASSERT_EQ(s.rowIndex[r], total);
            ASSERT_LT(s.spanStart[r], s.spanEnd[r]);
            // The image of the sphere is about R / 2 pixels in radius around (99.5, 99.5).
            ASSERT_GE(s.spanStart[r], 100 - R / 2 - 2);
            ASSERT_LE(s.spanEnd[r], 100 + R / 2 + 2);
            for (int c = s.spanStart[r]; c < s.spanEnd[r]; ++c) {
                int i = s.rowIndex[r] + c - s.spanStart[r];
                double length = std::sqrt(double(s.nx[i]) * s.nx[i] + double(s.ny[i]) * s.ny[i] + double(s.nz[i]) * s.nz[i]);
                ASSERT_NEAR(length, 2400.0, 3.0) << "row " << r << " column " << c;
                // Inward: pointing right on the left half, down on the top half.
                ASSERT_EQ(s.nx[i] > 0, c < 100) << "row " << r << " column " << c;
                ASSERT_EQ(s.ny[i] > 0, r < 100) << "row " << r << " column " << c;
                ASSERT_GE(s.nz[i], 0);
            }
            total += s.spanEnd[r] - s.spanStart[r];
        }
        EXPECT_EQ(s.total, total);
        EXPECT_EQ(s.nx.size(), static_cast<size_t>(total));
        // Nearest the centre the normal points straight back at the viewer.
        int centre = s.rowIndex[100] + 100 - s.spanStart[100];
        EXPECT_GT(s.nz[centre], 2390);
    }
}

TEST(BallsSizes, PulseBetweenSprite1And69NeverUsingSprite0) {
    EXPECT_EQ(SpriteNumber(0), 35);  // sine 0: the middle size
    int smallest = 99, largest = -1;
    for (uint32_t p = 0; p < 20000; ++p) {
        int a = SpriteNumber(p);
        smallest = std::min(smallest, a);
        largest = std::max(largest, a);
    }
    EXPECT_EQ(smallest, 1);
    EXPECT_LE(largest, 69);
    EXPECT_GE(largest, 68);
    // The phase counts in unsigned 32 bits: t near the top of the clock wraps.
    EXPECT_EQ(SpriteNumber(0xFFFFFFFFu + 1u), SpriteNumber(0));
}

TEST(BallsRotation, StartsAtTheIdentityIn8Point8) {
    sShadeMatrix m = RotationAt(0);
    EXPECT_EQ(m.m00, 256);
    EXPECT_EQ(m.m11, 256);
    EXPECT_EQ(m.m10, 0);
    EXPECT_EQ(m.m20, 0);
    EXPECT_EQ(m.m01, 0);
    EXPECT_EQ(m.m21, 0);
}

// Both paths: a nearer normal replaces, an equally near one does not.
TEST(BallsLoops, DepthTestKeepsTheFirstOfEqualDepths) {
    using DepthSpan = decltype(&DepthSpanReference);
    std::vector<DepthSpan> paths = {DepthSpanReference};
#if defined(__x86_64__)
    paths.push_back(DepthSpanSse2);
#endif
    for (DepthSpan span : paths) {
        const int n = 13;  // a full SSE2 step and a tail
        std::vector<int16_t> depth(n, 0), x(n, 0), y(n, 0), z(n, 0);
        std::vector<int16_t> ax(n, 1), ay(n, 2), az(n, 500), bx(n, 7), by(n, 8);
        std::vector<int16_t> bz(n);
        for (int i = 0; i < n; ++i) bz[i] = static_cast<int16_t>(i % 2 ? 501 : 500);
        span(ax.data(), ay.data(), az.data(), -100, depth.data(), {x.data(), y.data(), z.data()}, n);
        span(bx.data(), by.data(), bz.data(), -100, depth.data(), {x.data(), y.data(), z.data()}, n);
        for (int i = 0; i < n; ++i) {
            bool later = i % 2;
            ASSERT_EQ(depth[i], later ? 401 : 400) << i;
            ASSERT_EQ(x[i], later ? 7 : 1) << i;
            ASSERT_EQ(y[i], later ? 8 : 2) << i;
            ASSERT_EQ(z[i], later ? 501 : 500) << i;
        }
        // Nothing is drawn at or behind depth 0.
        std::vector<int16_t> fresh(n, 0);
        span(ax.data(), ay.data(), az.data(), -500, fresh.data(), {x.data(), y.data(), z.data()}, n);
        for (int16_t d : fresh) ASSERT_EQ(d, 0);
    }
}

#if defined(__x86_64__)
TEST(BallsLoops, Sse2MatchesReferenceOnRandomInput) {
    std::mt19937 random(42);
    auto r16 = [&](int lo, int hi) { return static_cast<int16_t>(lo + static_cast<int>(random() % (hi - lo + 1))); };
    std::vector<uint32_t> env(65536);
    for (uint32_t& p : env) p = random();
    for (int round = 0; round < 50; ++round) {
        const int n = static_cast<int>(random() % 300);
        // Depth: sprite values as the sprites hold them, band buffers in any state.
        std::vector<int16_t> sx(n), sy(n), sz(n), depth(n), x(n), y(n), z(n);
        for (int i = 0; i < n; ++i) {
            sx[i] = r16(-2400, 2400), sy[i] = r16(-2400, 2400), sz[i] = r16(0, 2400);
            depth[i] = r16(-1380, 2380), x[i] = r16(-32768, 32767), y[i] = r16(-32768, 32767), z[i] = r16(0, 2400);
        }
        const int offset = -20 * r16(1, 69);
        auto depth2 = depth, x2 = x, y2 = y, z2 = z;
        DepthSpanReference(sx.data(), sy.data(), sz.data(), offset, depth.data(), {x.data(), y.data(), z.data()}, n);
        DepthSpanSse2(sx.data(), sy.data(), sz.data(), offset, depth2.data(), {x2.data(), y2.data(), z2.data()}, n);
        ASSERT_EQ(depth, depth2);
        ASSERT_EQ(x, x2);
        ASSERT_EQ(y, y2);
        ASSERT_EQ(z, z2);

        // Shading: any 16-bit normals, any matrix within the 8.8 range.
        // Empty pixels come scattered and in whole blocks of 16.
        for (int i = 0; i < n; ++i) {
            x[i] = r16(-32768, 32767), y[i] = r16(-32768, 32767);
            z[i] = (i / 16) % 3 == 1 || random() % 4 == 0 ? 0 : r16(-32768, 32767);
        }
        sShadeMatrix m{r16(-256, 256), r16(-256, 256), r16(-256, 256), r16(-256, 256), r16(-256, 256), r16(-256, 256)};
        std::vector<uint32_t> a(n + 1, 0x12345678u), b(n + 1, 0x12345678u);
        ShadeReference(x.data(), y.data(), z.data(), m, env.data(), a.data(), n);
        ShadeSse2(x.data(), y.data(), z.data(), m, env.data(), b.data(), n);
        ASSERT_EQ(a, b) << "round " << round;
        ASSERT_EQ(b[n], 0x12345678u);  // nothing written past the run
    }
}
#endif

TEST_F(BallsTest, FirstFrameBlackensOnceAndEveryBandPixelIsShaded) {
    WriteCoordinateEnvironment();
    ClearLog();
    BallsInit();
    size_t allocs = 0;
    for (size_t at = LogText().find("alloc "); at != std::string::npos; at = LogText().find("alloc ", at + 1)) ++allocs;
    EXPECT_EQ(allocs, 70u);

    ForgetFirstFrame();
    std::fill_n(FrameBuffer(), kPixels, 0x00ABCDEFu);
    const uint32_t* frame = RenderAt(0);
    for (int y = 0; y < kH; ++y) {
        if (y >= kBandTop && y < kBandBottom) continue;
        for (int x = 0; x < kW; ++x) ASSERT_EQ(frame[y * kW + x], 0u) << x << "," << y;
    }
    for (int y = 0; y < 200; ++y) {
        // Columns the balls never reach stay white, top byte included.
        ASSERT_EQ(Band(frame, 0, y), 0xFFFFFFFFu);
        ASSERT_EQ(Band(frame, 511, y), 0xFFFFFFFFu);
        for (int x = 0; x < kW; ++x) {
            uint32_t p = Band(frame, x, y);
            ASSERT_TRUE(p == 0xFFFFFFFFu || p <= 0xFFFFu) << x << "," << y;
        }
    }
    // The ball of grid row 1, column 2 is centred on band (216, 80). At t = 0
    // the matrix is the identity: U = nx / 16 + 128, V = ny / 16 + 128, so the
    // inward normals put U above 128 left of the centre, V above 128 above it.
    auto u = [&](int x, int y) { return static_cast<int>(Band(frame, x, y) & 0xFF); };
    auto v = [&](int x, int y) { return static_cast<int>((Band(frame, x, y) >> 8) & 0xFF); };
    EXPECT_NEAR(u(216, 80), 128, 2);
    EXPECT_NEAR(v(216, 80), 128, 2);
    EXPECT_GT(u(206, 80), 140);
    EXPECT_LT(u(226, 80), 116);
    EXPECT_GT(v(216, 70), 140);
    EXPECT_LT(v(216, 90), 116);

    // Later frames leave the rows outside the band alone.
    std::fill_n(FrameBuffer(), kPixels, 0x00ABCDEFu);
    frame = RenderAt(40);
    EXPECT_EQ(frame[0], 0x00ABCDEFu);
    EXPECT_EQ(frame[kPixels - 1], 0x00ABCDEFu);
    EXPECT_NE(Band(frame, 216, 80), 0x00ABCDEFu);
}

TEST_F(BallsTest, StopReleasesAndInitRebuildsTheSameFrames) {
    WriteCoordinateEnvironment();
    BallsInit();
    RenderAt(0);  // the first frame draws more than the band; compare later ones
    std::fill_n(FrameBuffer(), kPixels, 0x00ABCDEFu);
    const uint64_t before = Fnv1a(RenderAt(7777), kPixels);
    BallsStop();
    std::fill_n(FrameBuffer(), kPixels, 0x00ABCDEFu);
    RenderAt(7777);  // released: draws nothing
    EXPECT_EQ(FrameBuffer()[kBandTop * kW + 216], 0x00ABCDEFu);
    BallsInit();
    std::fill_n(FrameBuffer(), kPixels, 0x00ABCDEFu);
    EXPECT_EQ(Fnv1a(RenderAt(7777), kPixels), before);
}

TEST_F(BallsTest, EnvironmentOfAnotherSizeIsFatal) {
    std::vector<uint32_t> small(128 * 256, 0x808080);
    std::string error;
    ASSERT_TRUE(WritePng("eball.png", small.data(), 128, 256, &error)) << error;
    ExpectFatal([] { BallsInit(); }, "eball.png: expected a 256 x 256 colour picture, got 128 x 256");
    std::filesystem::remove("eball.png");
    ExpectFatal([] { BallsInit(); }, "File not found: eball.png");
}

TEST_F(BallsTest, ShowEnvironmentGoldenFrames) {
    for (const sPackEntry& f : BallsFiles()) dir_.Write(f.name, f.data);
    BallsInit();
    ForgetFirstFrame();
    struct Golden {
        uint32_t t;
        uint64_t hash;
    };
    const Golden goldens[] = {
        {0, 0xe9c37624414fe88eull},
        {1234, 0xe826b5c1def282caull},
        {98765, 0x72a2b46201f65f49ull},
        {4294960000u, 0xf382fae742742742ull},  // the phases wrap past 2^32
    };
    for (const Golden& g : goldens) {
        const uint32_t* frame = RenderAt(g.t);
        uint64_t hash = Fnv1a(frame, kPixels);
        if (hash != g.hash) {
            // Beside the test's own (temporary) working directory, which goes.
            std::string path = (dir_.path().parent_path() / ("balls_" + std::to_string(g.t) + ".png")).string();
            std::string error;
            WritePng(path, frame, kW, kH, &error);
            ADD_FAILURE() << "t " << g.t << ": hash 0x" << std::hex << hash << ", frame written to " << path;
        }
    }
}

}  // namespace

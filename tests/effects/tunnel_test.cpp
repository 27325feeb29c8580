// The interference tunnel: the table, the 16-bit lane sums, the glow's
// propagation and tables, the SSE2 passes against the reference loops,
// the render's frame handling and parameter clamping, and golden frames.
#include "effects/tunnel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "golden_frame.h"
#include "content_tunnel.h"
#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/tunnel_p.h"
#include "resources/jpeg_writer.h"
#include "kernel/services.h"
#include "test_util.h"
#include "video/video.h"

using namespace tunnel_detail;

namespace {

constexpr int kBandPixels = kBandWidth * kBandHeight;

std::vector<uint32_t> RandomPixels(size_t n, std::mt19937& random, uint32_t mask = 0xFFFFFFFF) {
    std::vector<uint32_t> v(n);
    for (uint32_t& p : v) p = random() & mask;
    return v;
}

uint32_t Byte(uint32_t p, int c) { return (p >> (8 * c)) & 0xFF; }

// The glow's per-channel rule from its definition, for the tests' own
// expectations.
uint32_t Mix(uint32_t current, uint32_t sample, float flash) {
    const int t1 = std::clamp(static_cast<int>(current * static_cast<double>(flash)), 0, 127);
    const int t2 = std::clamp(static_cast<int>(sample * (1.1 - static_cast<double>(flash))), 0, 127);
    return static_cast<uint32_t>(std::min(127, t1 + t2));
}

using GlowFn = void (*)(uint32_t*, int, const sGlowTable&);

// The glow's implementations this processor can run, reference first.
std::vector<GlowFn> Glows() {
    std::vector<GlowFn> glows = {GlowReference, GlowSse2};
    if (SimdPathSupported(SimdPath::Avx2)) glows.push_back(GlowAvx2);
    return glows;
}

// Restores the timeline parameters and the clock after a render test.
class TunnelRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResolution(512, 384, true);
        previousClock_ = SetClock(&clock_);
        golden::WriteFiles(dir_, TunnelFiles());
        TunnelInit();
    }
    void TearDown() override {
        TunnelStop();
        SetClock(previousClock_);
        tunnel::flash = 0.24f;
        tunnel::zoom = 244.0f;
    }
    TempDir dir_;
    ManualClock clock_{1000};
    Clock* previousClock_ = nullptr;
};

}  // namespace

TEST(Tunnel, TableHoldsAngleAndRadiusInSeparateLanes) {
    struct Case {
        int x, y;
        uint32_t entry;
    };
    const Case cases[] = {
        {1, 0, 0x00000200},    // angle 0, radius (1 + 1) * 256
        // The factor 10430.378349108529 is a hair below 65536 / 2pi, so
        // half a turn truncates to 0x7FFF and a quarter to 0x3FFF.
        {-1, 0, 0x7FFF0200},
        {0, 1, 0x3FFF0200},    // y grows downward
        {0, -1, 0xC0010200},   // -0x3FFF wrapped into the upper half
        {0, 0, 0x00000100},    // the centre: radius 1.0
        // Distance 548.4: (548.4 + 1) * 256 = 140641 wraps to 0x2561.
        {511, 199, 0x0F212561},
        {-512, -200, 0x8F2D26AD},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TableEntry(c.x + 512, c.y + 200), c.entry) << c.x << ", " << c.y;
}

TEST(Tunnel, LayerWindowsStayInsideTheTable) {
    for (float phase : {0.0f, 1.0f, 3.14159f, 100.0f, 12345.678f, 5.4e6f, -7.0f}) {
        const sLayerWindows w = WindowsForPhase(phase);
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(w.x[k], 10);
            EXPECT_LE(w.x[k] + kBandWidth, kTableWidth);
            EXPECT_GE(w.y[k], 10);
            EXPECT_LE(w.y[k] + kBandHeight, kTableHeight);
        }
    }
    const sLayerWindows start = WindowsForPhase(0.0f);
    EXPECT_EQ(start.x[0], 256);
    EXPECT_EQ(start.y[0], 190);
    EXPECT_EQ(start.x[1], 502);
}

TEST(Tunnel, PassSumsAngleAndRadiusWithoutCarryBetweenThem) {
    // Every entry 0xFFFF8000: three angles sum to 0x2FFFD (v = 0xFF after
    // the wrap; a carry from the radius lane would make it 0x00), three
    // radii plus the shift to 0x18000 + 0x1234 (u = 0x92).
    std::vector<uint32_t> table(kTableWidth * kTableHeight, 0xFFFF8000u);
    std::vector<uint32_t> texture(65536 + 512);
    for (size_t i = 0; i < texture.size(); ++i) texture[i] = static_cast<uint32_t>(i);
    const sLayerWindows w = WindowsForPhase(2.0f);
    for (auto pass : {TunnelPassReference, TunnelPassSse2}) {
        std::vector<uint32_t> band(kBandPixels);
        pass(band.data(), table.data(), texture.data(), w, 0x1234);
        EXPECT_EQ(band[0], 0xFF92u);
        EXPECT_EQ(band[kBandPixels - 1], 0xFF92u);
    }
}

TEST(Tunnel, PassSse2MatchesReference) {
    std::mt19937 random(11);
    std::vector<uint32_t> table = RandomPixels(kTableWidth * kTableHeight, random);
    std::vector<uint32_t> texture = RandomPixels(65536 + 512, random);
    for (float phase : {0.0f, 0.7f, 41.3f, 9999.5f}) {
        const uint32_t shift = random() & 0xFFFF;
        std::vector<uint32_t> a(kBandPixels), b(kBandPixels);
        TunnelPassReference(a.data(), table.data(), texture.data(), WindowsForPhase(phase), shift);
        TunnelPassSse2(b.data(), table.data(), texture.data(), WindowsForPhase(phase), shift);
        EXPECT_EQ(a, b) << "phase " << phase;
    }
}

TEST(Tunnel, GlowTablesTruncateAndClamp) {
    struct Case {
        float flash;
        int i;
        int own, propagated;
    };
    const Case cases[] = {
        // 0.24f is 0.2399999946...: 100 * flash lies just below 24, so T1
        // is 23 (a single-precision product would round up to 24).
        {0.24f, 100, 23, 86},
        {0.24f, 127, 30, 109},
        {0.0f, 50, 0, 55},       // T2[i] = min(127, trunc(1.1 i))
        {0.0f, 120, 0, 127},
        {1.5f, 60, 90, 0},       // flash >= 1.1: the sample has no weight
        {1.5f, 100, 127, 0},
        {-1.0f, 10, 0, 21},      // negative products clamp at 0
        {std::numeric_limits<float>::quiet_NaN(), 100, 0, 0},
    };
    for (const Case& c : cases) {
        sGlowTable table;
        BuildGlowTable(c.flash, table);
        EXPECT_EQ(table.own[c.i], c.own) << c.flash << " " << c.i;
        EXPECT_EQ(table.propagated[c.i], c.propagated) << c.flash << " " << c.i;
    }
}

TEST(Tunnel, GlowTablesHaveAnArithmeticFormOverTheUsefulRange) {
    // The SIMD glow computes the tables as min(127, scale * i + (i *
    // fraction >> 16)) and BuildGlowTable checks that form against every
    // entry; where it fails the glow drops to the slow exact loop. Over
    // flashes from a little below 0 to a little above 1.1 it must hold.
    // (Far outside, 1.1 - flash rounded to double and times i can give
    // truncations no single slope reproduces; flash -3 is one.)
    std::vector<float> flashes = {0.0f, -0.0f, 0.24f, 0.55f, 1.0f, 1.1f, 1e9f,
                                  std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    for (int i = -200; i <= 1400; ++i) flashes.push_back(i / 1000.0f);
    std::mt19937 random(4);
    std::uniform_real_distribution<float> any(-0.2f, 1.4f);
    for (int i = 0; i < 2000; ++i) flashes.push_back(any(random));
    for (float flash : flashes) {
        sGlowTable table;
        BuildGlowTable(flash, table);
        EXPECT_TRUE(table.linear) << "flash " << flash;
    }
}

TEST(Tunnel, GlowAtFullZoomMixesEachPixelWithItself) {
    // Zoom 256: every pixel samples exactly itself, so each channel h
    // becomes min(127, T1[h] + T2[h]) before doubling. Column 0 is in no
    // sweep and only loses its lowest bits. The band is exactly 200 rows
    // here: a tap past it would be caught by the sanitizer build.
    std::mt19937 random(5);
    const std::vector<uint32_t> source = RandomPixels(kBandPixels, random);
    const float flash = 0.3f;
    sGlowTable table;
    BuildGlowTable(flash, table);
    for (GlowFn glow : Glows()) {
        std::vector<uint32_t> band = source;
        glow(band.data(), 256, table);
        for (int i = 0; i < kBandPixels; ++i) {
            const uint32_t s = source[i];
            uint32_t expected = ((s >> 1) & 0x7F000000) << 1;
            for (int c = 0; c < 3; ++c) {
                const uint32_t h = Byte(s, c) >> 1;
                expected |= (i % kBandWidth == 0 ? h : Mix(h, h, flash)) << (8 * c + 1);
            }
            ASSERT_EQ(band[i], expected) << "pixel " << i;
        }
    }
}

TEST(Tunnel, GlowAtZeroZoomSpreadsTheStartPixel) {
    // Zoom 0: the lower right sweep samples its start pixel (256, 100) for
    // every pixel, after rewriting that pixel first.
    std::mt19937 random(6);
    const std::vector<uint32_t> source = RandomPixels(kBandPixels, random, 0x00FFFFFF);
    const float flash = 0.5f;
    sGlowTable table;
    BuildGlowTable(flash, table);
    for (GlowFn glow : Glows()) {
        std::vector<uint32_t> band = source;
        glow(band.data(), 0, table);
        const uint32_t start = source[kGlowCentreY * kBandWidth + kGlowCentreX];
        uint32_t spread[3];
        for (int c = 0; c < 3; ++c) spread[c] = Mix(Byte(start, c) >> 1, Byte(start, c) >> 1, flash);
        for (int y = kGlowCentreY; y < kBandHeight; ++y) {
            for (int x = kGlowCentreX; x < kBandWidth; ++x) {
                const uint32_t s = source[y * kBandWidth + x];
                uint32_t expected = 0;
                for (int c = 0; c < 3; ++c) {
                    const uint32_t own = Byte(s, c) >> 1;
                    expected |= (x == kGlowCentreX && y == kGlowCentreY ? spread[c] : Mix(own, spread[c], flash))
                                << (8 * c + 1);
                }
                ASSERT_EQ(band[y * kBandWidth + x], expected) << x << ", " << y;
            }
        }
    }
}

TEST(Tunnel, GlowSimdMatchesReference) {
    std::mt19937 random(7);
    auto check = [](const std::vector<uint32_t>& source, int zoom, const sGlowTable& table) {
        std::vector<uint32_t> expected = source;
        GlowReference(expected.data(), zoom, table);
        for (GlowFn glow : Glows()) {
            std::vector<uint32_t> band = source;
            glow(band.data(), zoom, table);
            if (band != expected) return false;
        }
        return true;
    };
    for (int zoom : {0, 1, 37, 128, 200, 236, 243, 244, 250, 254, 255, 256}) {
        // -3 has no arithmetic form and takes the exact loop.
        for (float flash : {0.0f, 0.24f, 0.6f, 1.2f, -3.0f}) {
            // Full bytes, top byte included, as the tunnel pass can leave them.
            sGlowTable table;
            BuildGlowTable(flash, table);
            ASSERT_TRUE(check(RandomPixels(kBandPixels, random), zoom, table)) << "zoom " << zoom << " flash " << flash;
        }
    }
    // Smooth content: the samples' fractions matter more than on noise.
    std::vector<uint32_t> smooth(kBandPixels);
    for (int i = 0; i < kBandPixels; ++i)
        smooth[i] = static_cast<uint32_t>((i % kBandWidth) / 2) * 0x010203 + static_cast<uint32_t>(i / kBandWidth);
    sGlowTable table;
    BuildGlowTable(0.24f, table);
    for (int zoom : {100, 244, 253}) ASSERT_TRUE(check(smooth, zoom, table)) << "zoom " << zoom;
}

TEST_F(TunnelRenderTest, FirstFrameClearsTheFrameLaterFramesOnlyTheBand) {
    uint32_t* frame = FrameBuffer();
    ForgetFirstFrame();
    std::fill(frame, frame + 512 * 384, 0x00123456u);
    TunnelRender(frame);
    EXPECT_TRUE(std::all_of(frame, frame + kBandTop * 512, [](uint32_t p) { return p == 0; }));
    EXPECT_TRUE(std::all_of(frame + (kBandTop + kBandHeight) * 512, frame + 512 * 384,
                            [](uint32_t p) { return p == 0; }));
    // Later frames, also after the stop hook and a rebuild, keep the borders.
    for (bool rebuild : {false, true}) {
        if (rebuild) {
            TunnelStop();
            TunnelInit();
        }
        std::fill(frame, frame + 512 * 384, 0x00654321u);
        clock_.Advance(500);
        TunnelRender(frame);
        for (int y : {0, kBandTop - 1, kBandTop + kBandHeight, 383})
            for (int x : {0, 200, 511}) EXPECT_EQ(frame[y * 512 + x], 0x00654321u) << x << ", " << y;
        EXPECT_NE(frame[(kBandTop + 100) * 512 + 300], 0x00654321u);
    }
}

TEST_F(TunnelRenderTest, ZoomOutsideItsRangeIsClamped) {
    uint32_t* frame = FrameBuffer();
    struct Case {
        float zoom;
        float same;
    };
    const Case cases[] = {{1000.0f, 256.0f}, {-40.0f, 0.0f}, {256.9f, 256.0f},
                          {std::numeric_limits<float>::quiet_NaN(), 0.0f}};
    // The very first frame of a run differs from later ones; compare later ones.
    TunnelInit();
    TunnelRender(frame);
    for (const Case& c : cases) {
        std::vector<uint32_t> frames[2];
        for (int i = 0; i < 2; ++i) {
            // A fresh state each time: the phase starts at 0 again.
            TunnelStop();
            TunnelInit();
            std::fill(frame, frame + 512 * 384, 0x00ABCDEFu);
            tunnel::zoom = i == 0 ? c.zoom : c.same;
            TunnelRender(frame);
            frames[i].assign(frame, frame + 512 * 384);
        }
        EXPECT_TRUE(frames[0] == frames[1]) << "zoom " << c.zoom;
        // Nothing outside the band was touched.
        EXPECT_EQ(frames[0][(kBandTop + kBandHeight) * 512], 0x00ABCDEFu);
    }
}

TEST_F(TunnelRenderTest, GoldenFrames) {
    // Frames at fixed clock values and parameters; the motion follows the
    // clock read after each frame's pass.
    uint32_t* frame = FrameBuffer();
    struct Step {
        uint32_t ms;
        float flash, zoom;
        uint64_t hash;
    };
    const Step steps[] = {
        {1000, 0.24f, 244.0f, 0x1E8931B11CDD3699ull},
        {4200, 0.24f, 244.0f, 0x368FB2CAA8733719ull},
        {9000, 0.55f, 228.0f, 0x44E2AA067F8E192Dull},
        {65000, 0.1f, 252.0f, 0xD174FAC6A3FCF689ull},
    };
    TunnelStop();
    TunnelInit();
    for (const Step& s : steps) {
        clock_.Set(s.ms);
        tunnel::flash = s.flash;
        tunnel::zoom = s.zoom;
        std::fill(frame, frame + 512 * 384, 0u);
        TunnelRender(frame);
        golden::ExpectFrame("tunnel-" + std::to_string(s.ms), frame, s.hash);
    }
}

TEST(Tunnel, TextureOfTheWrongSizeIsRefused) {
    TempDir dir;
    std::vector<uint32_t> small(128 * 128, 0x808080);
    dir.Write("tunnel.jpg", EncodeJpegWords(128, 128, small, 90));
    ExpectFatal([] { TunnelInit(); }, "tunnel.jpg: expected a 256 x 256 colour picture");
}

// The zoom tunnel: the polar table, the zoom's clamping, the overlay's
// geometry at the zoom limits, the SSE2 pass against the reference, the
// render's frame handling and persistent zoom, and golden frames.
#include "effects/zoomer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "golden_frame.h"
#include "content_zoomer.h"
#include "effects/parameters.h"
#include "effects/zoomer_p.h"
#include "kernel/services.h"
#include "resources/jpeg_writer.h"
#include "test_util.h"
#include "video/video.h"

using namespace zoomer_detail;

namespace {

constexpr int kBandPixels = kBandWidth * kBandHeight;

class ZoomerRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResolution(512, 384, true);
        previousClock_ = SetClock(&clock_);
        golden::WriteFiles(dir_, ZoomerFiles());
        ResetRunState();
        ZoomerInit();
    }
    void TearDown() override {
        ZoomerStop();
        SetClock(previousClock_);
        zoomer::speed = 0.0f;
        zoomer::tunnelSpeed1 = 255.0f;
        zoomer::tunnelSpeed2 = 257.0f;
    }
    TempDir dir_;
    ManualClock clock_{5000};
    Clock* previousClock_ = nullptr;
};

}  // namespace

TEST(Zoomer, PolarTableEntries) {
    struct Case {
        int i, j;
        int32_t entry;
    };
    const Case cases[] = {
        // Column 256 (x = 0): atan(y / 0) is a quarter turn; the right half
        // is moved down by 128, so the angle there is 0 (below) or -128.
        {128, 256, 160 * 256},        // centre: depth trunc(4000 / 1) & 0xFF
        {0, 256, 31 * 256 - 128},     // straight up: depth trunc(4000 / 129)
        {128, 255, 208 * 256 + 64},   // one left of centre, y = 0 -> 1e-9
        {128, 0, 15 * 256 + 64},      // far left: depth trunc(4000 / 257)
        // x = 44, y = -28: angle -87.09 borrows from the depth byte (75).
        {100, 300, 74 * 256 + 168},
    };
    for (const Case& c : cases) EXPECT_EQ(PolarEntry(c.i, c.j), c.entry) << c.i << ", " << c.j;
}

TEST(Zoomer, ZoomIsClampedByItsBitPattern) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float zoom, elapsed, speed, result;
    };
    const Case cases[] = {
        {1.0f, 0.0f, 0.0f, 4.0f},              // program start: straight to 4
        {10.0f, 1000.0f, 100.0f, 35.0f},       // 10 + 1000 * 0.00025 * 100
        {10.0f, 1000.0f, -1000.0f, 4.0f},      // negative: 4, never 248
        {200.0f, 4000.0f, 100.0f, 248.0f},
        {100.0f, 0.0f, nan, 248.0f},           // a positive NaN pattern is above 248
        {100.0f, 0.0f, -nan, 4.0f},            // a negative one below 4
        {4.0f, 0.0f, 0.0f, 4.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UpdateZoom(c.zoom, c.elapsed, c.speed), c.result) << c.zoom << " " << c.speed;
}

TEST(Zoomer, OverlayMapSpansOnePixelToTheWholeMap) {
    // Black textures leave only the overlay; each map pixel gets its own
    // value (column in the low byte, row in the next).
    std::vector<uint32_t> textures(2 * 65536, 0);
    std::vector<uint32_t> map(kMapWidth * kMapHeight);
    for (int y = 0; y < kMapHeight; ++y)
        for (int x = 0; x < kMapWidth; ++x) map[y * kMapWidth + x] = static_cast<uint32_t>(y << 8 | x);
    std::vector<int32_t> polar(kPolarWidth * kPolarHeight, 0);
    auto at = [](const std::vector<uint32_t>& band, int x, int y) { return band[y * kBandWidth + x]; };
    for (auto pass : {ZoomPassReference, ZoomPassSse2}) {
        std::vector<uint32_t> band(kBandPixels);
        // Smallest zoom: the centre map pixel (32, 16) over the whole band.
        pass(band.data(), polar.data(), textures.data(), map.data(), FrameFor(kMinZoom, 0, 0, 0));
        EXPECT_TRUE(std::all_of(band.begin(), band.end(), [](uint32_t p) { return p == (16u << 8 | 32u); }));
        // Largest zoom: 62 x 31 map pixels, corners (1, 1) to (63, 31).
        pass(band.data(), polar.data(), textures.data(), map.data(), FrameFor(kMaxZoom, 0, 0, 0));
        EXPECT_EQ(at(band, 0, 0), 1u << 8 | 1u);
        EXPECT_EQ(at(band, 511, 0), 1u << 8 | 63u);
        EXPECT_EQ(at(band, 0, 255), 31u << 8 | 1u);
        EXPECT_EQ(at(band, 511, 255), 31u << 8 | 63u);
        EXPECT_EQ(at(band, 256, 128), 16u << 8 | 32u);
    }
}

TEST(Zoomer, TexturesAreAveragedWithSaturation) {
    // One entry everywhere; texture2 at index + offset1, texture1 at
    // index + offset2, both wrapping at 16 bits.
    std::vector<uint32_t> textures(2 * 65536, 0);
    textures[0x0005] = 0x00F0207F;          // texture1, read at 0xFFFF + 6
    textures[65536 + 0x0102] = 0x00F01080;  // texture2, read at 0xFFFF + 0x103
    std::vector<int32_t> polar(kPolarWidth * kPolarHeight, -1);
    std::vector<uint32_t> map(kMapWidth * kMapHeight, 0x00010203);
    sZoomFrame f = FrameFor(kMinZoom, 0, 0, 0);
    f.offset1 = 0x103;
    f.offset2 = 6;
    for (auto pass : {ZoomPassReference, ZoomPassSse2}) {
        std::vector<uint32_t> band(kBandPixels);
        pass(band.data(), polar.data(), textures.data(), map.data(), f);
        // Red min(255, 480) >> 1 = 127, green 0x30 >> 1, blue 0xFF >> 1; plus the map.
        EXPECT_EQ(band[12345], 0x007F187Fu + 0x00010203u);
    }
}

TEST(Zoomer, PassSse2MatchesReference) {
    std::mt19937 random(3);
    std::vector<uint32_t> textures(2 * 65536);
    for (uint32_t& p : textures) p = random();
    std::vector<uint32_t> map(kMapWidth * kMapHeight);
    for (uint32_t& p : map) p = (random() >> 1) & 0x7F7F7F7F;
    std::vector<int32_t> polar(kPolarWidth * kPolarHeight);
    for (int i = 0; i < kPolarHeight; ++i)
        for (int j = 0; j < kPolarWidth; ++j) polar[i * kPolarWidth + j] = PolarEntry(i, j);
    for (float zoom : {4.0f, 4.5f, 17.25f, 100.0f, 199.9f, 248.0f}) {
        const sZoomFrame f = FrameFor(zoom, random(), 255.0f, -257.0f);
        std::vector<uint32_t> a(kBandPixels), b(kBandPixels);
        ZoomPassReference(a.data(), polar.data(), textures.data(), map.data(), f);
        ZoomPassSse2(b.data(), polar.data(), textures.data(), map.data(), f);
        ASSERT_EQ(a, b) << "zoom " << zoom;
    }
}

TEST(Zoomer, AbsurdFlowSpeedsGiveDefinedOffsets) {
    const sZoomFrame f = FrameFor(10.0f, 4000000000u, 1e30f, std::numeric_limits<float>::infinity());
    EXPECT_EQ(f.offset1 & 0xFFFF, 0u);
    EXPECT_EQ(f.offset2 & 0xFFFF, 0u);
    const sZoomFrame g = FrameFor(10.0f, 1000, 255.0f, 257.0f);
    EXPECT_EQ(g.offset1, 63u);   // trunc(1000 * 0.00025 * 255)
    EXPECT_EQ(g.offset2, 128u);  // trunc(1000 * 0.0005 * 257)
    EXPECT_EQ(g.stepX, 10 * 16384);
    EXPECT_EQ(g.stepY, 10 * 8192);
}

TEST_F(ZoomerRenderTest, FirstFramePaintsWhiteLaterFramesOnlyTheBand) {
    uint32_t* frame = FrameBuffer();
    std::fill(frame, frame + 512 * 384, 0u);
    ZoomerRender(frame);
    EXPECT_TRUE(std::all_of(frame, frame + kBandTop * 512, [](uint32_t p) { return p == 0xFFFFFF; }));
    EXPECT_TRUE(std::all_of(frame + (kBandTop + kBandHeight) * 512, frame + 512 * 384,
                            [](uint32_t p) { return p == 0xFFFFFF; }));
    std::fill(frame, frame + 512 * 384, 0x00102030u);
    clock_.Advance(40);
    ZoomerRender(frame);
    for (int y : {0, kBandTop - 1, kBandTop + kBandHeight, 383})
        for (int x : {0, 511}) EXPECT_EQ(frame[y * 512 + x], 0x00102030u) << x << ", " << y;
}

TEST_F(ZoomerRenderTest, ZoomPersistsAcrossTheStopHook) {
    uint32_t* frame = FrameBuffer();
    zoomer::speed = 100.0f;
    ZoomerRender(frame);  // first frame: zoom 1 -> 4
    clock_.Advance(2000);
    ZoomerRender(frame);  // 4 + 2000 * 0.00025 * 100 = 54
    const std::vector<uint32_t> before(frame, frame + 512 * 384);
    ZoomerStop();
    ZoomerInit();
    zoomer::speed = 0.0f;
    ZoomerRender(frame);  // same clock, zoom still 54
    EXPECT_TRUE(std::equal(before.begin(), before.end(), frame));
}

TEST_F(ZoomerRenderTest, GoldenFrames) {
    uint32_t* frame = FrameBuffer();
    struct Step {
        uint32_t advance;
        float speed;
        uint64_t hash;
    };
    // Zoom 4, then growing by 0.00025 * speed per ms.
    const Step steps[] = {
        {0, 60.0f, 0x62DE7ED2672B25C9ull},
        {1500, 60.0f, 0x2433C7C5E0583551ull},   // 26.5
        {3000, 60.0f, 0x1EC6945E80405162ull},   // 71.5
        {8000, -20.0f, 0xA40CEFFAD9603752ull},  // 31.5
    };
    for (const Step& s : steps) {
        clock_.Advance(s.advance);
        zoomer::speed = s.speed;
        ZoomerRender(frame);
        golden::ExpectFrame("zoomer-" + std::to_string(clock_.Now()), frame, s.hash);
    }
}

TEST(Zoomer, PicturesOfTheWrongSizeAreRefused) {
    TempDir dir;
    golden::WriteFiles(dir, ZoomerFiles());
    std::vector<uint32_t> square(64 * 64, 0x404040);
    dir.Write("zoommap.jpg", EncodeJpegWords(64, 64, square, 90));
    ExpectFatal([] { ZoomerInit(); }, "zoommap.jpg: expected a 64 x 32 colour picture");
}

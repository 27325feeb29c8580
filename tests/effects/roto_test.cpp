// The rotozoomer: the packed coordinate walk against plain fixed point, the
// fade and the scales' sawtooth, the SSE2 loop against the reference, the
// S and F keys, the darkened texture, and golden frames.
#include "effects/roto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "golden_frame.h"
#include "content_roto.h"
#include "effects/parameters.h"
#include "effects/roto_p.h"
#include "kernel/services.h"
#include "resources/jpeg_writer.h"
#include "test_util.h"
#include "video/backend.h"
#include "video/video.h"

using namespace roto_detail;

namespace {

constexpr int kBandPixels = kBandWidth * kBandHeight;

// A texture whose texel names its own picture coordinates: x in the low
// byte, y in the next, stored in the tiled layout.
std::vector<uint32_t> CoordinateTexture() {
    std::vector<uint32_t> t(65536);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) t[TiledIndex(x, y)] = y << 8 | x;
    return t;
}

// Holds the keys named in `held`.
class cKeyBackend : public cNullVideoBackend {
public:
    bool KeyHeld(int key) override { return held.count(key) != 0; }
    std::set<int> held;
};

class RotoRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResolution(512, 384, true);
        previousClock_ = SetClock(&clock_);
        SetVideoBackend(&keys_);
        golden::WriteFiles(dir_, RotoFiles());
        RotoInit();
        ForgetFirstFrame();
    }
    void TearDown() override {
        RotoStop();
        SetVideoBackend(nullptr);
        SetClock(previousClock_);
        roto::direction = 1.0f;
    }
    // Renders at `ms` after the first frame (drawn at the start time).
    std::vector<uint32_t> FrameAt(uint32_t ms) {
        uint32_t* frame = FrameBuffer();
        ForgetFirstFrame();
        clock_.Set(kStart);
        RotoRender(frame);
        clock_.Set(kStart + ms);
        RotoRender(frame);
        return std::vector<uint32_t>(frame, frame + 512 * 384);
    }
    static constexpr uint32_t kStart = 7000;
    TempDir dir_;
    ManualClock clock_{kStart};
    cKeyBackend keys_;
    Clock* previousClock_ = nullptr;
};

}  // namespace

TEST(Roto, WalkMatchesPlainFixedPoint) {
    // At angle 0 a step right moves down the texture's rows and a step down
    // moves along its columns. For scales that are whole multiples of the
    // packed fraction, band pixel (q, r) reads picture column
    // floor(128 + (r - 100) s) and row floor(128 + (q - 159) s), modulo 256:
    // texture point (128, 128) at band pixel (159, 100).
    const std::vector<uint32_t> texture = CoordinateTexture();
    for (float s : {0.25f, 0.5f, 1.0f, 1.25f}) {
        sLayer layer;
        ASSERT_TRUE(LayerFor(s, 0.0f, layer));
        ASSERT_EQ(layer.fade, 0u);
        for (auto draw : {DrawLayerReference, DrawLayerSse2}) {
            std::vector<uint32_t> band(kBandPixels);
            draw(band.data(), texture.data(), layer, false);
            for (int r = 0; r < kBandHeight; ++r) {
                for (int q = 0; q < kBandWidth; ++q) {
                    const uint32_t x = static_cast<uint32_t>(std::floor(128 + (r - 100) * s)) & 255;
                    const uint32_t y = static_cast<uint32_t>(std::floor(128 + (q - 159) * s)) & 255;
                    ASSERT_EQ(band[r * kBandWidth + q], y << 8 | x) << "s " << s << " at " << q << ", " << r;
                }
            }
        }
    }
}

TEST(Roto, FadeAndCutOff) {
    struct Case {
        float s;
        bool drawn;
        uint32_t fade;
    };
    const Case cases[] = {
        {1.4f, true, 0},                    // 1.4f lies below 1.4: unfaded
        {1.5f, true, 25 * 0x010101u},       // trunc(0.0999... * 255)
        {1.9f, true, 127 * 0x010101u},
        {2.39f, true, 252 * 0x010101u},
        {2.4f, false, 0},                   // 2.4f lies above 2.4: not drawn
        {3.0f, false, 0},
        {0.0f, true, 0},
    };
    for (const Case& c : cases) {
        sLayer layer{};
        EXPECT_EQ(LayerFor(c.s, 1.0f, layer), c.drawn) << c.s;
        if (c.drawn) {
            EXPECT_EQ(layer.fade, c.fade) << c.s;
        }
    }
}

TEST(Roto, ScalesFollowTheSawtoothInBothDirections) {
    struct Case {
        float angle;
        float l0, l2, l4;
    };
    const Case cases[] = {
        {0.0f, 2.0f, 1.0f, 2.4f},   // layer 4 starts at 2.4: not drawn
        {0.5f, 1.5f, 0.5f, 1.9f},
        {2.0f, 2.4f, 1.4f, 0.4f},   // layer 0 wraps back to the top
        {2.9f, 1.5f, 0.5f, 1.9f},   // one period after 0.5
        // ROTODIRECTION -1: while -p - angle is negative the scale rises
        // (2.4 - p + seconds), then it falls like the others.
        {-0.2f, 2.2f, 1.2f, 0.2f},
        {-0.5f, 2.3f, 1.5f, 0.5f},
        {-0.6f, 2.2f, 1.6f, 0.6f},
    };
    for (const Case& c : cases) {
        float scale[5];
        LayerScales(c.angle, scale);
        EXPECT_NEAR(scale[0], c.l0, 1e-5) << c.angle;
        EXPECT_NEAR(scale[2], c.l2, 1e-5) << c.angle;
        EXPECT_NEAR(scale[4], c.l4, 1e-5) << c.angle;
    }
}

TEST(Roto, LayerSse2MatchesReference) {
    std::mt19937 random(9);
    std::vector<uint32_t> texture(65536);
    for (uint32_t& p : texture) p = random();
    std::uniform_real_distribution<float> scale(0.0f, 2.4f), angle(-50.0f, 50.0f);
    for (int i = 0; i < 40; ++i) {
        const float s = i == 0 ? 1e-6f : scale(random);
        const float theta = i == 1 ? 4.0e6f : angle(random);
        sLayer layer;
        if (!LayerFor(s, theta, layer)) continue;
        std::vector<uint32_t> start(kBandPixels);
        for (uint32_t& p : start) p = random();
        for (bool add : {false, true}) {
            std::vector<uint32_t> a = start, b = start;
            DrawLayerReference(a.data(), texture.data(), layer, add);
            DrawLayerSse2(b.data(), texture.data(), layer, add);
            ASSERT_EQ(a, b) << "s " << s << " theta " << theta << " add " << add;
        }
    }
}

TEST_F(RotoRenderTest, FirstFrameClearsTheFrameLaterFramesOnlyTheBand) {
    uint32_t* frame = FrameBuffer();
    std::fill(frame, frame + 512 * 384, 0x00FFFFFFu);
    RotoRender(frame);
    EXPECT_TRUE(std::all_of(frame, frame + kBandTop * 512, [](uint32_t p) { return p == 0; }));
    std::fill(frame, frame + 512 * 384, 0x00123456u);
    clock_.Advance(500);
    RotoRender(frame);
    for (int y : {0, kBandTop - 1, kBandTop + kBandHeight, 383})
        for (int x : {0, 511}) EXPECT_EQ(frame[y * 512 + x], 0x00123456u) << x << ", " << y;
}

TEST_F(RotoRenderTest, KeysRemoveTheSecondAndThirdLayersFromAWhiteTexture) {
    // A white picture becomes texels of trunc(255 * 0.75) = 191. At 0.5 s
    // the drawn layers have scales 1.5 (fade 25), 0.5 (no fade) and 1.9
    // (fade 127), so the band is 166, plus 191, plus 64, saturating.
    RotoStop();
    std::vector<uint32_t> white(256 * 256, 0x00FFFFFF);
    dir_.Write("roto.jpg", EncodeJpegWords(256, 256, white, 100));
    RotoInit();
    struct Case {
        std::set<int> held;
        uint32_t band;
    };
    const Case cases[] = {
        {{0x53, 0x46}, 166},  // S and F: the first layer only
        {{0x53}, 166 + 64},   // S: first and third
        {{0x46}, 255},        // F: first and second, saturated
        {{}, 255},
    };
    for (const Case& c : cases) {
        keys_.held = c.held;
        const std::vector<uint32_t> frame = FrameAt(500);
        const uint32_t expected = c.band * 0x010101u;
        EXPECT_TRUE(std::all_of(frame.begin() + kBandTop * 512, frame.begin() + (kBandTop + kBandHeight) * 512,
                                [&](uint32_t p) { return p == expected; }))
            << "band 0x" << std::hex << frame[(kBandTop + 50) * 512 + 50] << " expected 0x" << expected;
    }
}

TEST_F(RotoRenderTest, DirectionIsReadEveryFrame) {
    const std::vector<uint32_t> forward = FrameAt(1300);
    roto::direction = -1.0f;
    const std::vector<uint32_t> backward = FrameAt(1300);
    EXPECT_NE(forward, backward);
    roto::direction = 1.0f;
    EXPECT_EQ(FrameAt(1300), forward);
}

TEST_F(RotoRenderTest, GoldenFrames) {
    struct Step {
        uint32_t ms;
        float direction;
        uint64_t hash;
    };
    const Step steps[] = {
        {0, 1.0f, 0xED231ABD229B2C3Eull},
        {500, 1.0f, 0x13CA5303DDE1E435ull},
        {1750, 1.0f, 0xA12D5A43CC2CDDBBull},
        {3100, -1.0f, 0x6DF54138A614726Bull},
    };
    for (const Step& s : steps) {
        roto::direction = s.direction;
        const std::vector<uint32_t> frame = FrameAt(s.ms);
        golden::ExpectFrame("roto-" + std::to_string(s.ms), frame.data(), s.hash);
    }
}

TEST(Roto, TextureOfTheWrongSizeIsRefused) {
    TempDir dir;
    std::vector<uint32_t> wide(512 * 256, 0x202020);
    dir.Write("roto.jpg", EncodeJpegWords(512, 256, wide, 90));
    ExpectFatal([] { RotoInit(); }, "roto.jpg: expected a 256 x 256 colour picture");
}

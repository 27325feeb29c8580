// The rotating bars: golden frames of a fresh run through both slice paths,
// the SSE2 slice against the reference, the effect clock's whole-step
// arithmetic, and pictures of the wrong size.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "content_bars.h"
#include "effects/bars.h"
#include "effects/bars_p.h"
#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "golden_frame.h"
#include "kernel/services.h"
#include "resources/jpeg_writer.h"
#include "video/video.h"

namespace {

constexpr int kWidth = 512;
constexpr int kBandPixels = 512 * 200;

class BarsScene {
public:
    BarsScene() {
        golden::WriteFiles(dir_, BarsFiles());
        SetResolution(512, 384, true);
        SetClock(&clock_);
        BarsInit();
    }
    ~BarsScene() {
        BarsStop();
        SetClock(nullptr);
        bars::speed = 1.0f;
    }
    uint32_t* Render(uint32_t t) {
        clock_.Set(t);
        BarsRender(FrameBuffer());
        return FrameBuffer();
    }
    std::vector<uint32_t> Band(uint32_t t) {
        const uint32_t* band = Render(t) + 92 * kWidth;
        return std::vector<uint32_t>(band, band + kBandPixels);
    }

private:
    TempDir dir_;
    ManualClock clock_;
};

TEST(Bars, GoldenFramesOfAFreshRun) {
    // The effect clock starts at 0 with the run and only ever moves on, so
    // the frames are taken in a run of their own.
    golden::InFreshRun([] {
        struct Step {
            const char* name;
            uint32_t t;
            float speed;
            uint64_t hash;
        } const steps[] = {
            {"bars_first", 1000, 1.0f, 0x85abf5e21bcb4743},   // borders drawn, clock still 0
            {"bars_clock_1000", 5000, 1.0f, 0xf8af0ec0d339a1ab},
            {"bars_clock_4500", 12000, 2.0f, 0x3af88fd7e81461a2},  // 1000 + 7000 x 0.25 x 2
            {"bars_clock_4312", 15000, -0.25f, 0x8bca317a36a5992b},  // 4500 - 187.5, truncated
        };
        BarsScene scene;
        for (const Step& s : steps) {
            bars::speed = s.speed;
            // The reference slices first, then the same frame through the
            // active path: the clock stays put for the second render.
            const SimdPath active = ActiveSimdPath();
            ForceSimdPath(SimdPath::Reference);
            golden::ExpectFrame(s.name, scene.Render(s.t), s.hash);
            ForceSimdPath(active);
            golden::ExpectFrame(s.name, scene.Render(s.t), s.hash);
        }
    });
}

TEST(Bars, ClockKeepsOnlyWholeSteps) {
    BarsScene scene;
    scene.Render(20000);
    const std::vector<uint32_t> start = scene.Band(20000);
    // At speed 1 a frame 3 ms after the last adds 0.75, which is dropped:
    // however many such frames come, the picture does not move.
    for (uint32_t t = 20003; t < 20060; t += 3) ASSERT_EQ(scene.Band(t), start) << t;
    // Speed 0 stops the clock whatever the time between frames.
    bars::speed = 0.0f;
    EXPECT_EQ(scene.Band(25000), start);
    // A 4 ms frame at speed 1 does move it.
    bars::speed = 1.0f;
    EXPECT_NE(scene.Band(25004), start);
}

TEST(Bars, SlicesStayBetweenRows102And282) {
    BarsScene scene;
    bars::speed = 1.0f;
    for (uint32_t t = 0; t < 200000; t += 997) {
        const uint32_t* frame = scene.Render(t);
        for (int y = 92; y < 292; ++y) {
            if (y >= 102 && y <= 282) continue;
            for (int x = 0; x < kWidth; ++x) ASSERT_EQ(frame[y * kWidth + x], 0u) << x << ", " << y << " at " << t;
        }
    }
}

TEST(Bars, SlicePathsAgreeOnRandomInput) {
#if defined(__x86_64__)
    using namespace bars_detail;
    std::mt19937 random(5);
    std::vector<uint32_t> row(256);
    std::vector<int8_t> angles(190);
    for (int trial = 0; trial < 300; ++trial) {
        for (uint32_t& t : row) t = random() & 0x00FFFFFF;
        for (int8_t& a : angles) a = static_cast<int8_t>(static_cast<int>(random() % 129) - 64);
        const int count = static_cast<int>(random() % 191), offset = static_cast<int>(random() % 256);
        std::vector<uint32_t> reference(190 * kWidth, 0xDEADBEEF), sse2(190 * kWidth, 0xDEADBEEF);
        DrawSliceReference(angles.data(), count, row.data(), offset, reference.data() + 7);
        DrawSliceSse2(angles.data(), count, row.data(), offset, sse2.data() + 7);
        ASSERT_EQ(reference, sse2) << "trial " << trial;
    }
#else
    GTEST_SKIP() << "no SSE2 path on this processor";
#endif
}

TEST(Bars, PicturesOfTheWrongSizeAreFatal) {
    struct Case {
        const char* name;
        int w, h;
        const char* expected;
    } const cases[] = {
        {"bar2.jpg", 256, 128, "bar2.jpg: expected a 256 x 256"},
        {"barboven.jpg", 512, 384, "barboven.jpg: expected a 512 x 92"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        golden::WriteFiles(dir, BarsFiles());
        dir.Write(c.name, EncodeJpegWords(c.w, c.h, std::vector<uint32_t>(c.w * c.h, 0x808080), 90));
        ExpectFatal([] { BarsInit(); }, c.expected);
    }
}

}  // namespace

// The raytraced planes: golden frames through both row paths, the SSE2 row
// against the reference on random samples, the band edges the effect leaves
// alone, non-finite rays, and pictures of the wrong size.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "content_raytrace.h"
#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/raytrace.h"
#include "effects/raytrace_p.h"
#include "golden_frame.h"
#include "kernel/services.h"
#include "resources/jpeg_writer.h"
#include "video/video.h"

namespace {

constexpr int kWidth = 512;

// Sets the clock and the parameters for the life of the object.
class RaytraceScene {
public:
    RaytraceScene() {
        golden::WriteFiles(dir_, RaytraceFiles());
        SetResolution(512, 384, true);
        SetClock(&clock_);
        RaytraceInit();
    }
    ~RaytraceScene() {
        RaytraceStop();
        SetClock(nullptr);
        raytrace::plane = 1000.0f;
        raytrace::z = 32.0f;
    }
    uint32_t* Render(uint32_t t, uint32_t fill = 0xFFFFFF) {
        clock_.Set(t);
        FillBuffer(FrameBuffer(), fill, 512 * 384);
        RaytraceRender(FrameBuffer());
        return FrameBuffer();
    }

private:
    TempDir dir_;
    ManualClock clock_;
};

TEST(Raytrace, GoldenFrames) {
    // The frame starts white, as the run's first frame leaves it, so the
    // columns the effect never draws hold the same bytes in every run.
    struct Case {
        const char* name;
        uint32_t t;
        float plane, z;
        uint64_t hash;
    } const cases[] = {
        {"raytrace_1000", 1000, 1000, 32, 0xa132abb25530ce11},
        {"raytrace_12345", 12345, 1000, 32, 0x1338c0209ff30f6d},
        {"raytrace_wide_lens", 40000, 1400, 48, 0xfdff77c9394c5170},
        {"raytrace_still", 40000, 0, 0, 0xe055f7fb1549313e},  // distance 2000 and lens depth 32 at any time
    };
    RaytraceScene scene;
    const SimdPath active = ActiveSimdPath();
    for (SimdPath path : {SimdPath::Reference, active}) {
        ForceSimdPath(path);
        for (const Case& c : cases) {
            raytrace::plane = c.plane;
            raytrace::z = c.z;
            golden::ExpectFrame(c.name, scene.Render(c.t), c.hash);
        }
    }
    ForceSimdPath(active);
    // The stop hook releases everything; a new initialisation draws the same.
    RaytraceStop();
    RaytraceInit();
    raytrace::plane = cases[0].plane;
    raytrace::z = cases[0].z;
    golden::ExpectFrame(cases[0].name, scene.Render(cases[0].t), cases[0].hash);
}

TEST(Raytrace, RowPathsAgreeOnRandomSamples) {
#if defined(__x86_64__)
    using namespace raytrace_detail;
    std::mt19937 random(99);
    std::vector<uint32_t> texture(256 * 256);
    for (uint32_t& t : texture) t = random() & 0x00FFFFFF;
    std::vector<uint32_t> u(kCoarseStride), v(kCoarseStride), shade(kCoarseStride);
    for (int trial = 0; trial < 400; ++trial) {
        // Wholly random words (halves that saturate, sums that wrap), then
        // samples like the rays give: small signed coordinates, shade 0..255.
        const bool raw = trial % 2 == 0;
        for (int m = 0; m < kCoarseStride; ++m) {
            u[m] = raw ? random() : static_cast<uint32_t>(static_cast<int32_t>(random() % 0x4000000) - 0x2000000);
            v[m] = raw ? random() : static_cast<uint32_t>(static_cast<int32_t>(random() % 0x4000000) - 0x2000000);
            shade[m] = raw ? random() : random() % (256 << 16);
        }
        const sCoarseRow row{u.data(), v.data(), shade.data()};
        std::vector<uint32_t> reference(kWidth, 0x12345678), sse2(kWidth, 0x12345678);
        DrawRowReference(row, texture.data(), reference.data());
        DrawRowSse2(row, texture.data(), sse2.data());
        ASSERT_EQ(reference, sse2) << "trial " << trial;
    }
#else
    GTEST_SKIP() << "no SSE2 path on this processor";
#endif
}

TEST(Raytrace, FirstFrameOfTheRunLeavesTheRightEdgeWhite) {
    golden::InFreshRun([] {
        RaytraceScene scene;
        auto edgeIs = [](const uint32_t* frame, uint32_t colour) {
            for (int y = 92; y < 288; ++y)
                for (int x = 508; x < 512; ++x)
                    if (frame[y * kWidth + x] != colour) return false;
            return true;
        };
        EXPECT_TRUE(edgeIs(scene.Render(1000, 0), 0xFFFFFF));
        // Later frames never touch those columns again, not even after the
        // stop hook and a new initialisation.
        const uint32_t marker = 0x00ABCDEF;
        EXPECT_TRUE(edgeIs(scene.Render(2000, marker), marker));
        RaytraceStop();
        RaytraceInit();
        const uint32_t* frame = scene.Render(3000, marker);
        EXPECT_TRUE(edgeIs(frame, marker));
        // Everything else is drawn: the borders, the drawn band, the four
        // white rows under it.
        int markers = 0;
        for (int i = 0; i < 512 * 384; ++i) markers += frame[i] == marker;
        EXPECT_EQ(markers, 196 * 4);
        for (int i = 288 * kWidth; i < 292 * kWidth; ++i) ASSERT_EQ(frame[i], 0xFFFFFFu);
    });
}

TEST(Raytrace, NonFiniteRaysFogToWhite) {
    // A NaN plane distance gives NaN distances, whose fog clamps to 255:
    // every drawn pixel is white (and 0xFF in the top byte).
    RaytraceScene scene;
    raytrace::plane = std::numeric_limits<float>::quiet_NaN();
    const uint32_t* frame = scene.Render(5000, 0);
    for (int y = 92; y < 288; ++y)
        for (int x = 0; x < 508; ++x) ASSERT_EQ(frame[y * kWidth + x], 0xFFFFFFFFu) << x << ", " << y;
    // An infinite lens depth makes every direction non-finite; the frame is
    // still drawn without faulting (the sanitizer build checks the
    // conversions).
    raytrace::plane = 1000.0f;
    raytrace::z = std::numeric_limits<float>::infinity();
    scene.Render(5000, 0);
    raytrace::z = -std::numeric_limits<float>::infinity();
    scene.Render(5000, 0);
}

TEST(Raytrace, PicturesOfTheWrongSizeAreFatal) {
    struct Case {
        const char* name;
        int w, h;
        const char* expected;
    } const cases[] = {
        {"textuur.jpg", 256, 128, "textuur.jpg: expected a 256 x 256"},
        {"rayboven.jpg", 512, 93, "rayboven.jpg: expected a 512 x 92"},
        {"rayonder.jpg", 256, 92, "rayonder.jpg: expected a 512 x 92"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        golden::WriteFiles(dir, RaytraceFiles());
        dir.Write(c.name, EncodeJpegWords(c.w, c.h, std::vector<uint32_t>(c.w * c.h, 0x808080), 90));
        ExpectFatal([] { RaytraceInit(); }, c.expected);
    }
}

}  // namespace

// The colour stripes: in a fresh run (the start time is taken once per run),
// stripes that show their source pixels exactly on a step and the mean half
// way, the second picture that stays once chosen while the borders follow
// the keyword, the cycle of 256 steps, golden frames; and sources too small.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content_net5.h"
#include "effects/framebuffer.h"
#include "effects/net5.h"
#include "effects/parameters.h"
#include "golden_frame.h"
#include "kernel/services.h"
#include "resources/jpeg_writer.h"
#include "resources/picture.h"
#include "video/video.h"

namespace {

constexpr int kWidth = 512;

class Net5Scene {
public:
    Net5Scene() {
        golden::WriteFiles(dir_, Net5Files());
        SetResolution(512, 384, true);
        SetClock(&clock_);
        Net5Init();
    }
    ~Net5Scene() {
        SetClock(nullptr);
        net5::kwallen = 0.0f;
    }
    const uint32_t* Render(uint32_t t) {
        clock_.Set(t);
        Net5Render(FrameBuffer());
        return FrameBuffer();
    }

private:
    TempDir dir_;
    ManualClock clock_;
};

// Every pixel of band row i is `colour(i)`.
template <typename Colour>
void ExpectStripes(const uint32_t* frame, Colour colour, const std::string& what) {
    for (int i = 0; i < 200; ++i) {
        const uint32_t* row = frame + (92 + i) * kWidth;
        const uint32_t expected = colour(i);
        for (int x = 0; x < kWidth; ++x) ASSERT_EQ(row[x], expected) << what << ": stripe " << i << ", x " << x;
    }
}

void ExpectBorders(const uint32_t* frame, const std::vector<uint32_t>* top, const std::vector<uint32_t>* bottom) {
    for (int i = 0; i < 92 * kWidth; ++i) {
        ASSERT_EQ(frame[i], top ? (*top)[i] : 0u) << i;
        ASSERT_EQ(frame[292 * kWidth + i], bottom ? (*bottom)[i] : 0u) << i;
    }
}

uint32_t Mean(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) result |= ((((a >> shift) & 255) + ((b >> shift) & 255)) / 2) << shift;
    return result;
}

TEST(Net5, StripesAndSourcesInAFreshRun) {
    golden::InFreshRun([] {
        Net5Scene scene;
        const std::vector<uint32_t> first = LoadPicture("net5.jpg").pixels;
        const std::vector<uint32_t> second = LoadPicture("net5kwal.jpg").pixels;
        const std::vector<uint32_t> top = LoadPicture("net5boven.jpg").pixels;
        const std::vector<uint32_t> bottom = LoadPicture("net5onder.jpg").pixels;
        const uint32_t t0 = 5000;

        // The first frame takes the start time and the first picture even
        // with the keyword at 1.0; the borders follow the keyword.
        net5::kwallen = 1.0f;
        const uint32_t* frame = scene.Render(t0);
        ExpectStripes(frame, [&](int i) { return first[93 + i]; }, "start");
        ExpectBorders(frame, nullptr, nullptr);
        EXPECT_NE(LogText().find("fade: 0.000000\r\n"), std::string::npos);

        // Back to 0 for a frame: still the first picture, borders back.
        net5::kwallen = 0.0f;
        frame = scene.Render(t0 + 3 * 350);
        ExpectStripes(frame, [&](int i) { return first[600 + 93 + i]; }, "step 3");
        ExpectBorders(frame, &top, &bottom);

        // Half way between steps 3 and 4: the mean of the two runs, rounded down.
        frame = scene.Render(t0 + 3 * 350 + 175);
        ExpectStripes(frame, [&](int i) { return Mean(first[693 + i], first[893 + i]); }, "step 3.5");

        // Once 1.0 on a drawn frame, the second picture stays.
        net5::kwallen = 1.0f;
        frame = scene.Render(t0 + 10 * 350);
        ExpectStripes(frame, [&](int i) { return second[2000 + 93 + i]; }, "second picture");
        net5::kwallen = 0.0f;
        frame = scene.Render(t0 + 255 * 350);
        ExpectStripes(frame, [&](int i) { return second[51000 + 93 + i]; }, "last step");
        ExpectBorders(frame, &top, &bottom);
        // Step 256 is step 0 again.
        frame = scene.Render(t0 + 256 * 350);
        ExpectStripes(frame, [&](int i) { return second[93 + i]; }, "step 256");
    });
}

TEST(Net5, GoldenFramesOfAFreshRun) {
    golden::InFreshRun([] {
        struct Step {
            const char* name;
            uint32_t t;
            float kwallen;
            uint64_t hash;
        } const steps[] = {
            {"net5_first", 2000, 0.0f, 0x1f0c51b9f5bc9b84},
            {"net5_later", 23456, 0.0f, 0x0338599d6e958b84},
            {"net5_second_picture", 61234, 1.0f, 0x1862de6580ac8b25},
        };
        Net5Scene scene;
        for (const Step& s : steps) {
            net5::kwallen = s.kwallen;
            golden::ExpectFrame(s.name, scene.Render(s.t), s.hash);
        }
    });
}

TEST(Net5, SourcesTooSmallAreFatal) {
    for (const char* name : {"net5.jpg", "net5kwal.jpg"}) {
        TempDir dir;
        golden::WriteFiles(dir, Net5Files());
        // 51,492 pixels: one short.
        dir.Write(name, EncodeJpegWords(4, 12873, std::vector<uint32_t>(4 * 12873, 0x808080), 90));
        ExpectFatal([] { Net5Init(); }, std::string(name) + ": expected a colour picture of at least 51493 pixels");
    }
}

}  // namespace

// Overlay: the grey mapping in both forms, added and subtracted; when a
// picture is loaded and when the buffer is inverted; numbers outside the
// list; bad files; golden frames of the show's own overlays.
#include "effects/overlay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "content_overlay.h"
#include "effects/parameters.h"
#include "kernel/services.h"
#include "pcx_writer.h"
#include "resources/png_writer.h"
#include "test_util.h"
#include "video/video.h"

namespace {

constexpr int kW = 512, kH = 384, kPixels = kW * kH;
using Pixels = std::vector<uint32_t>;
using IndexFn = std::function<uint8_t(int x, int y)>;

std::vector<uint8_t> Pcx(int w, int h, const IndexFn& index) {
    std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) indices[static_cast<size_t>(y) * w + x] = index(x, y);
    Palette palette{};
    for (int i = 0; i < 768; ++i) palette[i] = static_cast<uint8_t>(i / 3);
    return EncodePcx8(w, h, indices, palette);
}

// Three test pictures that differ at every pixel somewhere; the first holds
// every index value.
const IndexFn kPictures[] = {
    [](int x, int) { return static_cast<uint8_t>(x); },
    [](int, int y) { return static_cast<uint8_t>(255 - y); },
    [](int x, int y) { return static_cast<uint8_t>((x * 7 + y * 13) ^ 0x5A); },
};

// The expected frame, byte by byte: the overlay byte is 255 - index in the
// black form (0 in the top byte) and its inverse in the white form.
Pixels Expected(const Pixels& frame, const IndexFn& picture, float colour, bool add) {
    Pixels out(frame.size());
    for (int k = 0; k < kPixels; ++k) {
        uint32_t grey = 255u - picture(k % kW, k / kW);
        uint32_t over = grey * 0x010101u;
        if (colour == 1.0f) over = ~over;
        uint32_t result = 0;
        for (int b = 0; b < 32; b += 8) {
            int f = (frame[k] >> b) & 255, o = (over >> b) & 255;
            int v = add ? std::min(255, f + o) : std::max(0, f - o);
            result |= static_cast<uint32_t>(v) << b;
        }
        out[k] = result;
    }
    return out;
}

Pixels RandomFrame(uint32_t seed) {
    std::mt19937 random(seed);
    Pixels p(kPixels);
    for (uint32_t& v : p) v = random();  // top byte too: the white form saturates it
    return p;
}

int CountLoads() {
    // Each load logs "bla" before and after converting the picture.
    const std::string& log = LogText();
    int count = 0;
    for (size_t at = log.find("bla\r\n"); at != std::string::npos; at = log.find("bla\r\n", at + 1)) ++count;
    return count / 2;
}

uint64_t Fnv1a(const uint32_t* pixels, size_t n) {
    uint64_t h = 0xcbf29ce484222325ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
    for (size_t i = 0; i < n * 4; ++i) h = (h ^ bytes[i]) * 0x100000001b3ull;
    return h;
}

class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResolution(kW, kH, true);
        ClearLog();
    }
    void TearDown() override {
        overlay::number = 0.0f;
        overlay::add = 1.0f;
        overlay::colour = 0.0f;
    }
    // The list and the three pictures; `list` replaces the list's text.
    void WriteFixture(const std::string& list = "a.pcx\nb.pcx\nc.pcx\n") {
        dir_.Write("overlay.ini", list);
        const char* names[] = {"a.pcx", "b.pcx", "c.pcx"};
        for (int i = 0; i < 3; ++i) dir_.Write(names[i], Pcx(kW, kH, kPictures[i]));
    }
    // Draws onto a copy of `frame` and returns the result.
    Pixels Draw(const Pixels& frame, float number, float colour, float add) {
        overlay::number = number;
        overlay::colour = colour;
        overlay::add = add;
        uint32_t* fb = FrameBuffer();
        std::memcpy(fb, frame.data(), kPixels * 4);
        OverlayRender(fb);
        return Pixels(fb, fb + kPixels);
    }

    TempDir dir_;
};

TEST_F(OverlayTest, BothFormsAddOnlyForExactlyOneAndSubtractOtherwise) {
    WriteFixture();
    OverlayInit();
    const Pixels frame = RandomFrame(1);
    struct Case {
        float colour, add;
    };
    // White first: a freshly loaded picture is inverted before that same
    // draw. The alternation then checks that each change of form inverts
    // the buffer exactly once, and that no change inverts nothing.
    const Case cases[] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 0.5f}, {0, 2.0f}, {0, 0.999999f}, {1, -1.0f},
                          {0, 1}, {1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE("colour " + std::to_string(c.colour) + " add " + std::to_string(c.add));
        ASSERT_EQ(Draw(frame, 0.0f, c.colour, c.add), Expected(frame, kPictures[0], c.colour, c.add == 1.0f));
    }
    EXPECT_EQ(CountLoads(), 1);
}

TEST_F(OverlayTest, BothSwitchesInOneFrameDrawBlackThenWhite) {
    WriteFixture();
    OverlayInit();
    const Pixels frame = RandomFrame(2);
    for (int i = 0; i < 3; ++i) {
        Pixels once = Draw(frame, 1.0f, 0.0f, 0.0f);
        Pixels twice = Draw(once, 1.0f, 1.0f, 0.0f);
        ASSERT_EQ(twice, Expected(Expected(frame, kPictures[1], 0.0f, false), kPictures[1], 1.0f, false));
    }
}

TEST_F(OverlayTest, LoadsOnFirstDrawAndWheneverTheNumberChanges) {
    WriteFixture();
    OverlayInit();
    const Pixels black(kPixels, 0);
    struct Step {
        float number;
        int picture, loads;
    };
    // -1.0 is the "nothing loaded" value of the number; the first draw still
    // loads. 1.0 -> 1.5 reloads the same picture; an unchanged number does not.
    const Step steps[] = {{-1.0f, 0, 1}, {-1.0f, 0, 1}, {1.0f, 1, 2}, {1.5f, 1, 3}, {1.5f, 1, 3}, {2.9f, 2, 4}};
    for (const Step& s : steps) {
        SCOPED_TRACE("number " + std::to_string(s.number));
        ASSERT_EQ(Draw(black, s.number, 0.0f, 1.0f), Expected(black, kPictures[s.picture], 0.0f, true));
        EXPECT_EQ(CountLoads(), s.loads);
    }
    // Running the initialisation again starts over: the next draw loads.
    OverlayInit();
    Draw(black, 2.9f, 0.0f, 1.0f);
    EXPECT_EQ(CountLoads(), 5);
    const std::string& log = LogText();
    EXPECT_NE(log.find("line: b.pcx\r\n"), std::string::npos);
    EXPECT_NE(log.find("num files: 3\r\n"), std::string::npos);
}

TEST_F(OverlayTest, NumbersOutsideTheListShowTheNearestPicture) {
    WriteFixture();
    const Pixels black(kPixels, 0);
    struct Case {
        float number;
        int picture;
    };
    const Case cases[] = {{-0.5f, 0}, {-7.0f, 0}, {std::numeric_limits<float>::quiet_NaN(), 0},
                          {3.0f, 2}, {99.0f, 2}, {1e30f, 2}, {std::numeric_limits<float>::infinity(), 2},
                          {-std::numeric_limits<float>::infinity(), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE("number " + std::to_string(c.number));
        OverlayInit();
        ASSERT_EQ(Draw(black, c.number, 0.0f, 1.0f), Expected(black, kPictures[c.picture], 0.0f, true));
    }
}

TEST_F(OverlayTest, BadListsAndPicturesAreFatalAndNamed) {
    // A picture of another size would be read or written past its end.
    WriteFixture("a.pcx\nsmall.pcx\n");
    dir_.Write("small.pcx", Pcx(256, 384, kPictures[0]));
    OverlayInit();
    const Pixels black(kPixels, 0);
    ExpectFatal([&] { Draw(black, 1.0f, 0.0f, 1.0f); }, "small.pcx: expected a 512 x 384 overlay picture, got 256 x 384");

    WriteFixture("a.pcx\nmissing.pcx\n");
    OverlayInit();
    ExpectFatal([&] { Draw(black, 1.0f, 0.0f, 1.0f); }, "File not found: missing.pcx");

    WriteFixture("; only a comment\n");
    OverlayInit();
    ExpectFatal([&] { Draw(black, 0.0f, 0.0f, 1.0f); }, "overlay.ini: no overlay pictures listed");

    // 100 names fit, 101 do not.
    std::string list;
    for (int i = 0; i < 100; ++i) list += "a.pcx\n";
    WriteFixture(list);
    OverlayInit();
    EXPECT_NE(LogText().find("num files: 100"), std::string::npos);
    WriteFixture(list + "b.pcx\n");
    ExpectFatal([] { OverlayInit(); }, "overlay.ini: more than 100 overlay pictures listed");

    std::filesystem::remove("overlay.ini");
    ExpectFatal([] { OverlayInit(); }, "File not found: overlay.ini");
}

TEST_F(OverlayTest, ShowOverlaysGoldenFrames) {
    for (const sPackEntry& f : OverlayFiles()) dir_.Write(f.name, f.data);
    OverlayInit();
    // A colourful base with dark and light areas, so adding and subtracting both show.
    Pixels base(kPixels);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            base[y * kW + x] = static_cast<uint32_t>((x / 2) << 16 | (y * 2 / 3) << 8 | (255 - x / 2));
    struct Golden {
        const char* name;
        int number;
        float colour, add;
        uint64_t hash;
    };
    const Golden goldens[] = {
        {"frame_black_sub", kOverlayFrame, 0, 0, 0x634f45c9ac966fa5ull},
        {"leaks_black_add", kOverlayLeaks, 0, 1, 0x6d4d43c6b560159cull},
        {"scan_black_sub", kOverlayScan, 0, 0, 0xcd7fb798edf1fce4ull},
        {"rings_white_sub", kOverlayRings, 1, 0, 0x5d4cc0a9f465ef37ull},
        {"plate_black_add", kOverlayPlate, 0, 1, 0xa92436d59baa6ea4ull},
        {"letterbox_black_sub", kOverlayLetterbox, 0, 0, 0x3132def166defbf5ull},
    };
    for (const Golden& g : goldens) {
        Pixels frame = Draw(base, static_cast<float>(g.number), g.colour, g.add);
        uint64_t hash = Fnv1a(frame.data(), frame.size());
        if (hash != g.hash) {
            // Beside the test's own (temporary) working directory, which goes.
            std::string path = (dir_.path().parent_path() / (std::string("overlay_") + g.name + ".png")).string();
            std::string error;
            WritePng(path, frame.data(), kW, kH, &error);
            ADD_FAILURE() << g.name << ": hash 0x" << std::hex << hash << ", frame written to " << path;
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "kernel/mainloop.h"
#include "kernel/services.h"
#include "kernel/window.h"
#include "video/video.h"

namespace {

TEST(DisplayConversions, EveryColourKeepsItsTopBitsInEachFormat) {
    std::vector<uint32_t> colours(1 << 16);
    std::vector<uint16_t> c555(colours.size()), c565(colours.size());
    std::vector<uint8_t> c24(colours.size() * 3);
    // All 2^24 colours in 256 slices, with a junk top byte that must not leak.
    for (uint32_t slice = 0; slice < 256; ++slice) {
        for (uint32_t i = 0; i < colours.size(); ++i) colours[i] = 0xA5000000u | (slice << 16) | i;
        int n = static_cast<int>(colours.size());
        ConvertTo555(colours.data(), c555.data(), n);
        ConvertTo565(colours.data(), c565.data(), n);
        ConvertTo24(colours.data(), c24.data(), n);
        for (uint32_t i = 0; i < colours.size(); ++i) {
            uint32_t r = slice, g = i >> 8, b = i & 0xFF;
            ASSERT_EQ(c555[i], ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)) << std::hex << colours[i];
            ASSERT_EQ(c565[i], ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)) << std::hex << colours[i];
            ASSERT_EQ(c24[3 * i], b);
            ASSERT_EQ(c24[3 * i + 1], g);
            ASSERT_EQ(c24[3 * i + 2], r);
        }
    }
}

TEST(DisplayScaling, PlacesTheFrameByMode) {
    struct Case {
        ScaleMode mode;
        int outW, outH;
        sScreenRect expected;
    } cases[] = {
        {ScaleMode::Stretch, 800, 500, {0, 0, 800, 500}},
        {ScaleMode::Fit, 1920, 1080, {240, 0, 1440, 1080}},   // bars at the sides
        {ScaleMode::Fit, 1024, 1024, {0, 128, 1024, 768}},    // bars above and below
        {ScaleMode::Fit, 512, 384, {0, 0, 512, 384}},
        {ScaleMode::Integer, 1920, 1080, {448, 156, 1024, 768}},
        {ScaleMode::Integer, 2560, 1600, {256, 32, 2048, 1536}},
        {ScaleMode::Integer, 300, 200, {-106, -92, 512, 384}},  // never below 1x
    };
    for (const Case& c : cases) {
        sScreenRect r = ScaleFrame(c.mode, c.outW, c.outH, 512, 384);
        EXPECT_EQ(r.x, c.expected.x) << c.outW << "x" << c.outH;
        EXPECT_EQ(r.y, c.expected.y) << c.outW << "x" << c.outH;
        EXPECT_EQ(r.w, c.expected.w) << c.outW << "x" << c.outH;
        EXPECT_EQ(r.h, c.expected.h) << c.outW << "x" << c.outH;
    }
}

TEST(Presentation, BlacksOutTheOutermostPixelsAndAdvancesAFrameClock) {
    FixedFpsClock clock(25);
    SetClock(&clock);
    std::vector<uint32_t> frame(kFramePixels, 0x00FFFFFFu);
    PresentFrame(frame.data());
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x) {
            bool edge = x == 0 || y == 0 || x == 511 || y == 383;
            ASSERT_EQ(frame[y * 512 + x], edge ? 0u : 0x00FFFFFFu) << x << "," << y;
        }
    EXPECT_EQ(Milliseconds(), 40u);
    SetClock(nullptr);
}

TEST(FixedFpsClock, CountsFramesAndSleepsOnly) {
    FixedFpsClock clock(60);
    EXPECT_EQ(clock.Now(), 0u);
    clock.FramePresented();
    EXPECT_EQ(clock.Now(), 16u);  // trunc(1000 / 60)
    clock.FramePresented();
    EXPECT_EQ(clock.Now(), 33u);
    clock.Sleep(1000);
    EXPECT_EQ(clock.Now(), 1033u);
    for (int i = 0; i < 58; ++i) clock.FramePresented();
    EXPECT_EQ(clock.Now(), 2000u);
}

TEST(WindowMessages, EscapeAndCloseQuitF11TogglesTheRateF12WithoutDisplayStaysWindowed) {
    ClearQuitFlag();
    HandleWindowMessage(WindowMessage::KeyDown, vk::kF11);
    EXPECT_TRUE(g_demoSys.showFps);
    HandleWindowMessage(WindowMessage::KeyDown, vk::kF11);
    EXPECT_FALSE(g_demoSys.showFps);
    ClearLog();
    HandleWindowMessage(WindowMessage::KeyDown, vk::kF12);  // the null display cannot go fullscreen
    EXPECT_TRUE(Windowed());
    EXPECT_NE(LogText().find("Unable to switch to fullscreen"), std::string::npos);
    HandleWindowMessage(WindowMessage::Resize, 0, 800, 600);
    EXPECT_EQ(g_demoSys.clientWidth, 800);
    EXPECT_FALSE(QuitFlag());
    HandleWindowMessage(WindowMessage::KeyDown, vk::kEscape);
    EXPECT_TRUE(QuitFlag());
    ClearQuitFlag();
    HandleWindowMessage(WindowMessage::Close);
    EXPECT_TRUE(QuitFlag());
    ClearQuitFlag();
}

}  // namespace

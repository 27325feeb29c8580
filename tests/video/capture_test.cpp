#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "resources/picture.h"
#include "test_util.h"
#include "video/capture.h"

namespace {

std::vector<uint32_t> Solid(uint32_t colour) { return std::vector<uint32_t>(512 * 384, colour); }

uint32_t FirstPixelOf(const std::string& file) { return LoadPicture(file.c_str()).pixels.at(0); }

TEST(FrameCapture, FollowsTheMusicAndRepeatsTheLastFrameOverAJump) {
    TempDir dir;
    std::string error;
    auto capture = cFrameCapture::Open("frames", 10, {}, &error);
    ASSERT_TRUE(capture) << error;
    struct Step {
        uint32_t position;
        uint32_t colour;
    } steps[] = {
        {0, 0x000010}, {100, 0x000020}, {199, 0x000030},  // 199 rounds to frame 2
        {600, 0x000060},                                  // frames 3-5 repeat frame 2
        {640, 0x000064},                                  // frame 6 already has its picture
        {700, 0x000070},
    };
    for (const Step& s : steps) {
        std::vector<uint32_t> frame = Solid(s.colour);
        ASSERT_TRUE(capture->Write(frame.data(), s.position, &error)) << error;
    }
    ASSERT_TRUE(capture->Finish(&error)) << error;
    EXPECT_EQ(capture->framesWritten(), 8u);
    const uint32_t expected[] = {0x10, 0x20, 0x30, 0x30, 0x30, 0x30, 0x60, 0x70};
    for (int k = 0; k < 8; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "frames/%06d.png", k);
        EXPECT_EQ(FirstPixelOf(name), expected[k]) << name;
    }
    EXPECT_FALSE(std::filesystem::exists("frames/000008.png"));
}

TEST(FrameCapture, QuotesPathsForTheShell) {
    EXPECT_EQ(ShellQuote("a b"), "'a b'");
    EXPECT_EQ(ShellQuote("it's"), "'it'\\''s'");
}

}  // namespace

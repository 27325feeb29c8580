#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/options.h"

namespace {

bool Parse(std::vector<std::string> args, sOptions* o, std::string* error) {
    args.insert(args.begin(), "hdrift");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

TEST(Options, DefaultsAndEveryOption) {
    sOptions o;
    std::string error;
    ASSERT_TRUE(Parse({}, &o, &error));
    EXPECT_EQ(o.screen, ScreenChoice::Ask);
    EXPECT_EQ(o.fixedFps, 0u);
    EXPECT_TRUE(o.vsync);

    ASSERT_TRUE(Parse({"--fullscreen", "--data", "show", "--headless", "--mute", "--scale", "integer", "--no-vsync",
                       "--fixed-fps", "25", "--frames", "50", "--until", "9000", "--log", "-", "--capture", "out"},
                      &o, &error))
        << error;
    EXPECT_EQ(o.screen, ScreenChoice::Fullscreen);
    EXPECT_EQ(o.dataDir, "show");
    EXPECT_TRUE(o.headless);
    EXPECT_TRUE(o.mute);
    EXPECT_EQ(o.scale, ScaleMode::Integer);
    EXPECT_FALSE(o.vsync);
    EXPECT_EQ(o.fixedFps, 25u);
    EXPECT_EQ(o.maxFrames, 50);
    EXPECT_EQ(o.untilMs, 9000);
    EXPECT_EQ(o.logPath, "-");
    EXPECT_EQ(o.capturePath, "out");
}

TEST(Options, CaptureImpliesSixtyFramesPerSecond) {
    sOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--capture", "show.mp4"}, &o, &error));
    EXPECT_EQ(o.fixedFps, 60u);
    EXPECT_TRUE(CaptureIsVideo(o.capturePath));
    EXPECT_FALSE(CaptureIsVideo("frames"));
}

TEST(Options, RejectsUnknownOptionsAndBadValues) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"}, {"--scale", "zoom"}, {"--fixed-fps", "0"}, {"--fixed-fps", "abc"}, {"--frames", "-1"},
        {"--frames"}, {"--until", "5x"}, {"--data"},
    };
    for (const auto& args : bad) {
        sOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace

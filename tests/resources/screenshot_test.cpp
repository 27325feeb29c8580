#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kernel/mainloop.h"
#include "kernel/services.h"
#include "resources/screenshot.h"
#include "test_util.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr const char* kConvert = "/usr/bin/convert";
constexpr size_t kTgaSize = 18 + 512 * 384 * 3;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every pixel different in all three channels, with a top byte that must not
// reach the file.
std::vector<uint32_t> TestFrame() {
    std::vector<uint32_t> frame(kFramePixels);
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            frame[y * kFrameWidth + x] = 0xA5000000u | ((x & 0xFF) << 16) | ((y & 0xFF) << 8) |
                                         ((x * 3 + y * 5) & 0xFF);
    return frame;
}

TEST(Screenshot, WritesTheTgaHeaderAndBgrRowsTopToBottom) {
    TempDir dir;
    ResetScreenshotCounter();
    std::vector<uint32_t> frame = TestFrame();
    ClearLog();
    SaveScreenshot(frame.data());

    EXPECT_EQ(LogText(),
              "saving tga: $1.tga\r\ncreating file\r\ncopy\r\nwrite file\r\nclose file\r\n"
              "free\r\ndone\r\n");
    Bytes tga = ReadBytes("1.tga");
    ASSERT_EQ(tga.size(), kTgaSize);
    const Bytes header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x02, 0x80, 0x01, 24, 0x20};
    EXPECT_EQ(Bytes(tga.begin(), tga.begin() + 18), header);
    Bytes expected;
    for (uint32_t p : frame) {
        expected.push_back(static_cast<unsigned char>(p));
        expected.push_back(static_cast<unsigned char>(p >> 8));
        expected.push_back(static_cast<unsigned char>(p >> 16));
    }
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), tga.begin() + 18));
}

TEST(Screenshot, NumbersFromOneAndOverwritesOldFiles) {
    TempDir dir;
    ResetScreenshotCounter();
    dir.Write("1.tga", "left over from an earlier run");
    std::vector<uint32_t> frame = TestFrame();
    SaveScreenshot(frame.data());
    SaveScreenshot(frame.data());
    EXPECT_EQ(std::filesystem::file_size("1.tga"), kTgaSize);
    EXPECT_EQ(std::filesystem::file_size("2.tga"), kTgaSize);
    EXPECT_FALSE(std::filesystem::exists("3.tga"));
}

TEST(Screenshot, ImageMagickReadsItTheRightWayUp) {
    if (!std::filesystem::exists(kConvert)) GTEST_SKIP() << kConvert << " is not installed";
    TempDir dir;
    ResetScreenshotCounter();
    std::vector<uint32_t> frame = TestFrame();
    SaveScreenshot(frame.data());
    ASSERT_EQ(std::system((std::string(kConvert) + " 1.tga -depth 8 rgb:back.rgb").c_str()), 0);
    Bytes rgb = ReadBytes("back.rgb");
    ASSERT_EQ(rgb.size(), size_t{kFramePixels} * 3);
    for (int i = 0; i < kFramePixels; ++i) {
        uint32_t want = frame[i] & 0xFFFFFF;
        uint32_t got = (uint32_t{rgb[i * 3]} << 16) | (uint32_t{rgb[i * 3 + 1]} << 8) | rgb[i * 3 + 2];
        ASSERT_EQ(got, want) << "pixel " << i % kFrameWidth << ", " << i / kFrameWidth;
    }
}

TEST(Screenshot, UncreatableFileIsFatal) {
    TempDir dir;
    ResetScreenshotCounter();
    std::filesystem::create_directory("1.tga");
    std::vector<uint32_t> frame = TestFrame();
    ExpectFatal([&] { SaveScreenshot(frame.data()); }, "error creating file");
}

}  // namespace

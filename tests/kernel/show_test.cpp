// The program from start-up to exit, headless on a small show made here.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fixtures.h"
#include "kernel/services.h"
#include "kernel/startup.h"
#include "resources/picture.h"
#include "show_parts.h"
#include "test_util.h"
#include "video/video.h"

namespace fs = std::filesystem;

namespace {

int RunProgram(const std::string& args) { return RunCommand(std::string(HDRIFT_PATH) + " " + args).status; }

std::vector<uint32_t> Pattern(uint32_t seed) {
    std::vector<uint32_t> p(512 * 384);
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x)
            p[y * 512 + x] = ((x * seed) & 0xFF) << 16 | ((y * 3 + seed) & 0xFF) << 8 | ((x + y) & 0xFF);
    return p;
}

// Writes a complete small show into the current directory: the effects'
// files from the show generator, the kernel's pictures and music made here.
void WriteShow(const TempDir& dir, const std::string& script) {
    for (const sContentPart& part : ContentParts())
        for (const sPackEntry& f : part.files()) dir.Write(f.name, f.data);
    dir.Write("loading.jpg", EncodeJpegWords(512, 384, Pattern(1), 90));
    dir.Write("loadingbar.jpg", EncodeJpegWords(512, 384, Pattern(2), 90));
    dir.Write("picture.jpg", EncodeJpegWords(512, 384, Pattern(3), 90));
    dir.Write("halcyon.mp3", EncodeMp3(44100, 2, 44100 / 2));
    dir.Write("script.txt", script);
}



const char* kScript =
    "load\n"
    "picture.jpg\n"
    "demo\n"
    "0    blank       1\n"
    "400  picture     1\n"
    "400  blank       0\n"
    "1000 picture2    0\n"
    "1000 blank       1\n"
    "1000 fadefromwhite 1\n"
    "5000 exit 1\n";

TEST(Show, HeadlessCaptureIsDeterministicAndHoldsTheFramesAsPresented) {
    TempDir dir;
    WriteShow(dir, kScript);
    const std::string args = "--headless --fixed-fps 25 --data " + dir.path().string();
    ASSERT_EQ(RunProgram(args + " --capture " + (dir.path() / "a").string() + " --frames 50 --log log.txt"), 0)
        << ReadFileText("stderr.txt");
    ASSERT_EQ(RunProgram(args + " --capture " + (dir.path() / "b").string() + " --frames 50"), 0);

    // The log shows the start-up in its order.
    std::string log = ReadFileText("log.txt");
    size_t at = 0;
    for (const char* line : {"----[DEMOSYSTEM INITIALIZING]---", "version 1.1", "   [DEMOKERNEL] Register class: hdrift",
                             "   [DEMOKERNEL] Initializing window: Korvane - Halcyon Drift",
                             "   [DEMOVIDEO] Initializing video", "   [DEMOVIDEO] SetResolution: 512, 384",
                             "open: loading.jpg", "initialize music", "   [DEMOSOUND] Initializing nosound",
                             "initialize Script", "loading playlist", "initialize Effect", "open: picture.jpg",
                             "open: loadingbar.jpg", "Init done"}) {
        size_t next = log.find(std::string(line) + "\r\n", at);
        ASSERT_NE(next, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = next;
    }

    // Both runs wrote the same frames.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator("a")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_GE(names.size(), 50u);
    for (const std::string& n : names) ASSERT_EQ(ReadFileText(fs::path("a") / n), ReadFileText(fs::path("b") / n)) << n;

    // Frame 0 is BLANK; frame 10 (400 ms) shows the picture, both with the
    // black border the presentation draws; at 400 ms the PICTURE command's
    // pause of 250 ms plus five presents is filled with repeats of frame 10.
    std::vector<uint32_t> picture = LoadPicture("picture.jpg").pixels;
    ClearBorder(picture.data());
    EXPECT_EQ(LoadPicture("a/000000.png").pixels, std::vector<uint32_t>(512 * 384, 0));
    EXPECT_EQ(LoadPicture("a/000010.png").pixels, picture);
    EXPECT_EQ(LoadPicture("a/000016.png").pixels, picture);
    // From 1000 ms BLANK and a fade from white: 40 ms later the level is
    // trunc(40 / 1000 * 255) = 10, so black plus (255 - 10).
    std::vector<uint32_t> white(512 * 384, 0x00F5F5F5u);
    ClearBorder(white.data());
    EXPECT_EQ(LoadPicture("a/000026.png").pixels, white);
}

TEST(Show, MissingFilesAndBadOptionsFail) {
    TempDir dir;
    EXPECT_EQ(RunProgram("--headless --data " + dir.path().string()), 1);
    EXPECT_NE(ReadFileText("stderr.txt").find("File not found: loading.jpg"), std::string::npos);
    EXPECT_EQ(RunProgram("--frobnicate"), 2);
    EXPECT_NE(ReadFileText("stderr.txt").find("usage: hdrift"), std::string::npos);
    EXPECT_EQ(RunProgram("--data /nonexistent/dir"), 2);
}

TEST(LoadingScreen, EachStepCopiesItsBlockPresentsAndWaitsASecond) {
    FixedFpsClock clock(25);
    SetClock(&clock);
    std::vector<uint32_t> frame(512 * 384, 0x111111), bar(512 * 384, 0x00ABCDEF);
    LoadingBarStep(3, frame.data(), bar.data());
    EXPECT_EQ(Milliseconds(), 1040u);
    for (int y = 1; y < 383; ++y)
        for (int x = 1; x < 511; ++x) {
            bool inBlock = x >= 134 && x < 182 && y >= 250 && y < 290;
            ASSERT_EQ(frame[y * 512 + x], inBlock ? 0x00ABCDEFu : 0x111111u) << x << "," << y;
        }
    SetClock(nullptr);
}

}  // namespace

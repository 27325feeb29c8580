// The show generator's writers, read back through the program's own readers,
// and the generated show played from its library.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kernel/timeline.h"
#include "pcx_writer.h"
#include "resources/picture.h"
#include "script_writer.h"
#include "test_util.h"

namespace {


TEST(ShowgenPcx, ReadsBackThroughTheProgramsLoader) {
    TempDir dir;
    const int w = 64, h = 9;
    std::vector<uint8_t> indices(w * h);
    Palette palette{};
    for (int i = 0; i < 768; ++i) palette[i] = static_cast<uint8_t>(i * 7);
    // Long runs (over 63), values that need the run prefix (>= 192), and
    // single bytes, ending a row mid-run.
    for (int i = 0; i < w * h; ++i) indices[i] = static_cast<uint8_t>(i < 200 ? 5 : i % 3 == 0 ? 200 + i % 50 : i / 7);
    std::vector<uint8_t> file = EncodePcx8(w, h, indices, palette);
    dir.Write("t.pcx", file);
    sPicture picture = LoadPcx8("t.pcx");
    ASSERT_EQ(picture.width, w);
    ASSERT_EQ(picture.height, h);
    std::vector<uint8_t> expected = indices;
    expected.insert(expected.end(), palette.begin(), palette.end());
    EXPECT_EQ(picture.indexed, expected);
    EXPECT_THROW(EncodePcx8(3, 1, {1, 2, 3}, palette), std::invalid_argument);  // odd width
}

TEST(ShowgenScript, ReadsBackThroughTheProgramsScriptReader) {
    TempDir dir;
    std::vector<sCue> cues = {{2000, "tunnel", 1}, {0, "blank", 1}, {2000, "tunnelflash", 0.24f},
                              {1000, "fadetime", 1234.5f}, {2000, "tunnel", -0.0f}};
    dir.Write("script.txt", WriteScript({"picture.jpg"}, cues));
    cTimeline t;
    t.RegisterVariables();
    t.ReadScript("script.txt");
    ASSERT_EQ(t.loadList.size(), 3u);
    EXPECT_EQ(t.loadList[1], "picture.jpg");
    struct Want {
        uint32_t ms;
        Var v;
        float value;
    } want[] = {{0, Var::BLANK, 1}, {1000, Var::FADETIME, 1234.5f}, {2000, Var::TUNNEL, 1},
                {2000, Var::TUNNELFLASH, 0.24f}, {2000, Var::TUNNEL, -0.0f}};
    ASSERT_EQ(t.events.size(), std::size(want) + 1);
    for (size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(t.events[i].position, want[i].ms) << i;
        EXPECT_EQ(t.events[i].variable, static_cast<int>(want[i].v)) << i;
        EXPECT_EQ(std::memcmp(&t.events[i].value, &want[i].value, 4), 0) << i;  // exact bits, -0 too
    }
}


#if !defined(__SANITIZE_ADDRESS__)
// The whole show is rendered and played here, which takes too long in the
// unoptimised sanitizer build; the writers above are checked there.
TEST(ShowgenShow, IsDeterministicAndPlaysFromItsLibraryToTheEnd) {
    TempDir dir;
    ASSERT_EQ(RunCommand(std::string(SHOWGEN_PATH) + " a").status, 0) << ReadFileText("stderr.txt");
    ASSERT_EQ(RunCommand(std::string(SHOWGEN_PATH) + " b").status, 0);
    for (const auto& e : std::filesystem::directory_iterator("a")) {
        std::string name = e.path().filename().string();
        EXPECT_EQ(ReadFileText(e.path()), ReadFileText(std::filesystem::path("b") / name)) << name;
    }
    // Only the library goes with the program: loose files would hide a file
    // missing from it.
    std::filesystem::create_directory("play");
    std::filesystem::copy_file("a/drift", "play/drift");
    ASSERT_EQ(RunCommand(std::string(HDRIFT_PATH) + " --headless --fixed-fps 5 --data play --log log.txt").status, 0)
        << ReadFileText("stderr.txt");
    std::string log = ReadFileText("play/log.txt");
    EXPECT_EQ(log.find("OpenDosFile"), std::string::npos) << log;
    EXPECT_NE(log.find("Init done"), std::string::npos);
}
#endif

}  // namespace

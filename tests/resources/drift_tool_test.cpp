// drift-tool run as a program: its subcommands, output formats and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "resources/packer.h"
#include "test_util.h"

namespace {

// Runs drift-tool with `arguments` (shell syntax), standard output and
// error going to files "out" and "err"; returns the exit status.
int RunTool(const std::string& arguments) {
    std::string command = std::string("'") + DRIFT_TOOL_PATH + "' " + arguments + " >out 2>err";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class DriftToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(9);
        for (int i = 0; i < 20000; ++i) picture_ += static_cast<char>(rng() % 3 ? 0 : rng());
        dir_.Write("Picture.RAW", picture_);
        std::filesystem::create_directory(dir_.path() / "sub");
        dir_.Write("sub/script.txt", std::string("tunnel 1\ntunnel 0\n"));
        dir_.Write("empty", std::string());
    }

    TempDir dir_;
    std::string picture_;
};

TEST_F(DriftToolTest, PackListExtractUnpackAll) {
    ASSERT_EQ(RunTool("pack lib Picture.RAW sub/script.txt empty"), 0) << Slurp("err");

    ASSERT_EQ(RunTool("list lib"), 0) << Slurp("err");
    std::string list = Slurp("out");
    std::vector<std::string> lines;
    for (size_t at = 0; at < list.size();) {
        size_t end = list.find('\n', at);
        lines.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 3u) << list;
    EXPECT_EQ(lines[0].rfind("Picture.RAW\t20000\t", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("script.txt\t18\t", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "empty\t0\t2");
    // The packed size printed is the block's size.
    size_t packed = std::stoul(lines[0].substr(lines[0].rfind('\t') + 1));
    EXPECT_GT(packed, 0u);
    EXPECT_LT(packed, 20000u);

    EXPECT_EQ(RunTool("extract lib picture.raw copy.raw"), 0) << Slurp("err");
    EXPECT_EQ(Slurp("copy.raw"), picture_);
    EXPECT_EQ(RunTool("extract lib SCRIPT.TXT"), 0) << Slurp("err");
    EXPECT_EQ(Slurp("out"), "tunnel 1\ntunnel 0\n");

    EXPECT_EQ(RunTool("unpack-all lib outdir"), 0) << Slurp("err");
    EXPECT_EQ(Slurp("outdir/Picture.RAW"), picture_);
    EXPECT_EQ(Slurp("outdir/script.txt"), "tunnel 1\ntunnel 0\n");
    EXPECT_TRUE(std::filesystem::exists("outdir/empty"));
    EXPECT_EQ(Slurp("outdir/empty"), "");
}

TEST_F(DriftToolTest, FailuresAndUsage) {
    ASSERT_EQ(RunTool("pack lib Picture.RAW"), 0) << Slurp("err");
    struct Case {
        const char* arguments;
        int status;
        const char* message;  // expected on standard error
    } cases[] = {
        {"", 2, "usage"},
        {"frobnicate lib", 2, "usage"},
        {"pack lib", 2, "usage"},
        {"list", 2, "usage"},
        {"extract lib", 2, "usage"},
        {"unpack-all lib", 2, "usage"},
        {"extract lib nothing.txt", 1, "nothing.txt"},
        {"list missing.lib", 1, "missing.lib"},
        {"pack lib2 Picture.RAW no-such-file", 1, "no-such-file"},
        {"pack lib2 Picture.RAW sub/PICTURE.raw", 1, "duplicate name"},
        {"extract broken Picture.RAW", 1, "Fatal error: Library broken: entry Picture.RAW is corrupt"},
        {"unpack-all evil.lib outdir", 1, "../escaped"},
    };
    dir_.Write("sub/PICTURE.raw", std::string("x"));
    // A library whose entry claims one byte more than its stream holds, and
    // one with a name that would escape the target directory.
    std::string broken = Slurp("lib");
    broken[broken.size() - 140 + 132] = static_cast<char>(broken[broken.size() - 140 + 132] + 1);
    dir_.Write("broken", broken);
    std::string error;
    std::vector<sPackEntry> evil = {{"../escaped", {1, 2, 3}}};
    ASSERT_TRUE(WriteLibrary("evil.lib", evil, &error)) << error;

    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(RunTool(c.arguments), c.status);
        EXPECT_NE(Slurp("err").find(c.message), std::string::npos) << Slurp("err");
    }
    EXPECT_FALSE(std::filesystem::exists("lib2"));
    EXPECT_FALSE(std::filesystem::exists("escaped"));
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "test_util.h"

namespace {

struct RunResult {
    int status;
    std::string out;
};

RunResult RunTool(const std::string& args) {
    std::string command = std::string(DRIFT_TOOL_PATH) + " " + args + " 2>stderr.txt";
    RunResult r{-1, ""};
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(DriftToolScript, PrintsLoadListStartAndEvents) {
    TempDir dir;
    dir.Write("script.txt",
              "; the show\r\n"
              "load\r\n"
              "Picture.JPG\r\n"
              "start\r\n"
              "15000\r\n"
              "demo\r\n"
              "0 Blank 1\r\n"
              "100 tunnelflash 0.24 ; glow\r\n"
              "-1 exit\r\n");
    RunResult r = RunTool("script script.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "load load\n"
              "load picture.jpg\n"
              "start 15000\n"
              "event 0 BLANK 1\n"
              "event 100 TUNNELFLASH 0.239999995\n"
              "event 4294967295 EXIT 0\n");
}

TEST(DriftToolScript, UnknownKeywordFailsWithTheProgramsMessage) {
    TempDir dir;
    dir.Write("bad.txt", "load\ndemo\n0 Tunnle 1\n");
    RunResult r = RunTool("script bad.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    FILE* f = std::fopen("stderr.txt", "r");
    ASSERT_NE(f, nullptr);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    std::fclose(f);
    EXPECT_STREQ(line, "Unknown effect: tunnle\n");
    EXPECT_EQ(RunTool("script missing.txt").status, 1);
}

}  // namespace

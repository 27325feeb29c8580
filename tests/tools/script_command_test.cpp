#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_util.h"

namespace {

sCommandResult RunTool(const std::string& args) { return RunCommand(std::string(DRIFT_TOOL_PATH) + " " + args); }



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
    sCommandResult r = RunTool("script script.txt");
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
    sCommandResult r = RunTool("script bad.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFileText("stderr.txt"), "Unknown effect: tunnle\n");
    EXPECT_EQ(RunTool("script missing.txt").status, 1);
}

}  // namespace

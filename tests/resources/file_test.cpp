#include <gtest/gtest.h>

#include <cstring>

#include "resources/file.h"
#include "test_util.h"

namespace {

TEST(FileAccess, ReadsSeeksAndStopsAtTheEnd) {
    TempDir dir;
    dir.Write("data.bin", "0123456789");
    sFileHandle f = FileOpen("data.bin");
    EXPECT_EQ(f.size, 10);
    EXPECT_EQ(f.open, 1);
    char buf[16] = {};
    EXPECT_EQ(FileRead(f, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    FileSeek(f, 8);
    EXPECT_EQ(FileRead(f, buf, 10), 2);
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(FileRead(f, buf, 10), 0);
    FileSeek(f, 50);  // clamped to the end
    EXPECT_EQ(FileRead(f, buf, 1), 0);
    FileSeek(f, -3);
    EXPECT_EQ(f.position, 0);
    FileClose(f);
    EXPECT_EQ(f.size, -1);
    EXPECT_EQ(f.open, 0);
    EXPECT_EQ(FileRead(f, buf, 1), 0);
}

TEST(FileAccess, ReadLineKeepsLineFeedAndReturnsTheLastUnterminatedLine) {
    TempDir dir;
    dir.Write("lines.txt", "ab\ncd");
    sFileHandle f = FileOpen("lines.txt");
    char line[8];
    EXPECT_EQ(FileReadLine(f, line, sizeof line), 3);
    EXPECT_STREQ(line, "ab\n");
    EXPECT_EQ(FileReadLine(f, line, sizeof line), 2);
    EXPECT_STREQ(line, "cd");
    EXPECT_EQ(FileReadLine(f, line, sizeof line), 0);
    EXPECT_STREQ(line, "");
}

TEST(FileAccess, OverlongLineIsCutButConsumed) {
    TempDir dir;
    dir.Write("long.txt", "abcdefghij\nz\n");
    sFileHandle f = FileOpen("long.txt");
    char line[5];
    EXPECT_EQ(FileReadLine(f, line, sizeof line), 11);
    EXPECT_STREQ(line, "abcd");
    EXPECT_EQ(FileReadLine(f, line, sizeof line), 2);
    EXPECT_STREQ(line, "z\n");
}

TEST(FileAccess, EmptyFileOpensAndMissingFileIsFatal) {
    TempDir dir;
    dir.Write("empty", "");
    sFileHandle f = OpenDosFile("empty");
    EXPECT_EQ(f.size, 0);
    EXPECT_EQ(f.open, 1);
    ExpectFatal([] { FileOpen("nothing.here"); }, "File not found: nothing.here");
    ExpectFatal([] { OpenDosFile("."); }, ".");  // a directory is not a readable file
}

}  // namespace

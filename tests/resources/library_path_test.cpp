#include <gtest/gtest.h>

#include "resources/file.h"
#include "resources/library.h"
#include "resources/packer.h"
#include "test_util.h"

namespace {

// A path into the working directory finds the library entry of the bare
// name, without regard to case, before the disk file of the same name.
TEST(LibraryPath, DotSlashNamesTheWorkingDirectorysEntry) {
    TempDir dir;
    std::vector<sPackEntry> entries{{"Brick.jpg", {'l', 'i', 'b'}}};
    std::string error;
    ASSERT_TRUE(WriteLibrary("drift", entries, &error)) << error;
    dir.Write("brick.jpg", std::string("disk"));
    dir.Write("only-disk.txt", std::string("disk only"));
    OpenLibrary("drift", 0);
    EXPECT_EQ(FileOpen("./brick.JPG").data, (std::vector<uint8_t>{'l', 'i', 'b'}));
    EXPECT_EQ(FileOpen("././BRICK.jpg").data, (std::vector<uint8_t>{'l', 'i', 'b'}));
    EXPECT_EQ(FileOpen("./only-disk.txt").size, 9);
    // Only the leading "./" is dropped: other paths still go to the disk.
    ExpectFatal([] { FileOpen("sub/brick.jpg"); }, "File not found: sub/brick.jpg");
    ExpectFatal([] { FileOpen(".brick.jpg"); }, "File not found: .brick.jpg");
    CloseLibrary();
    EXPECT_EQ(FileOpen("./brick.jpg").data, (std::vector<uint8_t>{'d', 'i', 's', 'k'}));
}

}  // namespace

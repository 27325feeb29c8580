// Golden frames for the band effects' tests: a frame's FNV-1a 64 hash
// checked against a table in the test. On a mismatch the frame is written
// as a PNG into the directory the tests were started from and its path
// printed; with HDRIFT_WRITE_GOLDEN set every checked frame is written, to
// look at before a new hash goes into a table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/packer.h"
#include "test_util.h"

uint64_t FrameHash(const uint32_t* pixels, size_t count);

// Checks the 512 x 384 frame's hash; `name` labels the PNG and the message.
void ExpectFrameHash(const std::string& name, const uint32_t* frame, uint64_t expected);

// Writes generated show files into the directory.
void WriteFiles(const TempDir& dir, const std::vector<sPackEntry>& files);

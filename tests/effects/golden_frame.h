// Helpers for the effects' frame tests: golden hashes of whole frames, the
// show's generated files written where the effect looks for them, and a
// fresh run of the test program for effects whose first frame in a run
// differs from every later one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "resources/packer.h"
#include "test_util.h"

namespace golden {

uint64_t Fnv1a64(const void* data, size_t bytes);

// Checks the FNV-1a 64 hash of a 512 x 384 frame. On a mismatch the frame is
// written as <name>.png into the directory the tests were started from and
// the path is printed; with HDRIFT_WRITE_GOLDEN set in the environment every
// checked frame is written, to look at before its hash goes into a table.
void ExpectFrame(const std::string& name, const uint32_t* frame, uint64_t expected);

void WriteFiles(const TempDir& dir, const std::vector<sPackEntry>& files);

// Runs `body` in a new run of the test program that executes only the
// current test (gtest's "threadsafe" death-test style re-executes the
// binary), so module state that lives for a whole run starts afresh. Call it
// first in a test: the new run repeats the test up to this call. The test
// fails if `body` records a failure there.
void InFreshRun(const std::function<void()>& body);

}  // namespace golden

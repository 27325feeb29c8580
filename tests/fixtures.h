// Test fixtures made in memory: encoded pictures and music.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/jpeg_writer.h"

using Bytes = std::vector<uint8_t>;

// A chirp (left rising from 200 Hz, right a fixed 660 Hz) of `frames` sample
// frames at `rate`, encoded by LAME with its tag frame written over the first
// frame, so a decoder knows the exact encoder delay and padding.
Bytes EncodeMp3(int rate, int channels, int frames);

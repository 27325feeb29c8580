// Test fixtures made in memory: encoded pictures and music.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A baseline (or progressive) JPEG of `components` (1 grey or 3 RGB) samples
// per pixel, rows top to bottom, without chroma subsampling.
Bytes EncodeJpeg(int width, int height, int components, const Bytes& samples, int quality,
                 bool progressive = false);
// A JPEG of 0x00RRGGBB words.
Bytes EncodeJpegWords(int width, int height, const std::vector<uint32_t>& pixels, int quality);

// A chirp (left rising from 200 Hz, right a fixed 660 Hz) of `frames` sample
// frames at `rate`, encoded by LAME with its tag frame written over the first
// frame, so a decoder knows the exact encoder delay and padding.
Bytes EncodeMp3(int rate, int channels, int frames);

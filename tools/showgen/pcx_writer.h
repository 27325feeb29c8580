// 8-bit PCX files: a 128-byte header, run-length coded index rows, the
// marker byte 12 and a 768-byte palette.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

using Palette = std::array<uint8_t, 768>;  // 256 x red, green, blue

// Encodes width x height index bytes (rows top to bottom). Runs never cross
// a row end, so the file reads the same whether a reader keeps rows apart or
// not. The width must be even: the format pads rows to an even byte count
// and readers that ignore the padding field rely on there being none.
std::vector<uint8_t> EncodePcx8(int width, int height, const std::vector<uint8_t>& indices, const Palette& palette);

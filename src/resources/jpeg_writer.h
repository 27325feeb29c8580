// Encodes pictures as JPEG files in memory (the show generator and tests).
#pragma once

#include <cstdint>
#include <vector>

// `components` samples per pixel (1 grey, 3 RGB), rows top to bottom; no
// chroma subsampling, so colours stay close to the source.
std::vector<uint8_t> EncodeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples,
                                int quality, bool progressive = false);
// A JPEG of 0x00RRGGBB words.
std::vector<uint8_t> EncodeJpegWords(int width, int height, const std::vector<uint32_t>& pixels, int quality);

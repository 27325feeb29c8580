// Encodes 32-bit pictures as 8-bit RGB PNG files (captures, previews, the
// show generator).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// width x height 0x00RRGGBB pixels, rows top to bottom, into PNG bytes.
// `level` is zlib's compression level (fast 1 .. small 9). Returns false
// only if libpng fails.
bool EncodePng(const uint32_t* pixels, int width, int height, int level, std::vector<uint8_t>* out);

// Writes such a picture to a file (a fast compression level). Returns false
// with a reason when the file cannot be written.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string* error);

// Writes 32-bit pictures as 8-bit RGB PNG files (captures, previews, tools).
#pragma once

#include <cstdint>
#include <string>

// Writes width x height 0x00RRGGBB pixels, rows top to bottom. Returns false
// with a reason when the file cannot be written.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string* error);

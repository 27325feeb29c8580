// Private helpers shared by the picture decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Ends the program unless 1 <= width, height <= kMaxPictureSide. `who` is the
// routine name that prefixes the message, `name` the file.
void CheckPictureSize(const char* who, const char* name, int64_t width, int64_t height);

// Ends the program unless `pixels` holds width x height words: the decode
// pass of a file that grew since its query pass.
void CheckPictureBuffer(const char* who, const char* name, std::span<uint32_t> pixels,
                        int32_t width, int32_t height);

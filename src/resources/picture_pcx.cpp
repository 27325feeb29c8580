// 8-bit PCX pictures: run-length index bytes and the palette after them.
//
// File layout used here (little-endian):
//   0..127   header; only xmin (offset 4), ymin (6), xmax (8), ymax (10) are
//            read, as signed 16-bit values. Every scan line is taken to be
//            exactly width bytes: the bytes-per-line field is ignored, and
//            runs continue across line ends.
//   128..    run-length data: a byte b < 192 is one pixel b; b >= 192 is a
//            run of (b & 63) pixels of the value in the next byte.
//   then     the marker byte 12 and 768 palette bytes (R, G, B x 256).
#include "resources/picture.h"

#include <cstring>

#include "kernel/services.h"
#include "resources/file.h"
#include "resources/picture_p.h"

namespace {

constexpr int32_t kPcxHeaderBytes = 128;
constexpr uint8_t kPcxPaletteMarker = 12;

// A run starting at the last pixel writes up to 62 bytes past it. They land
// in the palette's place, which the palette copy then overwrites.
constexpr int32_t kMaxRun = 63;
static_assert(kMaxRun - 1 <= kPaletteBytes, "run overshoot must stay inside the palette bytes");

int32_t ReadS16(const std::vector<uint8_t>& data, size_t offset) {
    return static_cast<int16_t>(data[offset] | (data[offset + 1] << 8));
}

}  // namespace

sPicture LoadPcx8(const char* name) {
    Log("   [DEMOGFX] Loading 8bit pcx: %s", name);
    sFileHandle file = FileOpen(name);
    const std::vector<uint8_t>& data = file.data;
    const size_t size = data.size();

    if (size < kPcxHeaderBytes) {
        FileClose(file);
        FatalError("LoadPcx8: %s is too short for a PCX header (%zu bytes)", name, size);
    }
    int32_t width = ReadS16(data, 8) - ReadS16(data, 4) + 1;
    int32_t height = ReadS16(data, 10) - ReadS16(data, 6) + 1;
    CheckPictureSize("LoadPcx8", name, width, height);
    const int32_t count = width * height;

    sPicture picture;
    picture.width = width;
    picture.height = height;
    picture.bits = 8;
    picture.indexed.assign(static_cast<size_t>(count) + kPaletteBytes, 0);
    uint8_t* out = picture.indexed.data();

    size_t pos = kPcxHeaderBytes;
    int32_t produced = 0;
    while (produced < count) {
        if (pos >= size) break;
        uint8_t b = data[pos++];
        if (b < 192) {
            out[produced++] = b;
            continue;
        }
        if (pos >= size) break;
        uint8_t value = data[pos++];
        int32_t run = b & 63;
        std::memset(out + produced, value, static_cast<size_t>(run));
        produced += run;
    }
    if (produced < count) {
        FileClose(file);
        FatalError("LoadPcx8: %s ends after %d of its %d pixels", name, produced, count);
    }
    if (pos >= size) {
        FileClose(file);
        FatalError("LoadPcx8: %s ends before its palette", name);
    }
    // The position reported is the offset of the byte that should be 12.
    if (data[pos] != kPcxPaletteMarker) {
        FileClose(file);
        FatalError("invalid pcx %d %d", static_cast<int>(pos), produced);
    }
    ++pos;
    if (size - pos < static_cast<size_t>(kPaletteBytes)) {
        FileClose(file);
        FatalError("LoadPcx8: %s ends inside its palette (%zu of 768 bytes)", name, size - pos);
    }
    std::memcpy(out + count, data.data() + pos, kPaletteBytes);
    FileClose(file);
    return picture;
}

void Pcx8To32(std::span<uint32_t> destination, std::span<const uint8_t> picture8, int32_t count) {
    if (count < 0 || destination.size() < static_cast<size_t>(count) ||
        picture8.size() < static_cast<size_t>(count) + kPaletteBytes)
        FatalError("Pcx8To32: %d pixels do not fit %zu words from %zu bytes", count,
                   destination.size(), picture8.size());
    const uint8_t* palette = picture8.data() + count;
    uint32_t table[256];
    for (int i = 0; i < 256; ++i, palette += 3)
        table[i] = (uint32_t{palette[0]} << 16) | (uint32_t{palette[1]} << 8) | uint32_t{palette[2]};
    for (int32_t k = 0; k < count; ++k) destination[k] = table[picture8[k]];
}

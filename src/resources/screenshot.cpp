// Screenshot writer.
//
// TGA layout written (little-endian):
//   0   id length 0        1   no colour map      2   type 2 (true colour)
//   3   colour map fields, 5 zero bytes
//   8   x origin 0 (2)     10  y origin 0 (2)
//   12  width 512 (2)      14  height 384 (2)
//   16  24 bits per pixel  17  descriptor 0x20: origin top left, no alpha
//   18  384 rows top to bottom, each 512 pixels of blue, green, red
#include "resources/screenshot.h"

#include <cstdio>
#include <vector>

#include "kernel/mainloop.h"
#include "kernel/services.h"

namespace {

constexpr int kShotWidth = 512;
constexpr int kShotHeight = 384;
static_assert(kShotWidth == kFrameWidth && kShotHeight == kFrameHeight);
constexpr size_t kShotBytes = size_t{kShotWidth} * kShotHeight * 3;  // 0x90000
constexpr size_t kHeaderBytes = 18;

uint32_t g_screenshotCounter = 0;

}  // namespace

void ResetScreenshotCounter() { g_screenshotCounter = 0; }

void SaveScreenshot(const uint32_t* frame) {
    ++g_screenshotCounter;
    char name[16];
    std::snprintf(name, sizeof name, "%u.tga", g_screenshotCounter);

    Log("saving tga: $%s", name);
    std::vector<uint8_t> pixels(kShotBytes);

    Log("creating file");
    std::FILE* out = std::fopen(name, "wb");
    if (!out) FatalError("error creating file");

    Log("copy");
    // Word arithmetic rather than the words' first three bytes, so the
    // blue, green, red order holds on any byte order.
    uint8_t* p = pixels.data();
    for (int i = 0; i < kShotWidth * kShotHeight; ++i) {
        uint32_t c = frame[i];
        *p++ = static_cast<uint8_t>(c);
        *p++ = static_cast<uint8_t>(c >> 8);
        *p++ = static_cast<uint8_t>(c >> 16);
    }

    Log("write file");
    const uint8_t header[kHeaderBytes] = {
        0, 0, 2,                                  // id length, colour map type, image type
        0, 0, 0, 0, 0,                            // colour map fields
        0, 0, 0, 0,                               // x and y origin
        kShotWidth & 0xFF, kShotWidth >> 8,       // width
        kShotHeight & 0xFF, kShotHeight >> 8,     // height
        24, 0x20,                                 // bits per pixel, descriptor
    };
    bool written = std::fwrite(header, 1, kHeaderBytes, out) == kHeaderBytes &&
                   std::fwrite(pixels.data(), 1, kShotBytes, out) == kShotBytes;

    Log("close file");
    // A full disk may only show when the buffered bytes are flushed.
    written = (std::fclose(out) == 0) && written;
    if (!written) FatalError("error writing file %s", name);
    Log("free");
    pixels = {};
    Log("done");
}

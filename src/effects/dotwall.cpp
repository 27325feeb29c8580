// Dot wall. The dots are drawn white on black into the work buffer from a
// table of 64 sprite sizes, then subtracted from the white field, which
// leaves black dots on white.
#include "effects/dotwall.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "effects/framebuffer.h"
#include "kernel/services.h"
#include "video/video.h"

namespace {

constexpr int kWidth = 512;
constexpr int kFieldTop = 64, kFieldRows = 256;
constexpr int kGridRows = 16, kGridColumns = 32;
constexpr int kSprite = 16;  // sprites are 16 x 16 pixels
constexpr int kSprites = 64;

using sDotTable = uint32_t[kSprites][kSprite][kSprite];
std::unique_ptr<sDotTable[]> g_dots;  // one table; released by the stop hook

// Sprite number (0..63) of one grid cell. The clock is read anew for every
// cell; t x row and t x column wrap modulo 2^32 as unsigned products.
int DotSize(int row, int column) {
    const uint32_t t = Milliseconds();
    const uint32_t a = t * static_cast<uint32_t>(row);
    const uint32_t b = t * static_cast<uint32_t>(column);
    double v = 0.25 * std::sin(a * 0.00033333333) + 0.5 + 0.5 + 0.25 * std::cos(b * 0.00033333333);
    // Only the fraction counts: a size that reaches 1.0 drops to 0, so the
    // dots grow to full size and vanish at once.
    v -= std::floor(v);
    return static_cast<int>(v * 64.0);
}

}  // namespace

void DotwallInit() {
    g_dots.reset(new sDotTable[1]);
    sDotTable& dots = g_dots[0];
    // Sprite s: white at the centre falling linearly to black at radius s / 8
    // pixels and black beyond; sprite 0 is all black.
    for (int s = 0; s < kSprites; ++s)
        for (int y = 0; y < kSprite; ++y)
            for (int x = 0; x < kSprite; ++x) {
                const double d = std::sqrt(double((x - 8) * (x - 8) + (y - 8) * (y - 8)));
                double l = s > 0 ? d / (s * 0.125) : 1.0;
                if (l > 1.0) l = 1.0;
                const uint32_t u = static_cast<uint32_t>(l * 255.0);
                dots[s][y][x] = 0xFFFFFF - u * 0x010101;
            }
}

void DotwallRender(uint32_t* frame) {
    if (!g_dots) return;
    const sDotTable& dots = g_dots[0];
    // Black above and below the field, whatever was drawn there before.
    FillBuffer(frame, 0, kFieldTop * kWidth);
    FillBuffer(frame + (kFieldTop + kFieldRows) * kWidth, 0, (384 - kFieldTop - kFieldRows) * kWidth);
    uint32_t* field = frame + kFieldTop * kWidth;
    FillBuffer(field, 0xFFFFFF, kFieldRows * kWidth);

    uint32_t* work = WorkBuffer();
    for (int i = 0; i < kGridRows; ++i)
        for (int j = 0; j < kGridColumns; ++j) {
            const auto& sprite = dots[DotSize(i, j)];
            for (int y = 0; y < kSprite; ++y)
                std::memcpy(work + (kSprite * i + y) * kWidth + kSprite * j, sprite[y], sizeof sprite[y]);
        }
    SubBuffer(field, work, kFieldRows * kWidth);
}

void DotwallStop() { g_dots.reset(); }

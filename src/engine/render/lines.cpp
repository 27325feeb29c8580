// The line colour table and the anti-aliased line.
#include "engine/render/lines.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "engine/render/render_state.h"

uint32_t g_lineColors[256];

namespace {

uint32_t ChannelByte(float factor, int k) {
    const float value = factor * static_cast<float>(k);
    if (value >= 255.0f) return 255;
    if (!(value > 0.0f)) return 0;
    return static_cast<uint32_t>(value);
}

// Saturating add of a table entry: with the pixel's low bits cleared, a
// channel sum past 255 carries into the lowest bit of the channel above
// (which is 0 in both operands). q - (q >> 8) turns each such carry into
// 0xFF across the channel it came from. The carry out of red stays in the
// top byte.
uint32_t AddEntry(uint32_t entry, uint32_t pixel) {
    const uint32_t s = entry + (pixel & 0x00FEFEFEu);
    const uint32_t q = s & 0x01010100u;
    return s | (q - (q >> 8));
}

int32_t Truncate(double value) {
    if (!(value == value)) return 0;
    if (value > 1.0e9) return 1000000000;
    if (value < -1.0e9) return -1000000000;
    return static_cast<int32_t>(value);
}

}  // namespace

void SetLineColor(float f0, float f1, float f2) {
    for (int k = 0; k < 256; ++k)
        g_lineColors[k] =
            ((ChannelByte(f2, k) << 16) + (ChannelByte(f1, k) << 8) + ChannelByte(f0, k)) & 0x00FEFEFEu;
}

void DrawLine(float x0, float y0, float x1, float y1, uint32_t* target) {
    const int32_t width = g_targetWidth, height = g_targetHeight;
    if (width < 3 || height < 3) return;  // no window to draw in
    const double right = width - 2, bottom = height - 2;
    double ax = x0, ay = y0, bx = x1, by = y1;

    // Horizontal clip to columns 1..width-2 along the line y = x m + r.
    {
        const bool aLeft = ax < 1.0, bLeft = bx < 1.0, aRight = ax > right, bRight = bx > right;
        if ((aLeft && bLeft) || (aRight && bRight)) return;
        if (aLeft || bLeft || aRight || bRight) {
            const double m = (by - ay) / (bx - ax), r = ay - ax * m;
            ax = std::fmin(std::fmax(ax, 1.0), right);
            bx = std::fmin(std::fmax(bx, 1.0), right);
            ay = ax * m + r;
            by = bx * m + r;
        }
    }
    // Vertical clip to rows 1..height-2 along x = y m' + r'.
    {
        const bool aAbove = ay < 1.0, bAbove = by < 1.0, aBelow = ay > bottom, bBelow = by > bottom;
        if ((aAbove && bAbove) || (aBelow && bBelow)) return;
        if (aAbove || bAbove || aBelow || bBelow) {
            const double m = (bx - ax) / (by - ay), r = ax - ay * m;
            ay = std::fmin(std::fmax(ay, 1.0), bottom);
            by = std::fmin(std::fmax(by, 1.0), bottom);
            ax = std::fmin(std::fmax(ay * m + r, 1.0), right);
            bx = std::fmin(std::fmax(by * m + r, 1.0), right);
        }
    }
    if (!(ax == ax && ay == ay && bx == bx && by == by)) return;

    // Mirror so that both coordinates grow along the line; the negative
    // steps then walk the true pixels, since position p in a mirrored axis
    // is pixel |p| and p * (negative step) is its true offset.
    intptr_t xStep = 1, yStep = width;
    if (bx - ax <= 0) {
        ax = -ax;
        bx = -bx;
        xStep = -1;
    }
    if (by - ay <= 0) {
        ay = -ay;
        by = -by;
        yStep = -width;
    }
    double majorStart = ax, majorEnd = bx, minorStart = ay, minorEnd = by;
    intptr_t majorStep = xStep, minorStep = yStep;
    int32_t majorLimit = width, minorLimit = height;
    if (std::fabs(by - ay) > std::fabs(bx - ax)) {
        std::swap(majorStart, minorStart);
        std::swap(majorEnd, minorEnd);
        std::swap(majorStep, minorStep);
        std::swap(majorLimit, minorLimit);
    }

    const double majorDiff = std::fabs(majorEnd - majorStart);
    const double g = majorDiff == 0.0 ? 0.0 : std::fabs(minorEnd - minorStart) / majorDiff;
    const double scaledStep = g * 4294967296.0;
    const uint32_t step = scaledStep >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(scaledStep);

    int32_t s = Truncate(majorStart);
    const int32_t e = Truncate(majorEnd);
    int32_t n = std::abs(e - s);
    double a = 0;
    int32_t m = 0;
    auto minorAt = [&] {
        a = (s - majorStart) * g + minorStart;
        m = Truncate(a);
        if (m < 0) m -= 1;
    };
    minorAt();
    while (std::abs(m) < 1 || std::abs(m) > minorLimit - 2) {
        ++s;
        --n;
        if (n < 0) return;
        minorAt();
    }

    // The minor coordinate's fraction as a 32-bit accumulator: its top byte
    // is the coverage of the pixel one minor step on, and a carry out of
    // bit 31 means the line has crossed into the next minor position.
    uint32_t accumulator = static_cast<uint32_t>(static_cast<int64_t>(std::fmod(a, 1.0) * 4294967296.0));
    int32_t major = s;
    const int32_t majorSign = majorStep > 0 ? 1 : -1, minorSign = minorStep > 0 ? 1 : -1;
    for (int32_t i = 0; i <= n; ++i) {
        // The clip keeps every position inside; the check makes sure that
        // rounding at the clipped ends can never reach outside the target.
        const int32_t column = major * majorSign, row = m * minorSign, beyond = (m + 1) * minorSign;
        const bool inside = column >= 0 && column < majorLimit && row >= 0 && row < minorLimit && beyond >= 0 &&
                            beyond < minorLimit;
        if (inside) {
            uint32_t* pixel = target + major * majorStep + m * minorStep;
            const uint32_t k = accumulator >> 24;
            pixel[minorStep] = AddEntry(g_lineColors[k], pixel[minorStep]);
            pixel[0] = AddEntry(g_lineColors[255 - k], pixel[0]);
        }
        const uint32_t before = accumulator;
        accumulator += step;
        if (accumulator < before) ++m;
        ++major;
    }
}

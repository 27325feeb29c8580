// The interference tunnel: table construction, the plain reference passes
// and the per-frame render.
#include "effects/tunnel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/sized_picture.h"
#include "effects/truncate_p.h"
#include "effects/tunnel_p.h"
#include "kernel/services.h"

namespace tunnel_detail {

uint32_t TableEntry(int i, int j) {
    const int x = i - kTableWidth / 2;
    const int y = j - kTableHeight / 2;
    // 65536 / (2 pi): atan2's -pi..pi becomes -32768..32768, and the mask
    // folds negative angles into the upper half of the turn.
    const uint32_t angle = static_cast<uint32_t>(static_cast<int32_t>(std::atan2(y, x) * 10430.378349108529)) & 0xFFFF;
    // The largest distance, about 549.7, times 256 overflows 16 bits; the
    // mask wraps it like the rest of the lane arithmetic.
    const double distance = std::sqrt(static_cast<double>(x * x + y * y));
    const uint32_t radius = static_cast<uint32_t>((distance + 1.0) * 256.0) & 0xFFFF;
    return angle << 16 | radius;
}

sLayerWindows WindowsForPhase(float phase) {
    const double a = phase;
    sLayerWindows w;
    w.x[0] = static_cast<int>(246.0 * std::sin(a) + 256.0);
    w.y[0] = static_cast<int>(90.0 * std::cos(0.7 * a) + 100.0);
    w.x[1] = static_cast<int>(246.0 * std::cos(0.6357 * a) + 256.0);
    w.y[1] = static_cast<int>(90.0 * std::cos(1.1 * a) + 100.0);
    w.x[2] = static_cast<int>(246.0 * std::sin(0.3847 * a) + 256.0);
    w.y[2] = static_cast<int>(90.0 * std::sin(0.451 * a) + 100.0);
    return w;
}

void TunnelPassReference(uint32_t* band, const uint32_t* table, const uint32_t* texture,
                         const sLayerWindows& windows, uint32_t shift) {
    for (int r = 0; r < kBandHeight; ++r) {
        const uint32_t* rows[3];
        for (int k = 0; k < 3; ++k) rows[k] = table + (windows.y[k] + r) * kTableWidth + windows.x[k];
        for (int q = 0; q < kBandWidth; ++q) {
            uint32_t lo = shift, hi = 0;
            for (const uint32_t* row : rows) {
                lo += row[q] & 0xFFFF;
                hi += row[q] >> 16;
            }
            const uint32_t u = (lo & 0xFFFF) >> 8;  // along the depth
            const uint32_t v = (hi & 0xFFFF) >> 8;  // around the tunnel
            band[r * kBandWidth + q] = texture[v * 256 + u];
        }
    }
}

namespace {

// Finds scale and fraction with min(127, scale * i + (i * fraction >> 16))
// equal to t[i] for every i. A table of truncated products trunc(i * x)
// fixes x to the interval [max t[i] / i, min (t[i] + 1) / i); two distinct
// fractions with denominators up to 127 lie at least 1/127^2 apart, more
// than the 1/65536 step, so the interval's lower end rounded up to that
// step lands inside it. Clamped entries only bound x from below (127 / i).
// The result is checked against every entry all the same.
bool FitLinear(const uint8_t* t, uint16_t& scale, uint16_t& fraction) {
    int num = 0, den = 1;  // the lower end, num / den
    for (int i = 1; i < 128; ++i) {
        if (t[i] * den > num * i) num = t[i], den = i;
    }
    int whole = num / den;
    int64_t part = ((int64_t{num} - int64_t{whole} * den) * 65536 + den - 1) / den;
    if (part == 65536) ++whole, part = 0;
    if (whole > 127) whole = 127, part = 0;
    scale = static_cast<uint16_t>(whole);
    fraction = static_cast<uint16_t>(part);
    for (int i = 0; i < 128; ++i) {
        const int v = std::min(127, whole * i + static_cast<int>((i * part) >> 16));
        if (v != t[i]) return false;
    }
    return true;
}

// trunc(v) clamped to 0..127; clamping before the conversion keeps huge
// flashes at 127 rather than letting them wrap, and NaN gives 0.
uint8_t TruncClamped(double v) { return v > 0.0 ? static_cast<uint8_t>(v < 127.0 ? v : 127.0) : 0; }

}  // namespace

void BuildGlowTable(float flash, sGlowTable& table) {
    // i * flash is exact in double (a float times a 7-bit integer), so
    // the truncation cannot be tipped by rounding; 1.1 - flash is rounded
    // once to double first, and i times it once more.
    const double own = flash;
    const double propagated = 1.1 - own;
    for (int i = 0; i < 128; ++i) {
        table.own[i] = TruncClamped(i * own);
        table.propagated[i] = TruncClamped(i * propagated);
    }
    table.linear = FitLinear(table.own, table.ownScale, table.ownFraction) &&
                   FitLinear(table.propagated, table.propagatedScale, table.propagatedFraction);
}

namespace {

inline uint32_t Byte(uint32_t pixel, int i) { return (pixel >> (8 * i)) & 0xFF; }

inline int Saturate16(int v) { return std::clamp(v, -32768, 32767); }

// One channel of the bilinear sample, as the 16-bit lane arithmetic does
// it: channels held as value * 256, differences brought back to plain
// values (>> 8, flooring) before they are multiplied by the 8-bit
// fraction, sums saturated to int16 (never reached for values up to 127).
// The final >> 8 floors too, so a result just below zero gives -1 and is
// then clamped to 0.
inline int SampleChannel(int a, int b, int c, int d, int fx, int fy) {
    const int top = Saturate16((a << 8) + (((b << 8) - (a << 8)) >> 8) * fx);
    const int bottom = Saturate16((c << 8) + (((d << 8) - (c << 8)) >> 8) * fx);
    const int s = Saturate16(top + ((bottom - top) >> 8) * fy);
    return std::clamp(s >> 8, 0, 255);
}

struct sSweep {
    int x0, y0;      // start pixel
    int xEnd, yEnd;  // first column and row past the sweep
    int dx, dy;
};

// Outward from the centre, each row fully before the next. Column 0 is
// in no sweep.
constexpr sSweep kSweeps[4] = {
    {kGlowCentreX - 1, kGlowCentreY - 1, 0, -1, -1, -1},                  // upper left
    {kGlowCentreX, kGlowCentreY - 1, kBandWidth, -1, 1, -1},              // upper right
    {kGlowCentreX - 1, kGlowCentreY, 0, kBandHeight, -1, 1},              // lower left
    {kGlowCentreX, kGlowCentreY, kBandWidth, kBandHeight, 1, 1},          // lower right
};

}  // namespace

void GlowReference(uint32_t* band, int zoom, const sGlowTable& table) {
    constexpr int kPixels = kBandWidth * kBandHeight;
    for (int i = 0; i < kPixels; ++i) band[i] = (band[i] >> 1) & 0x7F7F7F7F;

    for (const sSweep& s : kSweeps) {
        for (int y = s.y0; y != s.yEnd; y += s.dy) {
            // 8.8 sample position, pulled toward the start pixel by zoom/256.
            const int sy = s.y0 * 256 + (y - s.y0) * zoom;
            const int iy = sy >> 8, fy = sy & 255;
            const uint32_t* top = band + iy * kBandWidth;
            // A tap of zero weight cannot change the sample and is not read:
            // at zoom 256 it would lie one row or column past the band.
            const uint32_t* bottom = fy ? top + kBandWidth : top;
            uint32_t* row = band + y * kBandWidth;
            for (int x = s.x0; x != s.xEnd; x += s.dx) {
                const int sx = s.x0 * 256 + (x - s.x0) * zoom;
                const int ix = sx >> 8, fx = sx & 255;
                const int ix1 = fx ? ix + 1 : ix;
                const uint32_t p00 = top[ix], p10 = top[ix1], p01 = bottom[ix], p11 = bottom[ix1];
                const uint32_t current = row[x];
                uint32_t result = current & 0xFF000000;
                for (int c = 0; c < 3; ++c) {
                    // Every band byte is at most 127 here (halved, or
                    // rewritten by the mix), so is the sample: both index
                    // the 128-entry tables.
                    const int sample =
                        SampleChannel(Byte(p00, c), Byte(p10, c), Byte(p01, c), Byte(p11, c), fx, fy);
                    result |= MixChannel(table, Byte(current, c), static_cast<uint32_t>(sample)) << (8 * c);
                }
                row[x] = result;
            }
        }
    }

    // Every byte is at most 127, so doubling cannot carry between bytes.
    for (int i = 0; i < kPixels; ++i) band[i] = (band[i] & 0x7F7F7F7F) << 1;
}

}  // namespace tunnel_detail

using namespace tunnel_detail;

namespace {

struct cTunnel {
    std::vector<uint32_t> table;    // kTableWidth x kTableHeight entries
    std::vector<uint32_t> texture;  // 256 x 256, then its first two rows again
    float phase = 0.0f;
    uint32_t shift = 0;  // only the low 16 bits are ever set
};

struct cZoomGlow {
    sGlowTable table;
};

std::unique_ptr<cTunnel> g_tunnel;
std::unique_ptr<cZoomGlow> g_glow;
// The first frame of a run clears the whole frame; a later switch-on after
// the stop hook does not.
bool g_firstFrameDrawn = false;

bool UseSse2() { return ActiveSimdPath() != SimdPath::Reference; }

auto GlowForPath() {
    switch (ActiveSimdPath()) {
    case SimdPath::Avx2: return GlowAvx2;
    case SimdPath::Sse2: return GlowSse2;
    default: return GlowReference;
    }
}

}  // namespace

void tunnel_detail::ForgetFirstFrame() { g_firstFrameDrawn = false; }

void TunnelInit() {
    auto tunnel = std::make_unique<cTunnel>();
    tunnel->texture = LoadSizedPicture("tunnel.jpg", 256, 256);
    // The copy of the first two rows lets a reader run past the last texel.
    tunnel->texture.insert(tunnel->texture.end(), tunnel->texture.begin(), tunnel->texture.begin() + 512);
    tunnel->table.resize(static_cast<size_t>(kTableWidth) * kTableHeight);
    for (int j = 0; j < kTableHeight; ++j)
        for (int i = 0; i < kTableWidth; ++i) tunnel->table[j * kTableWidth + i] = TableEntry(i, j);
    g_tunnel = std::move(tunnel);
    g_glow = std::make_unique<cZoomGlow>();
}

void TunnelRender(uint32_t* frame) {
    if (!g_tunnel) return;
    if (!g_firstFrameDrawn) {
        FillBuffer(frame, 0, 512 * 384);
        g_firstFrameDrawn = true;
    }
    // Outside 0..256 the glow's samples would leave the band.
    const int zoom = std::clamp(TruncToInt32(tunnel::zoom), 0, 256);
    const float flash = tunnel::flash;
    uint32_t* band = frame + kBandTop * kBandWidth;
    const bool sse2 = UseSse2();

    cTunnel& t = *g_tunnel;
    const sLayerWindows windows = WindowsForPhase(t.phase);
    (sse2 ? TunnelPassSse2 : TunnelPassReference)(band, t.table.data(), t.texture.data(), windows, t.shift);
    // The motion follows the raw clock, read after the pass: the next frame
    // draws with this frame's time.
    const uint32_t now = Milliseconds();
    t.shift = now & 0xFFFF;
    t.phase = static_cast<float>(now * 0.001272264631043257);  // now / 786

    BuildGlowTable(flash, g_glow->table);
    GlowForPath()(band, zoom, g_glow->table);
}

void TunnelStop() {
    g_tunnel.reset();
    g_glow.reset();
}

// The zoom tunnel: polar table, zoom arithmetic, the reference band pass
// and the per-frame render.
#include "effects/zoomer.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/sized_picture.h"
#include "effects/truncate_p.h"
#include "effects/zoomer_p.h"
#include "kernel/services.h"

namespace zoomer_detail {

int32_t PolarEntry(int i, int j) {
    // Single precision throughout: the sum depth * 256 + angle rounds to
    // 1/256 near the top depths, which decides some truncations.
    const float x = static_cast<float>(j - 256);
    float y = static_cast<float>(i - 128);
    const float distance = std::sqrt(x * x + y * y);
    if (y == 0.0f) y = 1e-9f;  // keeps the centre row's angle off 0/0
    // 128/pi units per radian; atan covers half a turn, so the right half
    // (x >= 0) is moved down by half a turn: angles from -128 to 128.
    float angle = std::atan(y / x) * 40.74366542620519f + 64.0f;
    if (j >= 256) angle -= 128.0f;
    const int depth = static_cast<int>(4000.0f / (1.0f + distance)) & 0xFF;
    // A negative angle borrows from the depth byte.
    return static_cast<int32_t>(static_cast<float>(depth * 256) + angle);
}

float UpdateZoom(float zoom, float elapsedMs, float speed) {
    zoom = zoom + elapsedMs * 0.00025f * speed;
    int32_t bits, low, high;
    std::memcpy(&bits, &zoom, 4);
    std::memcpy(&low, &kMinZoom, 4);
    std::memcpy(&high, &kMaxZoom, 4);
    if (bits < low) return kMinZoom;
    if (bits > high) return kMaxZoom;
    return zoom;
}

sZoomFrame FrameFor(float zoom, uint32_t now, float speed1, float speed2) {
    sZoomFrame f;
    f.stepX = static_cast<int32_t>(zoom * 16384.0f);
    f.stepY = static_cast<int32_t>(zoom * 8192.0f);
    // Only the low 16 bits of the offsets matter; an absurd speed gives the
    // most negative integer (low bits 0) instead of undefined behaviour.
    f.offset1 = static_cast<uint32_t>(TruncToInt32(now * 0.00025 * speed1));
    f.offset2 = static_cast<uint32_t>(TruncToInt32(now * 0.0005 * speed2));
    return f;
}

void ZoomPassReference(uint32_t* band, const int32_t* polar, const uint32_t* textures, const uint32_t* map,
                       const sZoomFrame& frame) {
    const uint32_t* texture1 = textures;
    const uint32_t* texture2 = textures + 65536;
    const uint32_t sx = static_cast<uint32_t>(frame.stepX), sy = static_cast<uint32_t>(frame.stepY);
    // The table centre (row 128, column 256 in 16.16) at band (256, 128);
    // the masks repeat the table beyond its edges. Wrapping 32-bit sums.
    const uint32_t y0 = 0x800000u - 128u * sy;
    const uint32_t x0 = 0x1000000u - 256u * sx;
    // The map moves at 1/512 and 1/256 of those steps; its centre
    // (32.5, 16.5) also lands on band (256, 128).
    const int32_t mapSx = frame.stepX >> 9, mapSy = frame.stepY >> 8;
    const int32_t mapX0 = static_cast<int32_t>(2129920.0 - mapSx * 256.0);
    const int32_t mapY0 = static_cast<int32_t>(1081344.0 - mapSy * 128.0);
    for (int r = 0; r < kBandHeight; ++r) {
        const int32_t* polarRow = polar + ((y0 + r * sy) >> 16 & 0xFF) * kPolarWidth;
        const uint32_t* mapRow = map + ((mapY0 + r * mapSy) >> 16) * kMapWidth;
        uint32_t* out = band + r * kBandWidth;
        for (int q = 0; q < kBandWidth; ++q) {
            const uint32_t index = static_cast<uint32_t>(polarRow[(x0 + q * sx) >> 16 & 0x1FF]);
            const uint32_t a = texture2[(index + frame.offset1) & 0xFFFF];
            const uint32_t b = texture1[(index + frame.offset2) & 0xFFFF];
            uint32_t average = 0;
            for (int c = 0; c < 32; c += 8) {
                const uint32_t sum = ((a >> c) & 0xFF) + ((b >> c) & 0xFF);
                average |= ((sum > 255 ? 255 : sum) >> 1) << c;
            }
            // Both sides are at most 127 per byte, so a plain add cannot
            // carry from one channel into the next.
            out[q] = average + mapRow[(mapX0 + q * mapSx) >> 16];
        }
    }
}

}  // namespace zoomer_detail

using namespace zoomer_detail;

namespace {

struct sZoomTunnel {
    std::vector<uint32_t> textures;  // texture1 then texture2, 256 x 256 each
    std::vector<uint32_t> map;       // 64 x 32, every channel halved
    std::vector<int32_t> polar;      // kPolarHeight x kPolarWidth
};

std::unique_ptr<sZoomTunnel> g_state;
// These outlive the stop hook: the zoom goes on where it was left.
float g_zoom = 1.0f;
float g_lastTime = 0.0f;
bool g_firstFrameDrawn = false;

}  // namespace

void zoomer_detail::ResetRunState() {
    g_zoom = 1.0f;
    g_lastTime = 0.0f;
    g_firstFrameDrawn = false;
}

void ZoomerInit() {
    auto state = std::make_unique<sZoomTunnel>();
    state->textures = LoadSizedPicture("texture1.jpg", 256, 256);
    std::vector<uint32_t> second = LoadSizedPicture("texture2.jpg", 256, 256);
    state->textures.insert(state->textures.end(), second.begin(), second.end());
    state->map = LoadSizedPicture("zoommap.jpg", kMapWidth, kMapHeight);
    // Halved so that the overlay's plain 32-bit add cannot carry.
    for (uint32_t& p : state->map) p = (p >> 1) & 0x7F7F7F7F;
    state->polar.resize(static_cast<size_t>(kPolarWidth) * kPolarHeight);
    for (int i = 0; i < kPolarHeight; ++i)
        for (int j = 0; j < kPolarWidth; ++j) state->polar[i * kPolarWidth + j] = PolarEntry(i, j);
    g_state = std::move(state);
}

void ZoomerRender(uint32_t* frame) {
    if (!g_state) return;
    const uint32_t now = Milliseconds();
    if (!g_firstFrameDrawn) {
        FillBuffer(frame, 0xFFFFFF, 512 * 384);
        g_firstFrameDrawn = true;
        g_lastTime = static_cast<float>(now);
    }
    g_zoom = UpdateZoom(g_zoom, static_cast<float>(now) - g_lastTime, zoomer::speed);
    g_lastTime = static_cast<float>(now);
    const sZoomFrame f = FrameFor(g_zoom, now, zoomer::tunnelSpeed1, zoomer::tunnelSpeed2);
    uint32_t* band = frame + kBandTop * kBandWidth;
    const bool sse2 = ActiveSimdPath() != SimdPath::Reference;
    (sse2 ? ZoomPassSse2 : ZoomPassReference)(band, g_state->polar.data(), g_state->textures.data(),
                                               g_state->map.data(), f);
}

void ZoomerStop() { g_state.reset(); }

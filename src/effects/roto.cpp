// The rotozoomer: the texture, the layer geometry, the reference layer
// loop and the per-frame render.
#include "effects/roto.h"

#include <cmath>
#include <memory>
#include <vector>

#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/roto_p.h"
#include "effects/sized_picture.h"
#include "effects/truncate_p.h"
#include "kernel/keys.h"
#include "kernel/services.h"

namespace roto_detail {

bool LayerFor(float s, float theta, sLayer& layer) {
    uint32_t fade = 0;
    if (s > 1.4) fade = static_cast<uint32_t>(TruncToInt32((s - 1.4) * 255.0));
    if (s >= 2.4) return false;
    layer.fade = fade * 0x010101u;

    // 16.16 steps, truncated toward zero; only the low 32 bits go into the
    // registers. A NaN scale or angle (from a NaN or infinite direction)
    // gives steps of 0, like the processor's own conversion would.
    const double k = s * 65536.0;
    const double t = theta;
    const double quarter = 1.5707963267948966;
    const uint32_t dUx = TruncToLow32(k * std::sin(t));
    const uint32_t dVx = TruncToLow32(k * std::cos(t));
    const uint32_t dUy = TruncToLow32(k * std::sin(t + quarter));
    const uint32_t dVy = TruncToLow32(k * std::cos(t + quarter));
    // Texture point (128, 128) at band pixel (159, 100): the walk adds one
    // step before its first read, so the start lies 160 steps left.
    const uint32_t u0 = 0x800000u - 160u * dUx - 100u * dUy;
    const uint32_t v0 = 0x800000u - 160u * dVx - 100u * dVy;
    layer.rowU = PackU(u0);
    layer.rowV = PackV(v0);
    layer.stepUx = PackU(dUx) | kGapsU;
    layer.stepVx = PackV(dVx) | kGapsV;
    layer.stepUy = PackU(dUy) | kGapsU;
    layer.stepVy = PackV(dVy) | kGapsV;
    return true;
}

namespace {

inline uint32_t SubSaturated(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int c = 0; c < 32; c += 8) {
        const uint32_t x = (a >> c) & 0xFF, y = (b >> c) & 0xFF;
        result |= (x > y ? x - y : 0) << c;
    }
    return result;
}

inline uint32_t AddSaturated(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int c = 0; c < 32; c += 8) {
        const uint32_t sum = ((a >> c) & 0xFF) + ((b >> c) & 0xFF);
        result |= (sum > 255 ? 255 : sum) << c;
    }
    return result;
}

}  // namespace

void DrawLayerReference(uint32_t* band, const uint32_t* texture, const sLayer& layer, bool add) {
    uint32_t rowU = layer.rowU, rowV = layer.rowV;
    for (int r = 0; r < kBandHeight; ++r) {
        uint32_t u = rowU, v = rowV;
        uint32_t* out = band + r * kBandWidth;
        for (int q = 0; q < kBandWidth; ++q) {
            u = (u + layer.stepUx) & kMaskU;
            v = (v + layer.stepVx) & kMaskV;
            const uint32_t texel = SubSaturated(texture[(u + v) >> 16], layer.fade);
            out[q] = add ? AddSaturated(out[q], texel) : texel;
        }
        rowU = (rowU + layer.stepUy) & kMaskU;
        rowV = (rowV + layer.stepVy) & kMaskV;
    }
}

void LayerScales(float angle, float scale[5]) {
    // Where each layer sits on its 2.4 s sawtooth; layers 1 and 3 are
    // computed but never drawn, so the drawn ones are 1.0 s apart.
    constexpr double kLayerPhase[5] = {0.4, 0.9, 1.4, 1.9, 2.4};
    for (int k = 0; k < 5; ++k) scale[k] = static_cast<float>(2.4 - std::fabs(std::fmod(-kLayerPhase[k] - angle, 2.4)));
}

}  // namespace roto_detail

using namespace roto_detail;

namespace {

constexpr int kKeyS = 0x53;
constexpr int kKeyF = 0x46;

struct cRotozoomer {
    uint32_t startTime = 0;         // raw clock milliseconds
    std::vector<uint32_t> texture;  // 256 x 256, tiled
    float angle = 0.0f;             // radians
    // ROTODIRECTION's value this frame; the timeline variable itself is
    // roto::direction, copied here before each frame.
    float direction = 1.0f;
    float scale[5] = {};
};

std::unique_ptr<cRotozoomer> g_roto;
bool g_firstFrameDrawn = false;

void DrawLayer(uint32_t* band, const uint32_t* texture, float s, float theta, bool add) {
    sLayer layer;
    if (!LayerFor(s, theta, layer)) return;
    (ActiveSimdPath() != SimdPath::Reference ? DrawLayerSse2 : DrawLayerReference)(band, texture, layer, add);
}

}  // namespace

void roto_detail::ForgetFirstFrame() { g_firstFrameDrawn = false; }

void RotoInit() {
    auto roto = std::make_unique<cRotozoomer>();
    const std::vector<uint32_t> picture = LoadSizedPicture("roto.jpg", 256, 256);
    roto->texture.resize(65536);
    for (uint32_t y = 0; y < 256; ++y) {
        for (uint32_t x = 0; x < 256; ++x) {
            // Each channel times 0.75, truncated: exactly (3c) >> 2.
            const uint32_t p = picture[y * 256 + x];
            uint32_t darker = 0;
            for (int c = 0; c < 32; c += 8) darker |= (((p >> c) & 0xFF) * 3 >> 2) << c;
            roto->texture[TiledIndex(x, y)] = darker;
        }
    }
    roto->startTime = Milliseconds();
    g_roto = std::move(roto);
}

void RotoRender(uint32_t* frame) {
    if (!g_roto) return;
    cRotozoomer& roto = *g_roto;
    const uint32_t now = Milliseconds();
    if (!g_firstFrameDrawn) {
        FillBuffer(frame, 0, 512 * 384);
        roto.startTime = now;
        g_firstFrameDrawn = true;
    }
    roto.direction = roto::direction;
    const double seconds = static_cast<uint32_t>(now - roto.startTime) * 0.001;
    roto.angle = static_cast<float>(roto.direction * seconds);
    LayerScales(roto.angle, roto.scale);

    uint32_t* band = frame + kBandTop * kBandWidth;
    const uint32_t* texture = roto.texture.data();
    DrawLayer(band, texture, roto.scale[0], roto.angle, false);
    if (!KeyDown(kKeyS)) DrawLayer(band, texture, roto.scale[2], static_cast<float>(roto.angle + 4.084070449666731), true);
    if (!KeyDown(kKeyF)) DrawLayer(band, texture, roto.scale[4], static_cast<float>(roto.angle + 5.340707511102649), true);
}

void RotoStop() { g_roto.reset(); }

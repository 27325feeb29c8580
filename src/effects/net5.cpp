// Colour stripes. Band row i shows source pixel 93 + i of the current run;
// every 350 ms the run moves on by 200 pixels, and in between the stripes
// cross-fade linearly from one run to the next. After 256 steps (89.6 s) the
// runs start over, so only the first 51,493 pixels of a source are read.
#include "effects/net5.h"

#include <utility>
#include <vector>

#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/sized_picture.h"
#include "kernel/services.h"
#include "resources/picture.h"

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kBandTop = 92, kBandRows = 200;
constexpr int kBorderRows = 92;
constexpr int kRunOffset = 93;
// Pixels a source must hold: the last run starts at 200 x 255 and its
// successor's last stripe reads 93 + 199 + 200 pixels further on.
constexpr int kSourcePixels = 200 * 255 + kRunOffset + kBandRows - 1 + 200 + 1;  // 51,493

std::vector<uint32_t> g_sources[2];  // "net5.jpg", "net5kwal.jpg"
std::vector<uint32_t> g_top, g_bottom;
int g_source = 0;
uint32_t g_t0 = 0;  // taken on the first drawn frame of the run, never again
bool g_firstFrameDone = false;

std::vector<uint32_t> LoadSource(const char* name) {
    sPicture picture = LoadPicture(name);
    if (picture.bits != 32 || picture.PixelCount() < kSourcePixels)
        FatalError("%s: expected a colour picture of at least %d pixels, got %d x %d", name, kSourcePixels,
                   picture.width, picture.height);
    return std::move(picture.pixels);
}

// (1 - f) a + f b per channel in single precision, truncated and clamped.
uint32_t Blend(uint32_t a, uint32_t b, float f) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const float mixed = (1 - f) * static_cast<float>((a >> shift) & 0xFF) + f * static_cast<float>((b >> shift) & 0xFF);
        int channel = static_cast<int>(mixed);
        channel = channel < 0 ? 0 : channel > 255 ? 255 : channel;
        result |= static_cast<uint32_t>(channel) << shift;
    }
    return result;
}

}  // namespace

void Net5Init() {
    std::vector<uint32_t> first = LoadSource("net5.jpg");
    std::vector<uint32_t> second = LoadSource("net5kwal.jpg");
    g_sources[0] = std::move(first);
    g_sources[1] = std::move(second);
}

void Net5Render(uint32_t* frame) {
    if (g_sources[0].empty()) return;
    const uint32_t now = Milliseconds();
    // Once selected, the second source stays, whatever the keyword does later.
    if (net5::kwallen == 1.0f) g_source = 1;
    if (!g_firstFrameDone) {
        g_firstFrameDone = true;
        g_t0 = now;
        FillBuffer(frame, 0xFFFFFF, kWidth * kHeight);
        g_source = 0;
        g_top = LoadSizedPicture("net5boven.jpg", kWidth, kBorderRows);
        g_bottom = LoadSizedPicture("net5onder.jpg", kWidth, kBorderRows);
    }
    // One step per 350 ms; f is how far the fade to the next run has come.
    const float e = static_cast<float>(now - g_t0) * 0.0028571428f;
    const int k = static_cast<int>(e);
    const float f = e - static_cast<float>(k);
    Log("fade: %f", f);

    if (net5::kwallen == 1.0f) {
        FillBuffer(frame, 0, kBorderRows * kWidth);
        FillBuffer(frame + (kHeight - kBorderRows) * kWidth, 0, kBorderRows * kWidth);
    } else {
        CopyBuffer(frame, g_top.data(), kBorderRows * kWidth);
        CopyBuffer(frame + (kHeight - kBorderRows) * kWidth, g_bottom.data(), kBorderRows * kWidth);
    }

    const uint32_t* run = g_sources[g_source].data() + 200 * (k & 255) + kRunOffset;
    uint32_t* band = frame + kBandTop * kWidth;
    for (int i = 0; i < kBandRows; ++i) FillBuffer(band + i * kWidth, Blend(run[i], run[i + 200], f), kWidth);
}

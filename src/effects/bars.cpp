// Rotating bars. For every screen column the drum's revolution angle comes
// from three slow waves of the column and the effect clock; each stave's
// height, vertical offset and depth follow from that angle, and the three
// nearest staves are drawn as vertical slices shaded like tubes.
#include "effects/bars.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "effects/bars_p.h"
#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/sized_picture.h"
#include "effects/truncate_p.h"
#include "kernel/services.h"
#include "resources/picture.h"

using namespace bars_detail;

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kBandTop = 92, kBandRows = 200;
constexpr int kBorderRows = 92;
constexpr int kStaves = 6;
constexpr int kTextureSide = 256;
constexpr int kTableSize = 1024;
constexpr double kTableStep = 0.00613591796875;  // 2 pi / 1024 to 12 digits
constexpr int kProfileRows = 199;                // slice heights 0..198

struct sBarsTables {
    // Row h of the triangular profile table starts at h (h + 1) / 2 and holds
    // the angle of each of the h pixels of a slice h pixels tall.
    int rowStart[200];
    std::vector<int8_t> profile;    // 20,100 entries
    std::vector<uint32_t> texture;  // three 256 x 256 textures, one after the other
};

struct sSpan {
    int first, end;  // frame rows first..end-1
};

#if defined(__x86_64__)
constexpr auto DrawSliceFast = DrawSliceSse2;
#else
constexpr auto DrawSliceFast = DrawSliceReference;
#endif

struct sColumnStave {
    float y;              // vertical offset of the slice's middle from the band's middle
    float height;         // 0..190
    float textureOffset;  // the revolution angle / 4, 0..255
    float depth;          // smaller is nearer
};

std::unique_ptr<sBarsTables> g_tables;  // released by the stop hook
float g_sine[kTableSize], g_cosine[kTableSize];
float g_stave[kStaves][2];
// The border pictures stay for the whole run; they are drawn once.
std::vector<uint32_t> g_top, g_bottom;
sColumnStave g_columns[kWidth][kStaves];

// The effect clock advances only on drawn frames, by the time since the
// previous drawn frame; it is never reset.
int32_t g_clock = 0;
uint32_t g_lastTime = 0;
bool g_firstFrameDone = false;

void BuildColumnTable(int32_t clock) {
    for (int x = 0; x < kWidth; ++x) {
        const double wave = 128.0 * std::cos((x - 0.5 * clock) * (1.0 / 150)) +
                            256.0 * std::sin((double(clock) + x) * 0.005) +
                            256.0 * std::cos((x - double(clock)) * 0.01) + 1024.0;
        const int k = static_cast<int>(wave) & 1023;  // wave is 384..1664
        const float s = g_sine[k], c = g_cosine[k];
        for (int b = 0; b < kStaves; ++b) {
            const float y = s * g_stave[b][0] - c * g_stave[b][1];
            const float z = s * g_stave[b][1] + c * g_stave[b][0];
            double height = 6660.0 / (z + 150.0);
            if (height < 0) height = 0;
            if (height > 190.0) height = 190.0;
            g_columns[x][b] = {static_cast<float>(y * 256.0 / (z + 300.0)), static_cast<float>(height),
                               static_cast<float>(k / 4), z};
        }
    }
}

}  // namespace

namespace bars_detail {

void DrawSliceReference(const int8_t* angles, int count, const uint32_t* textureRow, int offset,
                        uint32_t* destination) {
    for (int i = 0; i < count; ++i) {
        const int e = angles[i];
        const uint32_t texel = textureRow[(e + offset) & 255];
        const int shade = 127 - 4 * (e < 0 ? -e : e);
        uint32_t pixel = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int channel = static_cast<int>((texel >> shift) & 0xFF) + shade;
            channel = channel < 0 ? 0 : channel > 255 ? 255 : channel;
            pixel |= static_cast<uint32_t>(channel) << shift;
        }
        destination[i * kWidth] = pixel;
    }
}

}  // namespace bars_detail

void BarsInit() {
    auto tables = std::make_unique<sBarsTables>();
    for (int h = 0; h < 200; ++h) tables->rowStart[h] = h * (h + 1) / 2;
    // The angle around a tube of diameter h seen side on, in 1/256 of a turn:
    // -64 at the top of the slice, 0 in its middle, about +64 at its bottom.
    // (0.3183101550488765 is a little over 1 / pi; the top entry is still -64.)
    tables->profile.assign(19900 + 200, 0);
    for (int h = 0; h < kProfileRows; ++h) {
        const double r = h * 0.5;
        for (int i = 0; i < h; ++i) {
            const double a = std::atan2(i - r, std::sqrt(r * r - (i - r) * (i - r)));
            tables->profile[tables->rowStart[h] + i] = static_cast<int8_t>(a * 0.3183101550488765 * 128.0);
        }
    }
    tables->texture.resize(3 * kTextureSide * kTextureSide);
    const char* const names[3] = {"bar1.jpg", "bar2.jpg", "bar3.jpg"};
    for (int n = 0; n < 3; ++n) {
        std::vector<uint32_t> picture = LoadSizedPicture(names[n], kTextureSide, kTextureSide);
        CopyBuffer(tables->texture.data() + n * kTextureSide * kTextureSide, picture.data(),
                   kTextureSide * kTextureSide);
    }
    for (int i = 0; i < kTableSize; ++i) {
        g_sine[i] = static_cast<float>(std::sin(i * kTableStep));
        g_cosine[i] = static_cast<float>(std::cos(i * kTableStep));
    }
    // Six staves 60 degrees apart on a circle of radius 72.
    for (int b = 0; b < kStaves; ++b) {
        g_stave[b][0] = static_cast<float>(72 * std::sin(b * 1.0471966666666666));
        g_stave[b][1] = static_cast<float>(72 * std::cos(b * 1.0471966666666666));
    }
    g_top = LoadSizedPicture("barboven.jpg", kWidth, kBorderRows);
    g_bottom = LoadSizedPicture("baronder.jpg", kWidth, kBorderRows);
    g_tables = std::move(tables);
}

void BarsRender(uint32_t* frame) {
    if (!g_tables) return;
    const sBarsTables& tables = *g_tables;
    const uint32_t now = Milliseconds();
    if (!g_firstFrameDone) {
        g_firstFrameDone = true;
        g_lastTime = now;
        CopyBuffer(frame, g_top.data(), kBorderRows * kWidth);
        CopyBuffer(frame + (kHeight - kBorderRows) * kWidth, g_bottom.data(), kBorderRows * kWidth);
    }
    uint32_t* band = frame + kBandTop * kWidth;
    FillBuffer(band, 0, kBandRows * kWidth);

    // The fraction is dropped every frame, so frames under 4 ms apart (at
    // speed 1) do not move the clock at all.
    g_clock = TruncToInt32(g_clock + (now - g_lastTime) * 0.25 * bars::speed);
    g_lastTime = now;
    BuildColumnTable(g_clock);

    // Slices are opaque, so drawing the nearest first and only the rows
    // nothing nearer covers gives the painter's picture with less work. The
    // reference path keeps the painter's order: the far slice first, each
    // drawn whole.
#if defined(__x86_64__)
    const bool frontToBack = ActiveSimdPath() != SimdPath::Reference;
#else
    const bool frontToBack = false;
#endif
    for (int x = 0; x < kWidth; ++x) {
        const sColumnStave* staves = g_columns[x];
        // An exchange sort: after it the staves run from the farthest to the
        // nearest, and the nearest three are drawn, the nearest last.
        int order[kStaves] = {0, 1, 2, 3, 4, 5};
        for (int l = 0; l < kStaves; ++l)
            for (int m = 0; m < kStaves; ++m)
                if (staves[order[l]].depth > staves[order[m]].depth) std::swap(order[l], order[m]);

        sSpan covered[2];  // rows already drawn, sorted by their first row
        int coveredCount = 0;
        for (int n = 3; n < kStaves; ++n) {
            const int b = order[frontToBack ? 8 - n : n];
            const sColumnStave& stave = staves[b];
            const int h = static_cast<int>(stave.height);
            const int top = static_cast<int>(stave.y) + 192 - h / 2;  // frame row of the slice's first pixel
            // The staves' circle keeps every slice inside rows 102..282; the
            // clip to the band is only a guard.
            const sSpan slice{std::max(top, kBandTop), std::min(top + h, kBandTop + kBandRows)};
            if (slice.first >= slice.end) continue;
            // The textures lie along the screen's x axis: texture row x & 255.
            const uint32_t* textureRow =
                tables.texture.data() + (b % 3) * kTextureSide * kTextureSide + (x & 255) * kTextureSide;
            const int8_t* angles = tables.profile.data() + tables.rowStart[h] - top;  // indexed by frame row
            const int offset = static_cast<int>(stave.textureOffset);
            auto draw = [&](int first, int end) {
                if (first < end)
                    (frontToBack ? DrawSliceFast : DrawSliceReference)(angles + first, end - first, textureRow,
                                                                       offset, frame + first * kWidth + x);
            };
            if (!frontToBack) {
                draw(slice.first, slice.end);
                continue;
            }
            int cursor = slice.first;
            for (int c = 0; c < coveredCount; ++c) {
                draw(cursor, std::min(covered[c].first, slice.end));
                cursor = std::max(cursor, covered[c].end);
            }
            draw(cursor, slice.end);
            if (coveredCount < 2) {
                covered[coveredCount++] = slice;
                if (coveredCount == 2 && covered[1].first < covered[0].first) std::swap(covered[0], covered[1]);
            }
        }
    }
}

void BarsStop() { g_tables.reset(); }

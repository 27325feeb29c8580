#include "content_raytrace.h"

#include "resources/jpeg_writer.h"
#include "tile_noise.h"

namespace {

constexpr int kTile = 64;  // 4 x 4 tiles in the 256-texel texture

}  // namespace

sCanvas MakeRaytraceTexture() {
    // Stone tiles in a checker of slate blue and terracotta, with dark grout,
    // bevelled edges and an inlaid ring, over grain that wraps with the
    // texture. The colours stay dark enough to read through the white fog.
    sCanvas c(256, 256);
    const uint32_t slate = Rgb(46, 70, 122), clay = Rgb(158, 82, 48), grout = Rgb(18, 16, 22);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const int tx = x / kTile, ty = y / kTile;
            const int lx = x % kTile, ly = y % kTile;
            const bool dark = (tx + ty) % 2 == 0;
            const double grain = TileFbm(x / 8.0, y / 8.0, 32, 4, dark ? 11 : 12);
            uint32_t colour = Scale(dark ? slate : clay, 0.75 + 0.5 * grain);
            // Veins: thin bright lines where slow wrapped noise crosses 0.5.
            const double vein = TileFbm(x / 32.0, y / 32.0, 8, 3, 5);
            const double d = vein - 0.5, veinLight = Clamp01(1 - (d < 0 ? -d : d) * 40);
            colour = AddSat(colour, Scale(Rgb(90, 80, 70), veinLight * 0.6));
            // Ring inlay, radius 18..21 around the tile's centre.
            const double dx = lx - 31.5, dy = ly - 31.5, r2 = dx * dx + dy * dy;
            if (r2 > 18.0 * 18.0 && r2 < 21.0 * 21.0) colour = Mix(colour, dark ? Rgb(200, 170, 90) : Rgb(60, 30, 24), 0.8);
            // Bevel: light on the top and left edges, shadow on the others.
            const int edge = 6;
            if (lx < edge || ly < edge) colour = Mix(colour, Rgb(255, 245, 225), 0.22 * (edge - (lx < ly ? lx : ly)) / edge);
            if (lx >= kTile - edge || ly >= kTile - edge) {
                const int far = lx > ly ? lx : ly;
                colour = Mix(colour, Rgb(0, 0, 0), 0.35 * (far - (kTile - edge) + 1) / edge);
            }
            if (lx < 2 || ly < 2) colour = grout;
            c.At(x, y) = colour;
        }
    return c;
}

sCanvas MakeRaytraceBorder(bool top) {
    // Night blue deepening away from the band, a faint wrapped haze and a
    // thin pale rule where the border meets the band.
    sCanvas c(512, 92);
    for (int y = 0; y < c.h; ++y) {
        const int fromBand = top ? c.h - 1 - y : y;
        const double t = fromBand / 91.0;
        for (int x = 0; x < c.w; ++x) {
            const double haze = TileFbm(x / 48.0, fromBand / 24.0, 16, 4, top ? 21 : 22);
            uint32_t colour = Mix(Rgb(52, 78, 128), Rgb(6, 8, 22), t * 0.8 + 0.2 * (1 - haze));
            c.At(x, y) = colour;
        }
    }
    // The rule: two pixels, two rows off the band, plus a soft glow.
    sCanvas glow(c.w, c.h);
    const int rule = top ? c.h - 4 : 2;
    FillRect(glow, 0, rule - 1, c.w, rule + 3, Rgb(90, 140, 200));
    Blur(glow, 3);
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] = AddSat(c.px[i], glow.px[i]);
    FillRect(c, 0, rule, c.w, rule + 2, Rgb(220, 236, 255));
    return c;
}

std::vector<sPackEntry> RaytraceFiles() {
    auto jpeg = [](const sCanvas& c) { return EncodeJpegWords(c.w, c.h, c.px, 92); };
    return {
        {"textuur.jpg", jpeg(MakeRaytraceTexture())},
        {"rayboven.jpg", jpeg(MakeRaytraceBorder(true))},
        {"rayonder.jpg", jpeg(MakeRaytraceBorder(false))},
    };
}

void RaytraceCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    at(fromBar, "raytraceplane", 1000);
    at(fromBar, "raytracez", 32);
    at(fromBar, "raytrace", 1);
    // Every phrase of four bars the planes breathe wider or calmer, and every
    // third phrase the lens bulges further, each change on the downbeat.
    int phrase = 1;
    for (double bar = fromBar + 4; bar < toBar; bar += 4, ++phrase) {
        at(bar, "raytraceplane", phrase % 2 ? 1400.0f : 1000.0f);
        at(bar, "raytracez", phrase % 3 == 2 ? 48.0f : 32.0f);
    }
    at(toBar, "raytrace", 0);
}

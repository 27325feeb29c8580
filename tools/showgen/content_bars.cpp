#include "content_bars.h"

#include "resources/jpeg_writer.h"
#include "tile_noise.h"

// The effect adds up to 127 to every channel along a tube's middle and takes
// up to 129 away at its edges, so the textures keep to the middle of the
// range: highlights come from the shading, not from the texture.

namespace {

// Distance to the nearest multiple of `period`, wrapping.
double Groove(double x, double period) {
    double m = x - period * static_cast<int>(x / period);
    return m < period - m ? m : period - m;
}

}  // namespace

sCanvas MakeBarTexture(int n) {
    sCanvas c(256, 256);
    for (int row = 0; row < 256; ++row)
        for (int col = 0; col < 256; ++col) {
            // Brushed grain runs along the tube (stretched along the rows).
            const double grain = TileFbm(row / 32.0, col / 2.0, 8, 3, 40 + n);
            uint32_t colour = 0;
            if (n == 1) {
                // Brushed brass: four fluted grooves around, a dark ring
                // every 64 texels along with a bright lip on each side.
                colour = Scale(Rgb(128, 96, 40), 0.8 + 0.4 * grain);
                const double flute = Clamp01(1 - Groove(col, 64) / 5.0);
                colour = Mix(colour, Rgb(40, 26, 10), flute * 0.7);
                const double ring = Groove(row, 64);
                if (ring < 4) colour = Mix(colour, Rgb(30, 20, 12), 0.8);
                else if (ring < 6) colour = Mix(colour, Rgb(190, 160, 90), 0.6);
            } else if (n == 2) {
                // Enamel red with a copper double helix: the stripes advance
                // one column around per row along.
                colour = Scale(Rgb(118, 28, 34), 0.8 + 0.4 * grain);
                const double helix = Groove(col + row, 128);
                if (helix < 14) colour = Mix(Scale(Rgb(150, 92, 50), 0.85 + 0.3 * grain), Rgb(60, 30, 16), helix < 2 || helix > 12 ? 0.6 : 0);
            } else {
                // Teal tiles set diagonally, each with a pale centre dot.
                const int a = (col + row) / 32, b = (col - row + 256) / 32;
                const bool light = (a + b) % 2 == 0;
                colour = Scale(light ? Rgb(30, 104, 112) : Rgb(18, 52, 84), 0.85 + 0.3 * grain);
                const double u = Groove(col + row, 32), v = Groove(col - row + 256, 32);
                if (u < 1.2 || v < 1.2) colour = Rgb(8, 20, 28);
                const double du = (col + row) % 32 - 16, dv = (col - row + 256) % 32 - 16;
                if (du * du + dv * dv < 18) colour = Mix(colour, Rgb(170, 200, 170), 0.7);
            }
            c.At(row, col) = colour;  // x along the tube, y around it
        }
    // The pattern was laid out with x along the tube; the effect reads rows
    // along the tube, so transpose.
    sCanvas t(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) t.At(x, y) = c.At(y, x);
    return t;
}

sCanvas MakeBarsBorder(bool top) {
    // Dark gunmetal with a fine horizontal sheen, bolts at even spacing and
    // a warm rule along the band.
    sCanvas c(512, 92);
    for (int y = 0; y < c.h; ++y) {
        const int fromBand = top ? c.h - 1 - y : y;
        for (int x = 0; x < c.w; ++x) {
            const double sheen = TileFbm(x / 64.0, y / 3.0, 8, 3, top ? 61 : 62);
            const double t = fromBand / 91.0;
            c.At(x, y) = Scale(Mix(Rgb(58, 62, 74), Rgb(14, 14, 20), t), 0.8 + 0.4 * sheen);
        }
    }
    const int boltRow = top ? 70 : 21;
    for (int x = 16; x < c.w; x += 32) {
        AddGlow(c, x - 1, boltRow - 1, 4.5, Rgb(120, 120, 130));
        AddGlow(c, x + 1, boltRow + 1, 4.0, Rgb(10, 10, 10));
    }
    const int rule = top ? c.h - 5 : 3;
    sCanvas glow(c.w, c.h);
    FillRect(glow, 0, rule - 1, c.w, rule + 3, Rgb(200, 110, 30));
    Blur(glow, 3);
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] = AddSat(c.px[i], glow.px[i]);
    FillRect(c, 0, rule, c.w, rule + 2, Rgb(255, 190, 110));
    return c;
}

std::vector<sPackEntry> BarsFiles() {
    auto jpeg = [](const sCanvas& c) { return EncodeJpegWords(c.w, c.h, c.px, 92); };
    return {
        {"bar1.jpg", jpeg(MakeBarTexture(1))},        {"bar2.jpg", jpeg(MakeBarTexture(2))},
        {"bar3.jpg", jpeg(MakeBarTexture(3))},        {"barboven.jpg", jpeg(MakeBarsBorder(true))},
        {"baronder.jpg", jpeg(MakeBarsBorder(false))},
    };
}

void BarsCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    at(fromBar, "barsspeed", 1);
    at(fromBar, "bars", 1);
    // Two-bar steps alternate cruising and pushing; the last bar of each
    // four-bar phrase turns the drum back, and the downbeat sets it going
    // again.
    for (double bar = fromBar + 1; bar < toBar; bar += 1) {
        const int step = static_cast<int>(bar - fromBar);
        float speed = step % 4 == 3 ? -1.5f : (step / 2) % 2 ? 1.8f : 1.0f;
        at(bar, "barsspeed", speed);
    }
    at(toBar, "bars", 0);
}

#include "content_roto.h"

#include <cmath>

#include "resources/jpeg_writer.h"

namespace {

// Distance between two coordinates on a 256-texel wrap.
double WrapDelta(double a, double b) {
    double d = a - b;
    while (d > 128) d -= 256;
    while (d < -128) d += 256;
    return d;
}

// 1 on a line at distance r from the centre, falling to 0 at +-width.
double Band(double r, double radius, double width) {
    const double d = (r > radius ? r - radius : radius - r) / width;
    return Clamp01(1.0 - d * d);
}

}  // namespace

sCanvas MakeRotoTexture() {
    // A tile of inlaid rings on deep navy: a gold ring round the centre
    // holding a four-pointed star, a teal ring centred on the tile's corner
    // (it closes across the wrap, so the tiles interlock), and a faint
    // diagonal lattice. The effect darkens it by a quarter and adds up to
    // three copies, so the base stays dark and the lines bright.
    sCanvas c(256, 256);
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x) {
            const double gx = WrapDelta(x + 0.5, 128), gy = WrapDelta(y + 0.5, 128);
            const double cx = WrapDelta(x + 0.5, 0), cy = WrapDelta(y + 0.5, 0);
            const double gr = std::sqrt(gx * gx + gy * gy), cr = std::sqrt(cx * cx + cy * cy);
            const double shade = 0.5 + 0.5 * Sine(kTau * (x + y) / 256.0);
            uint32_t colour = Mix(Rgb(6, 10, 34), Rgb(18, 24, 62), shade);
            // Lattice: lines where x + y and x - y cross multiples of 32.
            const int d1 = (x + y) & 31, d2 = (x - y) & 31;
            if (d1 == 0 || d2 == 0) colour = AddSat(colour, Rgb(30, 34, 70));
            colour = AddSat(colour, Scale(Rgb(255, 196, 80), Band(gr, 76, 7)));
            colour = AddSat(colour, Scale(Rgb(120, 70, 20), Band(gr, 76, 16) * 0.6));
            colour = AddSat(colour, Scale(Rgb(60, 220, 200), Band(cr, 52, 6)));
            colour = AddSat(colour, Scale(Rgb(20, 90, 90), Band(cr, 52, 14) * 0.6));
            // The star: bright where |gx| * |gy| is small inside the ring.
            const double ax = gx < 0 ? -gx : gx, ay = gy < 0 ? -gy : gy;
            if (gr < 66) {
                const double arm = Clamp01(1.0 - ax * ay / 90.0) * Clamp01(1.0 - gr / 66.0);
                colour = AddSat(colour, Scale(Rgb(255, 240, 200), arm));
            }
            colour = AddSat(colour, Scale(Rgb(255, 120, 60), Clamp01(1.0 - gr / 10.0)));
            c.At(x, y) = colour;
        }
    }
    return c;
}

std::vector<sPackEntry> RotoFiles() {
    return {{"roto.jpg", EncodeJpegWords(256, 256, MakeRotoTexture().px, 92)}};
}

void RotoCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    at(fromBar, "rotodirection", 1.0f);
    at(fromBar, "roto", 1.0f);
    int phrase = 0;
    for (double b = fromBar + 4; b + 1e-9 < toBar; b += 4, ++phrase) {
        const bool last = b + 4 + 1e-9 >= toBar;
        const float sense = phrase % 2 == 0 ? -1.0f : 1.0f;
        at(b, "rotodirection", last ? sense * 1.5f : sense);
    }
    at(toBar, "roto", 0.0f);
    at(toBar, "rotodirection", 1.0f);
}

// The environment the chrome balls reflect: a sky over a dark floor with a
// glowing horizon, soft studio lights and clouds. The balls address it with
// wrap-around in both directions near their rims, so everything in it is
// periodic over 256 pixels and no seam shows.
#include "content_balls.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "canvas.h"
#include "resources/png_writer.h"

namespace {

constexpr int kSide = 256;
constexpr double kTwoPi = 6.283185307179586;

// Fractal noise that tiles over kSide x kSide: the four shifted copies of
// the plain noise blended by position.
double TiledFbm(double x, double y, double scale, int octaves, uint32_t seed) {
    auto f = [&](double px, double py) { return Fbm(px / scale, py / scale, octaves, seed); };
    double wx = x / kSide, wy = y / kSide;
    return f(x, y) * (1 - wx) * (1 - wy) + f(x - kSide, y) * wx * (1 - wy) + f(x, y - kSide) * (1 - wx) * wy +
           f(x - kSide, y - kSide) * wx * wy;
}

// A glow drawn with its wrapped copies, so it continues across the edges.
void AddWrappedGlow(sCanvas& c, double cx, double cy, double radius, uint32_t colour) {
    for (int oy = -1; oy <= 1; ++oy)
        for (int ox = -1; ox <= 1; ++ox) AddGlow(c, cx + ox * kSide, cy + oy * kSide, radius, colour);
}

sCanvas Environment() {
    sCanvas c(kSide, kSide);
    for (int v = 0; v < kSide; ++v) {
        // Elevation: +1 at row 0 (zenith), -1 at row 128 (floor), periodic.
        const double e = Cosine(kTwoPi * v / kSide);
        for (int u = 0; u < kSide; ++u) {
            uint32_t colour;
            if (e > 0) {
                double clouds = TiledFbm(u, v, 40.0, 5, 4242);
                colour = Mix(Rgb(70, 150, 235), Rgb(18, 42, 120), e);
                colour = Mix(colour, Rgb(250, 245, 255), Clamp01((clouds - 0.5) * 2.6) * (0.35 + 0.5 * e));
            } else {
                // A checkered floor of 32-pixel tiles (eight to the turn, so
                // it tiles too) with soft joints, darkening towards the nadir.
                double fu = (u + 0.5) / 32.0, fv = (v + 0.5) / 32.0;
                int cell = (static_cast<int>(fu) + static_cast<int>(fv)) & 1;
                double ju = fu - static_cast<int>(fu), jv = fv - static_cast<int>(fv);
                double joint = std::min(std::min(ju, 1 - ju), std::min(jv, 1 - jv)) * 32.0;
                colour = cell ? Rgb(214, 138, 72) : Rgb(46, 34, 62);
                colour = Mix(Rgb(20, 16, 24), colour, Clamp01(joint / 1.5));
                colour = Scale(colour, 0.95 - 0.55 * Clamp01(-e) + 0.2 * TiledFbm(u, v, 18.0, 3, 99));
            }
            // The horizon glows where the elevation crosses zero.
            double h = 1.0 - Clamp01(std::fabs(e) * 5.0);
            colour = AddSat(colour, Scale(Rgb(255, 170, 90), h * h * 0.9));
            c.At(u, v) = colour;
        }
    }
    AddWrappedGlow(c, 40, 40, 34, Rgb(255, 255, 240));
    AddWrappedGlow(c, 168, 24, 22, Rgb(255, 230, 200));
    AddWrappedGlow(c, 110, 88, 16, Rgb(200, 240, 255));
    AddWrappedGlow(c, 220, 170, 28, Rgb(255, 120, 60));
    return c;
}

std::vector<uint8_t> Png(const sCanvas& c) {
    std::vector<uint8_t> out;
    if (!EncodePng(c.px.data(), c.w, c.h, 9, &out)) throw std::runtime_error("eball.png: PNG encoding failed");
    return out;
}

}  // namespace

std::vector<sPackEntry> BallsFiles() { return {{"eball.png", Png(Environment())}}; }

void BallsCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    cues.push_back(AtBar(song, fromBar, "balls", 1));
    cues.push_back(AtBar(song, toBar, "balls", 0));
}

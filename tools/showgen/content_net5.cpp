#include "content_net5.h"

#include <algorithm>
#include <cmath>

#include "resources/jpeg_writer.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A closed loop through a few colours, t in [0, 1).
uint32_t Palette(const uint32_t* colours, int count, double t) {
    t -= std::floor(t);
    const double x = t * count;
    const int i = static_cast<int>(x);
    const double f = x - i, smooth = f * f * (3 - 2 * f);
    return Mix(colours[i % count], colours[(i + 1) % count], smooth);
}

}  // namespace

sCanvas MakeNet5Source(bool second) {
    // The effect shows band row i of step k as flat pixel 200 k + 93 + i, so
    // with p = flat index - 93 the stripe is p mod 200 and the step p / 200.
    // Colours follow p as one smooth function: soft bands that drift down
    // the screen a little each step, in hues that turn over ~40 steps.
    static const uint32_t kWarm[] = {Rgb(255, 86, 40), Rgb(255, 196, 60), Rgb(236, 60, 120),
                                     Rgb(120, 40, 170), Rgb(30, 150, 220), Rgb(40, 210, 150)};
    static const uint32_t kCool[] = {Rgb(10, 30, 90), Rgb(20, 120, 200), Rgb(120, 220, 255),
                                     Rgb(80, 40, 180), Rgb(20, 80, 140), Rgb(200, 120, 255)};
    const uint32_t* colours = second ? kCool : kWarm;
    sCanvas c(200, 260);
    for (int n = 0; n < c.w * c.h; ++n) {
        const double p = n - 93;
        const double step = p / 200.0;           // continuous: i / 200 within a run
        const double stripe = p - 200.0 * std::floor(step);  // 0..200, wraps smoothly
        // The hue also leans along the band (one palette third over 200
        // stripes, back again over the next 200), so a run is never one colour.
        const double lean = Sine(kTwoPi * stripe / 200.0) * 0.17;
        const double hue = step / (second ? 60.0 : 40.0) + lean;
        const double band = 0.5 + 0.5 * Sine(kTwoPi * (stripe / 100.0 - step * 0.09));
        const double fine = 0.5 + 0.5 * Sine(kTwoPi * (stripe / 40.0 + step * 0.05));
        uint32_t colour = Mix(Palette(colours, 6, hue), Palette(colours, 6, hue + 0.33), band);
        colour = Scale(colour, (second ? 0.5 : 0.62) + 0.45 * fine * band + 0.1 * fine);
        c.px[static_cast<size_t>(n)] = colour;
    }
    return c;
}

sCanvas MakeNet5Border(bool top) {
    // Paper white fading to a pale grey away from the band, with a rainbow
    // hairline at the band's edge that echoes the stripes.
    sCanvas c(512, 92);
    static const uint32_t kRule[] = {Rgb(255, 86, 40), Rgb(255, 196, 60), Rgb(40, 210, 150), Rgb(30, 150, 220),
                                     Rgb(120, 40, 170), Rgb(236, 60, 120)};
    for (int y = 0; y < c.h; ++y) {
        const int fromBand = top ? c.h - 1 - y : y;
        const double t = fromBand / 91.0;
        for (int x = 0; x < c.w; ++x) c.At(x, y) = Mix(Rgb(250, 250, 252), Rgb(200, 204, 214), t * t);
    }
    for (int x = 0; x < c.w; ++x) {
        const uint32_t colour = Palette(kRule, 6, x / 512.0);
        const int rule = top ? c.h - 6 : 4;
        for (int y = rule; y < rule + 2; ++y) c.At(x, y) = colour;
        for (int y = rule - 3; y < rule + 5; ++y)
            if (y < rule || y >= rule + 2) c.At(x, y) = Mix(c.At(x, y), colour, 0.15);
    }
    return c;
}

std::vector<sPackEntry> Net5Files() {
    auto jpeg = [](const sCanvas& c) { return EncodeJpegWords(c.w, c.h, c.px, 95); };
    return {
        {"net5.jpg", jpeg(MakeNet5Source(false))},
        {"net5kwal.jpg", jpeg(MakeNet5Source(true))},
        {"net5boven.jpg", jpeg(MakeNet5Border(true))},
        {"net5onder.jpg", jpeg(MakeNet5Border(false))},
    };
}

void Net5Cues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    at(fromBar, "net5kwallen", 0);
    at(fromBar, "net5", 1);
    // Half-way, on a bar line, the second picture takes over for good and
    // the borders go black.
    const double half = std::floor(fromBar + (toBar - fromBar) / 2);
    if (half > fromBar) at(half, "net5kwallen", 1);
    // The last two bars flash the borders back on every other beat.
    const int beats = song.beatsPerBar;
    for (double bar = std::max(half + 1, toBar - 2); bar < toBar; bar += 1)
        for (int beat = 0; beat < beats; ++beat)
            at(bar + static_cast<double>(beat) / beats, "net5kwallen", beat % 2 ? 1.0f : 0.0f);
    at(toBar, "net5", 0);
}

#include "kernel_pictures.h"

namespace {

// The bar sits inside rows 250..289, the band the loading steps copy.
constexpr int kBarTop = 258, kBarBottom = 282, kBarLeft = 24, kBarRight = 488;

// Deep night sky: a gradient, a nebula of fractal noise and a few stars.
sCanvas NightSky(uint32_t seed) {
    sCanvas c(kFrameW, kFrameH);
    VerticalGradient(c, Rgb(4, 6, 20), Rgb(10, 34, 48));
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            double n = Fbm(x / 90.0, y / 70.0, 5, seed);
            double m = Fbm(x / 40.0 + 7.3, y / 55.0, 4, seed + 11);
            double cloud = n > 0.45 ? (n - 0.45) * 1.8 : 0;
            uint32_t tint = Mix(Rgb(60, 20, 90), Rgb(10, 110, 130), m);
            c.At(x, y) = AddSat(c.At(x, y), Scale(tint, cloud));
        }
    cRandom random(seed);
    for (int i = 0; i < 140; ++i) {
        double x = random.Unit() * c.w, y = random.Unit() * c.h;
        double size = 1.2 + random.Unit() * random.Unit() * 3.5;
        AddGlow(c, x, y, size, Mix(Rgb(150, 170, 255), Rgb(255, 240, 220), random.Unit()));
    }
    return c;
}

void Title(sCanvas& c, int baseline, int size) {
    // A soft cyan glow under crisp white letters.
    sCanvas glow(c.w, c.h);
    DrawTextCentred(glow, kFontSansBold, size, c.w / 2, baseline, "HALCYON DRIFT", Rgb(40, 190, 230));
    Blur(glow, 4);
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] = AddSat(c.px[i], glow.px[i]);
    DrawTextCentred(c, kFontSansBold, size, c.w / 2, baseline, "HALCYON DRIFT", Rgb(245, 250, 255));
}

}  // namespace

sCanvas MakeLoadingScreen(bool barLit) {
    sCanvas c = NightSky(1234);
    Title(c, 150, 50);
    DrawTextCentred(c, kFontSans, 15, c.w / 2, 184, "a real-time show for the hdrift engine", Rgb(150, 175, 195));

    // The bar's track: a dark slot with a thin frame; lit, a glowing
    // gradient from cyan to violet fills it.
    FillRect(c, kBarLeft - 2, kBarTop - 2, kBarRight + 2, kBarBottom + 2, Rgb(70, 90, 110));
    FillRect(c, kBarLeft, kBarTop, kBarRight, kBarBottom, Rgb(6, 10, 18));
    if (barLit) {
        sCanvas glow(c.w, c.h);
        for (int y = kBarTop; y < kBarBottom; ++y)
            for (int x = kBarLeft; x < kBarRight; ++x) {
                double t = static_cast<double>(x - kBarLeft) / (kBarRight - kBarLeft);
                double shade = 1.0 - 0.35 * static_cast<double>(y - kBarTop) / (kBarBottom - kBarTop);
                uint32_t colour = Scale(Mix(Rgb(40, 220, 240), Rgb(170, 80, 255), t), shade);
                c.At(x, y) = colour;
                glow.At(x, y) = Scale(colour, 0.6);
            }
        Blur(glow, 5);
        for (int y = 244; y < 296; ++y)
            for (int x = 0; x < c.w; ++x) c.At(x, y) = AddSat(c.At(x, y), glow.At(x, y));
    }
    DrawTextCentred(c, kFontSans, 12, c.w / 2, 312, "loading", Rgb(110, 130, 150));
    return c;
}

sCanvas MakeShowPicture() {
    // Marble: sine bands bent by fractal noise, in ink blue and gold.
    sCanvas c(kFrameW, kFrameH);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            // Thin veins where the bent sine crosses zero, fainter ones in between.
            double warp = Fbm(x / 90.0, y / 90.0, 6, 77) * 7.0;
            double s = Sine(x / 26.0 + y / 47.0 + warp);
            double t = 1.0 - (s < 0 ? -s : s);
            double t2 = t * t, t4 = t2 * t2, vein = t4 * t4 * t2;
            double soft = t2 * 0.25;
            uint32_t base = Mix(Rgb(6, 12, 36), Rgb(28, 52, 110), Fbm(x / 160.0, y / 130.0, 4, 5));
            c.At(x, y) = Mix(base, Rgb(245, 200, 110), vein * 0.9 + soft * 0.3);
        }
    Vignette(c, 0.7);
    Title(c, 205, 46);
    DrawTextCentred(c, kFontSans, 16, c.w / 2, 238, "second movement", Rgb(235, 215, 175));
    return c;
}

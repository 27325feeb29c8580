// Overlay pictures: grey "ink" drawn on a canvas (0 leaves the frame alone,
// 255 acts fully) stored as 8-bit PCX whose index is 255 - ink. Drawn in the
// black form, added, the ink lightens the frame and, subtracted, darkens
// it; the white form turns the picture into a stencil (the frame stays
// where the ink is, everything else goes white or black).
#include "content_overlay.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "canvas.h"
#include "kernel_pictures.h"
#include "pcx_writer.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

const char* const kNames[kOverlayCount] = {"ovframe.pcx", "ovleaks.pcx", "ovscan.pcx",
                                           "ovrings.pcx", "ovplate.pcx", "ovletterbox.pcx"};

int Ink(uint32_t c) { return static_cast<int>(c & 0xFF); }  // canvases hold grey, blue is enough
uint32_t Grey(double v) {
    int g = v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v + 0.5);
    return Rgb(g, g, g);
}
double SmoothStep(double e0, double e1, double x) {
    double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

std::vector<uint8_t> ToPcx(const sCanvas& ink) {
    std::vector<uint8_t> index(ink.px.size());
    for (size_t i = 0; i < index.size(); ++i) index[i] = static_cast<uint8_t>(255 - Ink(ink.px[i]));
    // The program ignores the palette; this one shows the ink bright on
    // black, as the overlay adds it, in any picture viewer.
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) palette[3 * i + c] = static_cast<uint8_t>(255 - i);
    return EncodePcx8(ink.w, ink.h, index, palette);
}

// Double frame lines, corner brackets and a vignette deepening to the corners.
sCanvas Frame() {
    sCanvas c(kFrameW, kFrameH);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            double dx = (x - 255.5) / 256.0, dy = (y - 191.5) / 192.0;
            double r = dx * dx * 0.8 + dy * dy;
            c.At(x, y) = Grey(200.0 * SmoothStep(0.35, 1.6, r));
        }
    auto box = [&](int inset, int width, int level) {
        FillRect(c, inset, inset, c.w - inset, inset + width, Grey(level));
        FillRect(c, inset, c.h - inset - width, c.w - inset, c.h - inset, Grey(level));
        FillRect(c, inset, inset, inset + width, c.h - inset, Grey(level));
        FillRect(c, c.w - inset - width, inset, c.w - inset, c.h - inset, Grey(level));
    };
    box(10, 2, 230);
    box(16, 1, 150);
    // L-shaped marks inside each corner.
    const int len = 36, th = 4, in = 24;
    for (int corner = 0; corner < 4; ++corner) {
        int x0 = corner & 1 ? c.w - in - len : in, y0 = corner & 2 ? c.h - in - th : in;
        FillRect(c, x0, y0, x0 + len, y0 + th, Grey(255));
        int vx = corner & 1 ? c.w - in - th : in, vy = corner & 2 ? c.h - in - len : in;
        FillRect(c, vx, vy, vx + th, vy + len, Grey(255));
    }
    return c;
}

// Warm leaks bleeding in from the left and bottom right, a diagonal streak
// and a scatter of dust, shaped by noise so they look photographic.
sCanvas Leaks() {
    sCanvas c(kFrameW, kFrameH);
    AddGlow(c, -40, 120, 260, Grey(235));
    AddGlow(c, 560, 400, 300, Grey(210));
    AddGlow(c, 420, -30, 140, Grey(120));
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            double n = Fbm(x / 120.0, y / 90.0, 4, 901);
            double streak = 1.0 - std::min(1.0, std::abs((x * 0.55 + y) - 300.0) / 70.0);
            double v = Ink(c.At(x, y)) * (0.55 + 0.9 * n) + 110.0 * streak * streak * n;
            c.At(x, y) = Grey(v);
        }
    cRandom random(77);
    for (int i = 0; i < 60; ++i)
        AddGlow(c, random.Unit() * c.w, random.Unit() * c.h, 1.0 + random.Unit() * 2.5,
                Grey(60 + random.Below(150)));
    return c;
}

// Dark scan lines every other row, a slow brighter band and fine grain.
sCanvas Scan() {
    sCanvas c(kFrameW, kFrameH);
    cRandom random(31);
    for (int y = 0; y < c.h; ++y) {
        double band = 0.5 + 0.5 * Sine(kTwoPi * y / 384.0 * 2.0);
        double line = (y & 1) ? 110.0 : 20.0;
        for (int x = 0; x < c.w; ++x) {
            double grain = (random.Unit() - 0.5) * 36.0;
            c.At(x, y) = Grey(line * (0.6 + 0.4 * band) + 18.0 + grain);
        }
    }
    return c;
}

// An emblem: three rings around the centre with a sine wave drawn through,
// over a faint halo.
sCanvas Rings() {
    sCanvas c(kFrameW, kFrameH);
    AddGlow(c, 256, 192, 170, Grey(70));
    const double radii[] = {62, 96, 130};
    const double widths[] = {5, 3, 8};
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            double dx = x - 255.5, dy = y - 191.5;
            double d2 = dx * dx + dy * dy;
            double ink = Ink(c.At(x, y));
            for (int i = 0; i < 3; ++i) {
                double inner = radii[i] - widths[i], outer = radii[i] + widths[i];
                // Antialiased by a one-pixel ramp on squared distances.
                double a = SmoothStep((inner - 1) * (inner - 1), inner * inner, d2) *
                           (1.0 - SmoothStep(outer * outer, (outer + 1) * (outer + 1), d2));
                ink = std::max(ink, 255.0 * a);
            }
            // The wave: |y - wave(x)| within 3 pixels, fading towards the sides.
            double wave = 191.5 + 34.0 * Sine(dx / 22.0) * (1.0 - std::min(1.0, std::abs(dx) / 190.0));
            double dist = std::abs(y - wave);
            if (std::abs(dx) < 190) ink = std::max(ink, 255.0 * (1.0 - SmoothStep(2.0, 3.5, dist)));
            c.At(x, y) = Grey(ink);
        }
    return c;
}

// A lower third: a soft dark strip carrying a title and a line of small text.
sCanvas Plate() {
    sCanvas c(kFrameW, kFrameH);
    for (int y = 276; y < 340; ++y)
        for (int x = 0; x < c.w; ++x) {
            double fade = SmoothStep(0, 60, x) * SmoothStep(0, 60, c.w - 1 - x);
            double edge = SmoothStep(276, 284, y) * (1.0 - SmoothStep(332, 340, y));
            c.At(x, y) = Grey(90.0 * fade * edge);
        }
    sCanvas text(kFrameW, kFrameH);
    DrawTextCentred(text, kFontSansBold, 28, 256, 312, "NOTHING STAYS STILL", Rgb(255, 255, 255));
    DrawTextCentred(text, kFontMono, 11, 256, 330, "software rendered  /  512 x 384  /  32 bit", Rgb(200, 200, 200));
    FillRect(text, 136, 318, 376, 319, Rgb(160, 160, 160));
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] = Grey(std::max(Ink(c.px[i]), Ink(text.px[i])));
    return c;
}

// Soft-edged bars over the rows outside the band (92 to 291), so full-frame
// effects take the band's shape.
sCanvas Letterbox() {
    sCanvas c(kFrameW, kFrameH);
    for (int y = 0; y < c.h; ++y) {
        double top = 1.0 - SmoothStep(84, 96, y), bottom = SmoothStep(287, 299, y);
        for (int x = 0; x < c.w; ++x) c.At(x, y) = Grey(255.0 * std::max(top, bottom));
    }
    return c;
}

}  // namespace

std::vector<sPackEntry> OverlayFiles() {
    std::string list = "; overlay pictures, one per line; OVERLAYNR counts from 0\n";
    for (const char* name : kNames) list += std::string(name) + "\n";
    return {
        {"overlay.ini", std::vector<uint8_t>(list.begin(), list.end())},
        {kNames[kOverlayFrame], ToPcx(Frame())},
        {kNames[kOverlayLeaks], ToPcx(Leaks())},
        {kNames[kOverlayScan], ToPcx(Scan())},
        {kNames[kOverlayRings], ToPcx(Rings())},
        {kNames[kOverlayPlate], ToPcx(Plate())},
        {kNames[kOverlayLetterbox], ToPcx(Letterbox())},
    };
}

void OverlayCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    auto at = [&](double bar, const char* keyword, float value) {
        if (bar < toBar) cues.push_back(AtBar(song, bar, keyword, value));
    };
    const double beat = 1.0 / song.beatsPerBar;
    at(fromBar, "overlayw", 0);
    at(fromBar, "overlayb", 1);
    // Four-bar phrases, each with its own picture and mode.
    for (int phrase = 0; fromBar + 4.0 * phrase < toBar; ++phrase) {
        const double bar = fromBar + 4.0 * phrase;
        switch (phrase % 4) {
        case 0:  // the frame darkens the edges; its lines flash white on the last beats
            at(bar, "overlaynr", kOverlayFrame);
            at(bar, "overlayadd", 0);
            at(bar + 3 + 2 * beat, "overlayadd", 1);
            at(bar + 3 + 3 * beat, "overlayadd", 0);
            break;
        case 1:  // light leaks, with the emblem lighting up on every other bar
            at(bar, "overlayadd", 1);
            for (int b = 0; b < 4; ++b) at(bar + b, "overlaynr", b & 1 ? kOverlayRings : kOverlayLeaks);
            break;
        case 2:  // scan lines, then the letterbox closing in for the last bar
            at(bar, "overlaynr", kOverlayScan);
            at(bar, "overlayadd", 0);
            at(bar + 3, "overlaynr", kOverlayLetterbox);
            break;
        case 3:  // the title plate, glowing; on the last bar the beat cuts
                 // between the emblem's stencil and the plate
            at(bar, "overlaynr", kOverlayPlate);
            at(bar, "overlayadd", 1);
            for (int b = 0; b < song.beatsPerBar; ++b) {
                const bool stencil = (b & 1) == 0;
                const double when = bar + 3 + b * beat;
                at(when, "overlaynr", stencil ? kOverlayRings : kOverlayPlate);
                at(when, "overlayadd", stencil ? 0 : 1);
                at(when, "overlayw", stencil ? 1 : 0);
                at(when, "overlayb", stencil ? 0 : 1);
            }
            break;
        }
    }
    cues.push_back(AtBar(song, toBar, "overlayb", 0));
    cues.push_back(AtBar(song, toBar, "overlayw", 0));
    cues.push_back(AtBar(song, toBar, "overlayadd", 1));
    cues.push_back(AtBar(song, toBar, "overlaynr", 0));
}

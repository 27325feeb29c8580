// A 32-bit drawing surface for the generator's pictures, with the few
// deterministic tools they are made with: gradients, value noise, blur,
// shapes and text. Everything uses plain arithmetic (no library maths in the
// pixel paths), so the same bytes come out on every machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sCanvas {
    sCanvas(int width, int height, uint32_t colour = 0)
        : w(width), h(height), px(static_cast<size_t>(width) * height, colour) {}
    uint32_t& At(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    int w, h;
    std::vector<uint32_t> px;  // 0x00RRGGBB
};

constexpr uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>((r & 255) << 16 | (g & 255) << 8 | (b & 255));
}
// Mix of a and b, t from 0 (a) to 1 (b), per channel, rounded.
uint32_t Mix(uint32_t a, uint32_t b, double t);
// Per-channel saturating sum.
uint32_t AddSat(uint32_t a, uint32_t b);
// Channels scaled by s (0..1 and beyond, saturating).
uint32_t Scale(uint32_t c, double s);

// A small fixed-seed generator (xorshift64*), the same sequence everywhere.
class cRandom {
public:
    explicit cRandom(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t Next();
    double Unit();  // [0, 1)
    int Below(int n);

private:
    uint64_t state_;
};

constexpr double kTau = 6.283185307179586;  // 2 pi
inline double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
// v^n for a small whole n, without the library's pow.
inline double Power(double v, int n) {
    double r = 1.0;
    for (int i = 0; i < n; ++i) r *= v;
    return r;
}

// sin and cos from a polynomial of basic operations (error below 1e-9).
double Sine(double x);
inline double Cosine(double x) { return Sine(x + 1.5707963267948966); }

// Smooth value noise in [0, 1) on an integer lattice hashed with `seed`, and
// its fractal sum over `octaves` (each twice the frequency, half the weight).
double ValueNoise(double x, double y, uint32_t seed);
double Fbm(double x, double y, int octaves, uint32_t seed);

void VerticalGradient(sCanvas& c, uint32_t top, uint32_t bottom);
void FillRect(sCanvas& c, int x0, int y0, int x1, int y1, uint32_t colour);  // [x0, x1) x [y0, y1)
// A soft disc added to the canvas: full `colour` at the centre falling to 0 at `radius`.
void AddGlow(sCanvas& c, double cx, double cy, double radius, uint32_t colour);
// Three box-blur passes of the given radius (close to a Gaussian).
void Blur(sCanvas& c, int radius);
// Each channel darkened towards the edges by up to `strength` (0..1).
void Vignette(sCanvas& c, double strength);

// Text in a TrueType font, anti-aliased, its baseline at y. Returns the
// advance width in pixels. With `draw` false it only measures.
int DrawText(sCanvas& c, const std::string& fontPath, int pixelSize, int x, int baseline, const std::string& text,
             uint32_t colour, bool draw = true);
// The same, horizontally centred on cx.
void DrawTextCentred(sCanvas& c, const std::string& fontPath, int pixelSize, int cx, int baseline,
                     const std::string& text, uint32_t colour);

extern const char* const kFontSans;
extern const char* const kFontSansBold;
extern const char* const kFontMono;

#include "canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

const char* const kFontSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kFontSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const kFontMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

namespace {

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 255); }
int Clamp255(double v) { return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v + 0.5); }

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

}  // namespace

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    auto ch = [&](int s) { return Clamp255(Channel(a, s) + (Channel(b, s) - Channel(a, s)) * t); };
    return Rgb(ch(16), ch(8), ch(0));
}

uint32_t AddSat(uint32_t a, uint32_t b) {
    auto ch = [&](int s) { return std::min(255, Channel(a, s) + Channel(b, s)); };
    return Rgb(ch(16), ch(8), ch(0));
}

uint32_t Scale(uint32_t c, double s) {
    return Rgb(Clamp255(Channel(c, 16) * s), Clamp255(Channel(c, 8) * s), Clamp255(Channel(c, 0) * s));
}

uint64_t cRandom::Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
}

double cRandom::Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
int cRandom::Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

double Sine(double x) {
    constexpr double kPi = 3.14159265358979323846;
    // Reduce to [-pi, pi], then fold into [-pi/2, pi/2] with sin(pi - x) = sin(x),
    // where the Taylor series to x^13 is good to about 7e-10.
    x -= 2 * kPi * std::floor(x / (2 * kPi) + 0.5);
    if (x > kPi / 2) x = kPi - x;
    if (x < -kPi / 2) x = -kPi - x;
    double x2 = x * x, term = x, sum = x;
    for (int n = 3; n <= 13; n += 2) {
        term *= -x2 / ((n - 1) * n);
        sum += term;
    }
    return sum;
}

double ValueNoise(double x, double y, uint32_t seed) {
    double fx = std::floor(x), fy = std::floor(y);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    double tx = Smooth(x - fx), ty = Smooth(y - fy);
    auto v = [&](int dx, int dy) { return (Hash(ix + dx, iy + dy, seed) >> 8) * (1.0 / 16777216.0); };
    double top = v(0, 0) + (v(1, 0) - v(0, 0)) * tx;
    double bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

double Fbm(double x, double y, int octaves, uint32_t seed) {
    double sum = 0, weight = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(x, y, seed + 977u * i) * weight;
        total += weight;
        x *= 2;
        y *= 2;
        weight *= 0.5;
    }
    return sum / total;
}

void VerticalGradient(sCanvas& c, uint32_t top, uint32_t bottom) {
    for (int y = 0; y < c.h; ++y) {
        uint32_t colour = Mix(top, bottom, c.h > 1 ? static_cast<double>(y) / (c.h - 1) : 0);
        std::fill(c.px.begin() + static_cast<size_t>(y) * c.w, c.px.begin() + static_cast<size_t>(y + 1) * c.w, colour);
    }
}

void FillRect(sCanvas& c, int x0, int y0, int x1, int y1, uint32_t colour) {
    for (int y = std::max(0, y0); y < std::min(c.h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(c.w, x1); ++x) c.At(x, y) = colour;
}

void AddGlow(sCanvas& c, double cx, double cy, double radius, uint32_t colour) {
    int x0 = std::max(0, static_cast<int>(cx - radius)), x1 = std::min(c.w - 1, static_cast<int>(cx + radius) + 1);
    int y0 = std::max(0, static_cast<int>(cy - radius)), y1 = std::min(c.h - 1, static_cast<int>(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double d2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (radius * radius);
            if (d2 >= 1) continue;
            double f = (1 - d2) * (1 - d2);
            c.At(x, y) = AddSat(c.At(x, y), Scale(colour, f));
        }
}

void Blur(sCanvas& c, int radius) {
    if (radius <= 0) return;
    std::vector<uint32_t> tmp(c.px.size());
    auto pass = [&](const std::vector<uint32_t>& src, std::vector<uint32_t>& dst, bool horizontal) {
        int len = horizontal ? c.w : c.h, lines = horizontal ? c.h : c.w;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) {
                i = std::clamp(i, 0, len - 1);
                return horizontal ? src[static_cast<size_t>(l) * c.w + i] : src[static_cast<size_t>(i) * c.w + l];
            };
            int sum[3] = {0, 0, 0};
            for (int i = -radius; i <= radius; ++i)
                for (int k = 0; k < 3; ++k) sum[k] += Channel(at(i), 16 - 8 * k);
            int n = 2 * radius + 1;
            for (int i = 0; i < len; ++i) {
                uint32_t v = Rgb((sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n);
                (horizontal ? dst[static_cast<size_t>(l) * c.w + i] : dst[static_cast<size_t>(i) * c.w + l]) = v;
                for (int k = 0; k < 3; ++k) sum[k] += Channel(at(i + radius + 1), 16 - 8 * k) - Channel(at(i - radius), 16 - 8 * k);
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(c.px, tmp, true);
        pass(tmp, c.px, false);
    }
}

void Vignette(sCanvas& c, double strength) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            double dx = (x - c.w / 2.0) / (c.w / 2.0), dy = (y - c.h / 2.0) / (c.h / 2.0);
            double d = std::min(1.0, (dx * dx + dy * dy) / 2);
            c.At(x, y) = Scale(c.At(x, y), 1 - strength * d);
        }
}

namespace {

struct sFont {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~sFont() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

}  // namespace

int DrawText(sCanvas& c, const std::string& fontPath, int pixelSize, int x, int baseline, const std::string& text,
             uint32_t colour, bool draw) {
    sFont font;
    if (FT_Init_FreeType(&font.library) || FT_New_Face(font.library, fontPath.c_str(), 0, &font.face))
        throw std::runtime_error("cannot open the font " + fontPath);
    FT_Set_Pixel_Sizes(font.face, 0, static_cast<FT_UInt>(pixelSize));
    int penX = x;
    for (unsigned char ch : text) {
        if (FT_Load_Char(font.face, ch, FT_LOAD_RENDER)) continue;
        FT_GlyphSlot g = font.face->glyph;
        if (draw) {
            for (unsigned row = 0; row < g->bitmap.rows; ++row)
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    int px = penX + g->bitmap_left + static_cast<int>(col);
                    int py = baseline - g->bitmap_top + static_cast<int>(row);
                    if (px < 0 || py < 0 || px >= c.w || py >= c.h) continue;
                    int coverage = g->bitmap.buffer[row * g->bitmap.pitch + col];
                    if (coverage) c.At(px, py) = Mix(c.At(px, py), colour, coverage / 255.0);
                }
        }
        penX += static_cast<int>(g->advance.x >> 6);
    }
    return penX - x;
}

void DrawTextCentred(sCanvas& c, const std::string& fontPath, int pixelSize, int cx, int baseline,
                     const std::string& text, uint32_t colour) {
    int width = DrawText(c, fontPath, pixelSize, 0, baseline, text, colour, false);
    DrawText(c, fontPath, pixelSize, cx - width / 2, baseline, text, colour);
}

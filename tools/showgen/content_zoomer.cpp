#include "content_zoomer.h"

#include "resources/jpeg_writer.h"

sCanvas MakeZoomTexture(int which) {
    // Whole periods only, so both directions wrap. The first texture is a
    // warm checker of depth rings and angular segments with soft bevels;
    // the second cool spiral bands. The effect averages them (halving the
    // brightness), so both are bright and each keeps its own contrast.
    sCanvas c(256, 256);
    for (int depth = 0; depth < c.h; ++depth) {
        for (int angle = 0; angle < c.w; ++angle) {
            const double a = kTau * angle / 256.0;
            const double d = kTau * depth / 256.0;
            uint32_t colour;
            if (which == 1) {
                const double rings = Sine(8 * d), segments = Sine(8 * a);
                const double cell = rings * segments;
                // Lit cells on one colour of the checker, dark on the other.
                const double lit = Clamp01(cell);
                colour = Mix(Rgb(34, 8, 14), Rgb(255, 170, 60), lit * (0.4 + 0.6 * lit));
                // A bright seam where the sign of the checker flips.
                const double edge = Clamp01(1.0 - 6.0 * (cell < 0 ? -cell : cell));
                colour = AddSat(colour, Scale(Rgb(255, 230, 170), 0.8 * Power(edge, 3)));
            } else {
                const double spiral = 0.5 + 0.5 * Sine(6 * a + 4 * d);
                const double ripple = 0.5 + 0.5 * Sine(12 * d - 2 * a + 0.4);
                colour = Mix(Rgb(4, 12, 36), Rgb(60, 210, 255), Power(spiral, 4));
                colour = AddSat(colour, Scale(Rgb(190, 250, 255), 0.6 * Power(ripple, 12)));
            }
            c.At(angle, depth) = colour;
        }
    }
    return c;
}

sCanvas MakeZoomMap() {
    // A porthole target: a dark centre pixel (so the smallest zoom leaves
    // the tunnels alone), rings of colour around it that sweep outward as
    // the view pulls back, and a scatter of stars beyond them. Map pixels
    // are square on screen, so the rings are true circles.
    sCanvas c(64, 32, Rgb(0, 0, 0));
    const uint32_t ringColours[] = {Rgb(40, 90, 200), Rgb(200, 60, 160), Rgb(240, 170, 40), Rgb(60, 200, 140),
                                    Rgb(220, 80, 60)};
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x) {
            const double dx = x - 32, dy = y - 16;
            const double r2 = dx * dx + dy * dy;
            for (int k = 0; k < 5; ++k) {
                const double radius = 3.0 * (k + 1);
                if (r2 >= (radius - 0.7) * (radius - 0.7) && r2 < (radius + 0.7) * (radius + 0.7))
                    c.At(x, y) = ringColours[k];
            }
        }
    }
    cRandom random(0x200A);
    for (int i = 0; i < 40; ++i) {
        const int x = random.Below(64), y = random.Below(32);
        const double dx = x - 32, dy = y - 16;
        if (dx * dx + dy * dy < 17.0 * 17.0) continue;
        const int level = 140 + random.Below(116);
        c.At(x, y) = Rgb(level, level, 255 - (255 - level) / 3);
    }
    return c;
}

std::vector<sPackEntry> ZoomerFiles() {
    return {
        {"texture1.jpg", EncodeJpegWords(256, 256, MakeZoomTexture(1).px, 92)},
        {"texture2.jpg", EncodeJpegWords(256, 256, MakeZoomTexture(2).px, 92)},
        // Pixel art magnified many times: quality 100 keeps its edges clean.
        {"zoommap.jpg", EncodeJpegWords(64, 32, MakeZoomMap().px, 100)},
    };
}

void ZoomerCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    // The zoom grows by elapsed ms * 0.00025 * ZOOMSPEED, the elapsed time
    // counted from the effect's previous frame, which may lie in an earlier
    // scene: so the speed is 0 while it is switched on and only set a beat
    // later. Then the full range 4..248 out by the middle of the span and
    // back in by its end; the zoom is kept between 4 and 248, so an
    // overshoot only holds it at the end a moment longer.
    const double beat = 1.0 / song.beatsPerBar;
    const double start = fromBar + beat;
    const double middle = fromBar + (toBar - fromBar) / 2;
    const double outMs = static_cast<double>(song.BarToMs(middle)) - song.BarToMs(start);
    const double inMs = static_cast<double>(song.BarToMs(toBar)) - song.BarToMs(middle);
    auto speedFor = [](double ms) { return ms > 0 ? static_cast<float>(244.0 / (ms * 0.00025)) : 0.0f; };
    at(fromBar, "zoomspeed", 0.0f);
    at(fromBar, "zoomtunnelspeed1", 255.0f);
    at(fromBar, "zoomtunnelspeed2", 257.0f);
    at(fromBar, "zoomer", 1.0f);
    at(start, "zoomspeed", speedFor(outMs));
    int bar = 0;
    for (double b = fromBar; b + 1e-9 < toBar; b += 1.0, ++bar) {
        if (bar % 4 == 3) {
            // One bar of reversed, faster flow, then back.
            at(b, "zoomtunnelspeed1", -510.0f);
            at(b, "zoomtunnelspeed2", -514.0f);
        } else if (bar % 4 == 0 && bar > 0) {
            at(b, "zoomtunnelspeed1", 255.0f);
            at(b, "zoomtunnelspeed2", 257.0f);
        }
    }
    at(middle, "zoomspeed", -speedFor(inMs));
    at(toBar, "zoomer", 0.0f);
    at(toBar, "zoomspeed", 0.0f);
}

#include "content_tunnel.h"

#include "resources/jpeg_writer.h"

sCanvas MakeTunnelTexture() {
    // Every wave has a whole number of periods across the 256 texels, so
    // the texture wraps without a seam both along the depth (columns) and
    // around the tunnel (rows). Deep blue and violet plasma, thin amber
    // rings across the depth that wobble around the tunnel, and pale ribs
    // along it; the glow brightens, so the base stays dark.
    sCanvas c(256, 256);
    for (int v = 0; v < c.h; ++v) {
        for (int u = 0; u < c.w; ++u) {
            const double a = kTau * u / 256.0;  // along the depth
            const double b = kTau * v / 256.0;  // around
            const double plasma = Clamp01(0.5 + 0.25 * Sine(3 * a + 2 * b) + 0.25 * Sine(5 * b - 2 * a + 1.3));
            uint32_t colour = Mix(Rgb(8, 14, 48), Rgb(92, 26, 118), plasma);
            colour = Mix(colour, Rgb(20, 70, 110), 0.5 + 0.5 * Sine(2 * a - 4 * b + 0.7) > 0.8 ? 0.35 : 0.0);
            const double ring = 0.5 + 0.5 * Cosine(8 * a + 0.8 * Sine(3 * b));
            colour = AddSat(colour, Scale(Rgb(255, 168, 56), Power(ring, 12)));
            const double rib = 0.5 + 0.5 * Cosine(6 * b + 1.5 * Sine(2 * a));
            colour = AddSat(colour, Scale(Rgb(70, 150, 220), 0.6 * Power(rib, 16)));
            c.At(u, v) = colour;
        }
    }
    return c;
}

std::vector<sPackEntry> TunnelFiles() {
    return {{"tunnel.jpg", EncodeJpegWords(256, 256, MakeTunnelTexture().px, 92)}};
}

void TunnelCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    const double beat = 1.0 / song.beatsPerBar;
    at(fromBar, "tunnelflash", 0.24f);
    at(fromBar, "tunnelzoom", 244.0f);
    at(fromBar, "tunnel", 1.0f);
    int bar = 0;
    for (double b = fromBar; b + 1e-9 < toBar; b += 1.0, ++bar) {
        const bool phrase = bar % 4 == 0;
        // Downbeat: longer streaks (the sample lies further toward the
        // centre); a phrase start also lights the pixels' own colour.
        at(b, "tunnelzoom", phrase ? 228.0f : 236.0f);
        at(b, "tunnelflash", phrase ? 0.55f : 0.3f);
        if (b + beat < toBar) {
            at(b + beat, "tunnelzoom", 244.0f);
            at(b + beat, "tunnelflash", 0.24f);
        }
        // The off-beat of the last beat tightens the glow a little.
        if (b + (song.beatsPerBar - 0.5) * beat < toBar) at(b + (song.beatsPerBar - 0.5) * beat, "tunnelzoom", 248.0f);
    }
    at(toBar, "tunnel", 0.0f);
}

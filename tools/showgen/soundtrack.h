// The bundled show's soundtrack: an arrangement of sections on a bar grid,
// synthesised and encoded to MP3. The timeline places effects on the same
// bars, so the layout is available without rendering any audio.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sSection {
    std::string name;  // "intro", "build", "drop", "breakdown", "outro", ...
    int firstBar;      // from 0
    int bars;
};

struct sSongLayout {
    double bpm;
    int beatsPerBar;
    std::vector<sSection> sections;  // in order, back to back from bar 0
    int TotalBars() const;
    // Music position in milliseconds of a (fractional) bar, truncated.
    uint32_t BarToMs(double bar) const;
    // The whole piece's length in milliseconds, tail included.
    uint32_t LengthMs() const;
};

const sSongLayout& SongLayout();

constexpr int kSoundtrackRate = 44100;

// The whole piece as interleaved stereo 16-bit samples at 44.1 kHz. The same
// samples on every run and every machine.
std::vector<int16_t> RenderSoundtrackPcm();
// The samples encoded to MP3 with LAME (its tag frame in place, so decoders
// drop the encoder delay and padding exactly).
std::vector<uint8_t> EncodeSoundtrackMp3(const std::vector<int16_t>& pcm);

// Arithmetic for the soundtrack synthesiser that gives the same bits on every
// machine: the transcendental functions are built from +, -, *, / (and exact
// ldexp/frexp) instead of libm, whose last-bit results differ between library
// versions. They run at set-up or control rate; the per-sample paths use the
// sine table, phase accumulators and the rational soft clipper below.
#pragma once

#include <cstdint>

namespace synth {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 44100.0;

double Sin(double x);
double Cos(double x);
double Tan(double x);   // for |x| < pi/2
double Exp(double x);
double Log2(double x);  // x > 0
double Pow2(double x);

// Frequency of a (fractional) MIDI note, A4 = 69 = 440 Hz.
double NoteHz(double note);
// Per-sample multiplier that decays by 1/e in `seconds`.
float DecayPerSample(double seconds);
// Phase increment of a 32-bit phase accumulator (one cycle = 2^32).
inline uint32_t PhaseIncrement(double hz) {
    double inc = hz * (4294967296.0 / kRate);
    if (inc < 0.0) inc = 0.0;
    if (inc > 2147483647.0) inc = 2147483647.0;  // at most half a cycle a sample
    return static_cast<uint32_t>(inc);
}

// sin(2 pi phase / 2^32) by linear interpolation in a 2048-entry table.
constexpr int kSineBits = 11;
constexpr int kSineSize = 1 << kSineBits;
const float* SineTable();  // kSineSize + 1 entries, the last repeats the first
inline float SineAt(const float* table, uint32_t phase) {
    constexpr int shift = 32 - kSineBits;
    uint32_t index = phase >> shift;
    float frac = static_cast<float>(phase & ((1u << shift) - 1u)) * (1.0f / static_cast<float>(1u << shift));
    return table[index] + (table[index + 1] - table[index]) * frac;
}

// A tanh-shaped soft clipper: x (27 + x^2) / (27 + 9 x^2) reaches exactly +-1
// at +-3 with zero slope, so clamping there leaves no corner. Just below 3
// float rounding can overshoot 1 by an ulp, hence the final bound.
inline float SoftClip(float x) {
    if (x > 3.0f) return 1.0f;
    if (x < -3.0f) return -1.0f;
    float x2 = x * x;
    float y = x * (27.0f + x2) / (27.0f + 9.0f * x2);
    return y > 1.0f ? 1.0f : (y < -1.0f ? -1.0f : y);
}

// Recursive filter states decay towards zero in silence; values far below
// hearing are flushed so they never become denormals (which are slow) while
// the arithmetic stays plain IEEE. (x + c) - c is zero for |x| much smaller
// than c and is not folded by a compiler that honours IEEE semantics.
inline float Flush(float x) { return (x + 1e-18f) - 1e-18f; }

// xorshift32: the noise source. Seeded per instrument so every noise stream
// is fixed.
class cRng {
public:
    explicit cRng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [-1, 1).
    float Bipolar() { return static_cast<float>(static_cast<int32_t>(Next())) * (1.0f / 2147483648.0f); }

private:
    uint32_t state_;
};

}  // namespace synth

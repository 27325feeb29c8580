// The synthesiser's building blocks: envelope, filters and band-limited
// oscillators. Everything here runs per sample, so it is inline and uses only
// basic float arithmetic.
#pragma once

#include <cstdint>

#include "soundtrack_math.h"

namespace synth {

// Attack / decay / sustain / release. The attack is a linear ramp from
// wherever the level is, so a retrigger during a release never jumps; decay
// and release are exponential. A voice ends once its level is below -80 dB:
// every instrument peaks below full scale, so the last step is under a few
// LSB of 16-bit audio and inaudible, and released voices stop costing time.
class cEnvelope {
public:
    void Set(double attackSeconds, double decaySeconds, float sustain, double releaseSeconds) {
        attackFrames_ = attackSeconds * kRate;
        if (attackFrames_ < 1.0) attackFrames_ = 1.0;
        decay_ = DecayPerSample(decaySeconds);
        sustain_ = sustain;
        release_ = DecayPerSample(releaseSeconds);
    }
    void Trigger() {
        stage_ = kAttack;
        attackStep_ = static_cast<float>((1.0 - level_) / attackFrames_);
        if (attackStep_ <= 0.0f) attackStep_ = 1e-6f;
    }
    void Release() {
        if (stage_ != kIdle) stage_ = kRelease;
    }
    bool Active() const { return stage_ != kIdle; }
    float Level() const { return level_; }
    float Next() {
        switch (stage_) {
            case kAttack:
                level_ += attackStep_;
                if (level_ >= 1.0f) {
                    level_ = 1.0f;
                    stage_ = kDecay;
                }
                break;
            case kDecay: level_ = sustain_ + (level_ - sustain_) * decay_; break;
            case kRelease:
                level_ *= release_;
                if (level_ < kSilence) {
                    level_ = 0.0f;
                    stage_ = kIdle;
                }
                break;
            case kIdle: break;
        }
        // A sustain of zero makes the decay stage a pure decay to silence.
        if (stage_ == kDecay && sustain_ == 0.0f && level_ < kSilence) {
            level_ = 0.0f;
            stage_ = kIdle;
        }
        return level_;
    }

private:
    static constexpr float kSilence = 1e-4f;
    enum Stage { kIdle, kAttack, kDecay, kRelease };
    Stage stage_ = kIdle;
    float level_ = 0.0f;
    float attackStep_ = 0.0f;
    double attackFrames_ = 1.0;
    float decay_ = 0.0f;
    float sustain_ = 1.0f;
    float release_ = 0.0f;
};

// Zero-delay-feedback state-variable filter (trapezoidal integration): stable
// for any cutoff and resonance, and its two integrator states carry across
// coefficient changes, so cutoff sweeps stay smooth. g = tan(pi fc / fs),
// k = 1 / Q (2 is no resonance, towards 0 self-oscillation).
class cSvf {
public:
    struct sOut {
        float low, band, high;
    };
    void SetCoefficients(float g, float k) {
        g_ = g;
        k_ = k;
        a1_ = 1.0f / (1.0f + g * (g + k));
        a2_ = g * a1_;
        a3_ = g * a2_;
    }
    sOut Process(float v0) {
        float v3 = v0 - ic2_;
        float v1 = a1_ * ic1_ + a2_ * v3;
        float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
        ic1_ = Flush(2.0f * v1 - ic1_);
        ic2_ = Flush(2.0f * v2 - ic2_);
        return {v2, v1, v0 - k_ * v1 - v2};
    }

private:
    float g_ = 0.1f, k_ = 2.0f;
    float a1_ = 1.0f, a2_ = 0.0f, a3_ = 0.0f;
    float ic1_ = 0.0f, ic2_ = 0.0f;
};

// g for a cutoff in Hz, kept below 0.45 of the rate where tan grows steeply.
inline float SvfG(double hz) {
    if (hz < 10.0) hz = 10.0;
    if (hz > 0.45 * kRate) hz = 0.45 * kRate;
    return static_cast<float>(Tan(kPi * hz / kRate));
}

// A cutoff that moves per sample: g is computed exactly every kControl
// samples (it needs tan and 2^x) and interpolated linearly in between.
class cSweptSvf {
public:
    static constexpr int kControl = 16;
    cSweptSvf() { filter_.SetCoefficients(g_, k_); }
    // Before the first sample only.
    void SetResonance(float k) { k_ = k; }
    // Called before every sample with the wanted cutoff in octaves above
    // `baseHz`; the value is sampled at the control rate.
    float Low(float in, double baseHz, float octaves) {
        Step(baseHz, octaves);
        return filter_.Process(in).low;
    }
    cSvf::sOut Process(float in, double baseHz, float octaves) {
        Step(baseHz, octaves);
        return filter_.Process(in);
    }

private:
    void Step(double baseHz, float octaves) {
        if (countdown_ == 0) {
            // tan and 2^x only when the wanted cutoff moved (a bus filter
            // holds still for whole blocks).
            if (baseHz != lastBase_ || octaves != lastOctaves_) {
                lastBase_ = baseHz;
                lastOctaves_ = octaves;
                lastTarget_ = SvfG(baseHz * Pow2(octaves));
            }
            float target = lastTarget_;
            if (!started_) {
                g_ = target;
                started_ = true;
                filter_.SetCoefficients(g_, k_);
            }
            gStep_ = (target - g_) / kControl;
            countdown_ = kControl;
        }
        --countdown_;
        if (gStep_ != 0.0f) {  // a held cutoff needs no new coefficients
            g_ += gStep_;
            filter_.SetCoefficients(g_, k_);
        }
    }
    cSvf filter_;
    float g_ = 0.1f, gStep_ = 0.0f, k_ = 1.4f;
    double lastBase_ = -1.0;
    float lastOctaves_ = 0.0f, lastTarget_ = 0.1f;
    int countdown_ = 0;
    bool started_ = false;
};

// One-pole low-pass (and high-pass as input minus low-pass).
class cOnePole {
public:
    void SetHz(double hz) { a_ = 1.0f - DecayPerSample(1.0 / (2.0 * kPi * hz)); }
    float Low(float x) {
        z_ = Flush(z_ + a_ * (x - z_));
        return z_;
    }
    float High(float x) { return x - Low(x); }

private:
    float a_ = 1.0f, z_ = 0.0f;
};

// Band-limited sawtooth: a naive ramp with a polynomial correction (PolyBLEP)
// over the sample either side of the wrap, which removes most of the aliasing
// of the jump. The phase is a 32-bit accumulator so it never drifts.
inline float PolyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

// The top 24 bits of the phase as a signed integer convert to float in one
// instruction and exactly, and t stays below 1.
inline float PhaseUnit(uint32_t phase) {
    return static_cast<float>(static_cast<int32_t>(phase >> 8)) * (1.0f / 16777216.0f);
}

inline float SawAt(uint32_t phase, uint32_t inc) {
    float t = PhaseUnit(phase);
    float dt = PhaseUnit(inc);
    return 2.0f * t - 1.0f - PolyBlep(t, dt);
}

// Square as the difference of two saws half a cycle apart.
inline float SquareAt(uint32_t phase, uint32_t inc) { return SawAt(phase, inc) - SawAt(phase + 0x80000000u, inc); }

}  // namespace synth

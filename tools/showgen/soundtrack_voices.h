// The soundtrack's instruments. Each one takes notes at its current position
// and adds its output into a stereo block; voices keep their oscillator,
// envelope and filter state from block to block.
#pragma once

#include <array>
#include <cstdint>

#include "soundtrack_dsp.h"
#include "soundtrack_math.h"

namespace synth {

struct sNote {
    double pitch = 60.0;     // MIDI note, fractional allowed
    float velocity = 1.0f;   // 0..1
    int32_t gateFrames = 0;  // held this long, then released
    float aux = 0.0f;        // instrument specific (the pad's attack in seconds)
};

class cInstrument {
public:
    virtual ~cInstrument() = default;
    // Starts a note at the position the next Render begins at.
    virtual void NoteOn(const sNote& note) = 0;
    // Adds `frames` samples to left and right.
    virtual void Render(float* left, float* right, int frames) = 0;
};

// A short linear fade for a voice that is cut off by a newer one (a choke):
// 3 ms is too short to hear as a fade and long enough not to click.
struct sChoke {
    float gain = 1.0f;
    float step = 0.0f;
    void Start() { step = -gain / (0.003f * static_cast<float>(kRate)); }
    float Next() {
        gain += step;
        if (gain < 0.0f) gain = 0.0f;
        return gain;
    }
    bool Done() const { return step < 0.0f && gain <= 0.0f; }
};

// Kick (and, with a long decay and low sweep, the sub "boom" on big
// downbeats): a sine whose pitch falls exponentially from startHz to endHz,
// a short noise click, and a soft clipper for weight. A new hit chokes the
// ringing one.
struct sKickParams {
    double startHz = 160.0, endHz = 48.0;
    double pitchSeconds = 0.035;  // 1/e time of the sweep
    double decaySeconds = 0.13;   // 1/e time of the body
    float click = 0.12f;
    float drive = 1.6f;
};

class cKick : public cInstrument {
public:
    explicit cKick(const sKickParams& p, uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;

private:
    struct sVoice {
        bool active = false;
        uint32_t phase = 0;
        float pitchEnv = 0.0f;
        float velocity = 0.0f;
        cEnvelope amp, click;
        cOnePole clickHp;
        sChoke choke;
    };
    sKickParams p_;
    float pitchCoef_;
    const float* sine_;
    cRng rng_;
    std::array<sVoice, 3> voices_{};
};

// Snare: a falling tone under band-passed and high-passed noise.
class cSnare : public cInstrument {
public:
    explicit cSnare(uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;

private:
    struct sVoice {
        bool active = false;
        uint32_t phase = 0;
        float pitchEnv = 0.0f;
        float velocity = 0.0f;
        cEnvelope tone, noise;
        cSvf band, high;
        sChoke choke;
    };
    const float* sine_;
    cRng rng_;
    std::array<sVoice, 4> voices_{};
};

// Clap: band-passed noise struck four times about 11 ms apart (several
// hands), the last strike ringing out.
class cClap : public cInstrument {
public:
    explicit cClap(uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;

private:
    struct sVoice {
        bool active = false;
        int32_t age = 0;
        float velocity = 0.0f;
        cEnvelope env;
        cSvf band;
    };
    cRng rng_;
    std::array<sVoice, 3> voices_{};
};

// Hi-hat: high-passed noise with a short (closed) or long (open) decay,
// placed off centre. An open hat chokes the previous one.
class cHat : public cInstrument {
public:
    cHat(double decaySeconds, double highPassHz, float pan, uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;

private:
    struct sVoice {
        bool active = false;
        float velocity = 0.0f;
        cEnvelope env;
        cSvf high, high2;
        sChoke choke;
    };
    float gainL_, gainR_;
    double decaySeconds_, highPassHz_;
    cRng rng_;
    std::array<sVoice, 4> voices_{};
};

// Crash: two independent high-passed noise streams (wide) with a long decay.
class cCrash : public cInstrument {
public:
    explicit cCrash(uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;

private:
    struct sVoice {
        bool active = false;
        float velocity = 0.0f;
        cEnvelope env;
        cSvf highL, highR, bandL, bandR;
    };
    cRng rng_;
    std::array<sVoice, 3> voices_{};
};

// Riser: stereo noise through a band-pass that sweeps up 4.5 octaves over
// the gate while the level grows with the square of the progress.
class cRiser : public cInstrument {
public:
    explicit cRiser(uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;

private:
    bool active_ = false;
    int32_t age_ = 0, gate_ = 1;
    float velocity_ = 0.0f;
    cEnvelope env_;
    cSweptSvf filterL_, filterR_;
    cRng rng_;
};

// Monophonic bass: two slightly detuned saws and a sine sub, driven into a
// resonant low-pass whose cutoff jumps up at each note and falls back. The
// oscillators run freely and the filter keeps its state across notes; a new
// note's velocity is reached over a few ms, since a sounding note jumping to
// another level would click.
class cBass : public cInstrument {
public:
    cBass();
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;
    void SetCutoff(double hz) { baseHz_ = hz; }

private:
    const float* sine_;
    uint32_t phaseA_ = 0, phaseB_ = 0x40000000u, phaseSub_ = 0;
    uint32_t incA_ = 0, incB_ = 0, incSub_ = 0;
    int32_t gate_ = 0;
    float velocity_ = 0.0f, level_ = 0.0f;
    double baseHz_ = 400.0;
    cEnvelope amp_, filterEnv_;
    cSweptSvf filter_;
};

// Pads: every note is five saws detuned by up to 12 cents and spread across
// the stereo field, with a slow attack (the note's aux, in seconds) and a
// long release. The sum goes through a stereo low-pass whose cutoff is set
// per block and drifts slowly, and a high-pass that leaves the bass room.
class cPad : public cInstrument {
public:
    explicit cPad(uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;
    void SetCutoff(double hz) { cutoffHz_ = hz; }

private:
    static constexpr int kSaws = 5;
    struct sVoice {
        bool active = false;
        int32_t gate = 0;
        float velocity = 0.0f;
        uint32_t phase[kSaws] = {};
        uint32_t inc[kSaws] = {};
        cEnvelope amp;
    };
    float gainL_[kSaws], gainR_[kSaws];
    double cutoffHz_ = 2000.0;
    uint32_t lfoPhase_ = 0;
    cSweptSvf filterL_, filterR_;
    cOnePole lowCutL_, lowCutR_;
    cRng rng_;
    std::array<sVoice, 40> voices_{};
};

// Monophonic lead: two detuned saws and a square an octave down through a
// low-pass with its own envelope; pitch glides briefly between held notes
// and a vibrato fades in on long ones. `brightHz` is the cutoff at rest.
class cLead : public cInstrument {
public:
    cLead();
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;
    void SetBrightness(double hz) { brightHz_ = hz; }

private:
    void UpdatePitch();
    const float* sine_;
    uint32_t phaseA_ = 0, phaseB_ = 0x55555555u, phaseC_ = 0;
    uint32_t incA_ = 0, incB_ = 0, incC_ = 0;
    uint32_t vibratoPhase_ = 0;
    double pitch_ = 69.0, target_ = 69.0;
    int32_t gate_ = 0, age_ = 0, countdown_ = 0;
    float velocity_ = 0.0f, level_ = 0.0f;
    double brightHz_ = 1500.0;
    cEnvelope amp_, filterEnv_;
    cSweptSvf filter_;
};

// Plucked arpeggio: saw plus square through a low-pass that snaps shut after
// the attack, then a stereo low-pass set per block (for the intro's slow
// opening). Voices alternate slightly left and right.
class cPluck : public cInstrument {
public:
    explicit cPluck(uint32_t seed);
    void NoteOn(const sNote& note) override;
    void Render(float* left, float* right, int frames) override;
    void SetCutoff(double hz) { cutoffHz_ = hz; }

private:
    struct sVoice {
        bool active = false;
        int32_t gate = 0;
        float velocity = 0.0f;
        float gainL = 0.7f, gainR = 0.7f;
        uint32_t phase = 0, inc = 0;
        cEnvelope amp, filterEnv;
        cSweptSvf filter;
    };
    double cutoffHz_ = 3000.0;
    int next_ = 0;
    cSweptSvf filterL_, filterR_;
    cRng rng_;
    std::array<sVoice, 16> voices_{};
};

}  // namespace synth

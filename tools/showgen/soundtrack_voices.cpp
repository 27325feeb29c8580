#include "soundtrack_voices.h"

#include <algorithm>

namespace synth {

namespace {

// A free voice, or when all are busy the quietest one (the pools are sized
// so that the arrangement never gets there).
template <typename Voice, size_t N, typename Level>
Voice& Allocate(std::array<Voice, N>& voices, Level level) {
    for (auto& v : voices)
        if (!v.active) return v;
    Voice* quietest = &voices[0];
    for (auto& v : voices)
        if (level(v) < level(*quietest)) quietest = &v;
    return *quietest;
}

// Left and right gains for a pan in [-1, 1] that keep the power constant.
void PanGains(float pan, float* left, float* right) {
    double angle = (static_cast<double>(pan) + 1.0) * 0.25 * kPi;
    *left = static_cast<float>(Cos(angle));
    *right = static_cast<float>(Sin(angle));
}

constexpr int kScratch = 256;

// Per-sample step towards a new velocity in the monophonic voices (3 ms).
float VelocityGlide() {
    static const float glide = 1.0f - DecayPerSample(0.003);
    return glide;
}

}  // namespace

// ---- kick -----------------------------------------------------------------

cKick::cKick(const sKickParams& p, uint32_t seed)
    : p_(p), pitchCoef_(DecayPerSample(p.pitchSeconds)), sine_(SineTable()), rng_(seed) {}

void cKick::NoteOn(const sNote& note) {
    for (auto& v : voices_)
        if (v.active) v.choke.Start();
    sVoice& v = Allocate(voices_, [](const sVoice& x) { return x.amp.Level() * x.choke.gain; });
    v = sVoice{};
    v.active = true;
    v.pitchEnv = 1.0f;
    v.velocity = note.velocity;
    v.amp.Set(0.002, p_.decaySeconds, 0.0f, 0.01);
    v.amp.Trigger();
    v.click.Set(0.001, 0.004, 0.0f, 0.005);
    v.click.Trigger();
    v.clickHp.SetHz(1500.0);
}

void cKick::Render(float* left, float* right, int frames) {
    const float endHz = static_cast<float>(p_.endHz);
    const float sweepHz = static_cast<float>(p_.startHz - p_.endHz);
    const float norm = 1.0f / SoftClip(p_.drive);
    for (auto& v : voices_) {
        if (!v.active) continue;
        for (int i = 0; i < frames; ++i) {
            float hz = endHz + sweepHz * v.pitchEnv;
            v.pitchEnv *= pitchCoef_;
            v.phase += PhaseIncrement(hz);
            float body = SineAt(sine_, v.phase) * v.amp.Next();
            float click = v.click.Active() ? v.clickHp.High(rng_.Bipolar()) * v.click.Next() * p_.click : 0.0f;
            float s = SoftClip(p_.drive * (body + click)) * norm * v.velocity * v.choke.Next();
            left[i] += s;
            right[i] += s;
        }
        if (!v.amp.Active() || v.choke.Done()) v.active = false;
    }
}

// ---- snare ----------------------------------------------------------------

cSnare::cSnare(uint32_t seed) : sine_(SineTable()), rng_(seed) {}

void cSnare::NoteOn(const sNote& note) {
    for (auto& v : voices_)
        if (v.active) v.choke.Start();
    sVoice& v = Allocate(voices_, [](const sVoice& x) { return x.noise.Level() * x.choke.gain; });
    v = sVoice{};
    v.active = true;
    v.pitchEnv = 1.0f;
    v.velocity = note.velocity;
    v.tone.Set(0.0015, 0.05, 0.0f, 0.01);
    v.tone.Trigger();
    v.noise.Set(0.0015, 0.11, 0.0f, 0.01);
    v.noise.Trigger();
    v.band.SetCoefficients(SvfG(1900.0), 1.0f);
    v.high.SetCoefficients(SvfG(5500.0), 1.4f);
}

void cSnare::Render(float* left, float* right, int frames) {
    const float pitchCoef = DecayPerSample(0.025);
    for (auto& v : voices_) {
        if (!v.active) continue;
        for (int i = 0; i < frames; ++i) {
            v.phase += PhaseIncrement(180.0f * (1.0f + 0.6f * v.pitchEnv));
            v.pitchEnv *= pitchCoef;
            float tone = SineAt(sine_, v.phase) * v.tone.Next();
            float n = rng_.Bipolar();
            float noise = (1.1f * v.band.Process(n).band + 0.45f * v.high.Process(n).high) * v.noise.Next();
            float s = (0.6f * tone + noise) * v.velocity * v.choke.Next();
            left[i] += s;
            right[i] += s;
        }
        if ((!v.tone.Active() && !v.noise.Active()) || v.choke.Done()) v.active = false;
    }
}

// ---- clap -----------------------------------------------------------------

cClap::cClap(uint32_t seed) : rng_(seed) {}

void cClap::NoteOn(const sNote& note) {
    sVoice& v = Allocate(voices_, [](const sVoice& x) { return x.env.Level(); });
    v = sVoice{};
    v.active = true;
    v.velocity = note.velocity;
    v.env.Set(0.001, 0.006, 0.0f, 0.01);
    v.env.Trigger();
    v.band.SetCoefficients(SvfG(1250.0), 0.9f);
}

void cClap::Render(float* left, float* right, int frames) {
    // Strikes at 0, 11, 22 and 33 ms; each retrigger ramps up from the
    // current level, the last one with the long ring.
    const int32_t spacing = static_cast<int32_t>(0.011 * kRate);
    for (auto& v : voices_) {
        if (!v.active) continue;
        for (int i = 0; i < frames; ++i) {
            ++v.age;
            if (v.age == spacing || v.age == 2 * spacing) v.env.Trigger();
            if (v.age == 3 * spacing) {
                v.env.Set(0.001, 0.12, 0.0f, 0.01);
                v.env.Trigger();
            }
            float s = 1.6f * v.band.Process(rng_.Bipolar()).band * v.env.Next() * v.velocity;
            left[i] += s;
            right[i] += s;
        }
        if (v.age > 3 * spacing && !v.env.Active()) v.active = false;
    }
}

// ---- hats -----------------------------------------------------------------

cHat::cHat(double decaySeconds, double highPassHz, float pan, uint32_t seed)
    : decaySeconds_(decaySeconds), highPassHz_(highPassHz), rng_(seed) {
    PanGains(pan, &gainL_, &gainR_);
}

void cHat::NoteOn(const sNote& note) {
    for (auto& v : voices_)
        if (v.active) v.choke.Start();
    sVoice& v = Allocate(voices_, [](const sVoice& x) { return x.env.Level() * x.choke.gain; });
    v = sVoice{};
    v.active = true;
    v.velocity = note.velocity;
    v.env.Set(0.0015, decaySeconds_, 0.0f, 0.01);
    v.env.Trigger();
    v.high.SetCoefficients(SvfG(highPassHz_), 1.2f);
    v.high2.SetCoefficients(SvfG(highPassHz_ * 1.3), 1.6f);
}

void cHat::Render(float* left, float* right, int frames) {
    for (auto& v : voices_) {
        if (!v.active) continue;
        for (int i = 0; i < frames; ++i) {
            float n = v.high2.Process(v.high.Process(rng_.Bipolar()).high).high;
            float s = n * v.env.Next() * v.velocity * v.choke.Next();
            left[i] += s * gainL_;
            right[i] += s * gainR_;
        }
        if (!v.env.Active() || v.choke.Done()) v.active = false;
    }
}

// ---- crash ----------------------------------------------------------------

cCrash::cCrash(uint32_t seed) : rng_(seed) {}

void cCrash::NoteOn(const sNote& note) {
    sVoice& v = Allocate(voices_, [](const sVoice& x) { return x.env.Level(); });
    v = sVoice{};
    v.active = true;
    v.velocity = note.velocity;
    v.env.Set(0.002, note.aux > 0.0f ? note.aux : 1.0, 0.0f, 0.05);
    v.env.Trigger();
    for (cSvf* f : {&v.highL, &v.highR}) f->SetCoefficients(SvfG(4200.0), 1.3f);
    for (cSvf* f : {&v.bandL, &v.bandR}) f->SetCoefficients(SvfG(7600.0), 1.2f);
}

void cCrash::Render(float* left, float* right, int frames) {
    for (auto& v : voices_) {
        if (!v.active) continue;
        for (int i = 0; i < frames; ++i) {
            float e = v.env.Next() * v.velocity;
            float nl = rng_.Bipolar(), nr = rng_.Bipolar();
            left[i] += (0.7f * v.highL.Process(nl).high + 0.6f * v.bandL.Process(nl).band) * e;
            right[i] += (0.7f * v.highR.Process(nr).high + 0.6f * v.bandR.Process(nr).band) * e;
        }
        if (!v.env.Active()) v.active = false;
    }
}

// ---- riser ----------------------------------------------------------------

cRiser::cRiser(uint32_t seed) : rng_(seed) {
    filterL_.SetResonance(0.55f);
    filterR_.SetResonance(0.55f);
}

void cRiser::NoteOn(const sNote& note) {
    active_ = true;
    age_ = 0;
    gate_ = std::max<int32_t>(note.gateFrames, 1);
    velocity_ = note.velocity;
    env_.Set(0.01, 1.0, 1.0f, 0.03);
    env_.Trigger();
}

void cRiser::Render(float* left, float* right, int frames) {
    if (!active_) return;
    for (int i = 0; i < frames; ++i) {
        if (age_ < gate_ && ++age_ == gate_) env_.Release();
        float progress = static_cast<float>(age_) / static_cast<float>(gate_);
        float octaves = 4.5f * progress;
        float level = progress * progress * velocity_ * env_.Next();
        left[i] += filterL_.Process(rng_.Bipolar(), 300.0, octaves).band * level;
        right[i] += filterR_.Process(rng_.Bipolar(), 300.0, octaves).band * level;
    }
    if (!env_.Active()) active_ = false;
}

// ---- bass -----------------------------------------------------------------

cBass::cBass() : sine_(SineTable()) {
    amp_.Set(0.003, 0.25, 0.75f, 0.02);
    filterEnv_.Set(0.002, 0.12, 0.0f, 0.08);
    filter_.SetResonance(0.55f);
}

void cBass::NoteOn(const sNote& note) {
    double hz = NoteHz(note.pitch);
    incA_ = PhaseIncrement(hz);
    incB_ = PhaseIncrement(hz * 1.0058);  // +10 cents
    incSub_ = incA_;
    gate_ = std::max<int32_t>(note.gateFrames, 1);
    velocity_ = note.velocity;
    if (!amp_.Active()) level_ = velocity_;
    amp_.Trigger();
    filterEnv_.Trigger();
}

void cBass::Render(float* left, float* right, int frames) {
    const float glide = VelocityGlide();
    for (int i = 0; i < frames; ++i) {
        if (gate_ > 0 && --gate_ == 0) {
            amp_.Release();
            filterEnv_.Release();
        }
        if (!amp_.Active()) continue;
        phaseA_ += incA_;
        phaseB_ += incB_;
        phaseSub_ += incSub_;
        level_ += (velocity_ - level_) * glide;
        float saws = 0.5f * (SawAt(phaseA_, incA_) + SawAt(phaseB_, incB_));
        float driven = SoftClip(1.4f * saws);
        float octaves = 3.0f * filterEnv_.Next() * (0.5f + 0.5f * level_);
        float s = (filter_.Low(driven, baseHz_, octaves) + 0.8f * SineAt(sine_, phaseSub_)) * amp_.Next() * level_;
        left[i] += s;
        right[i] += s;
    }
}

// ---- pad ------------------------------------------------------------------

cPad::cPad(uint32_t seed) : rng_(seed) {
    static constexpr float kPans[kSaws] = {-0.8f, 0.5f, 0.0f, -0.5f, 0.8f};
    for (int s = 0; s < kSaws; ++s) {
        PanGains(kPans[s], &gainL_[s], &gainR_[s]);
        gainL_[s] *= 0.35f;
        gainR_[s] *= 0.35f;
    }
    filterL_.SetResonance(1.1f);
    filterR_.SetResonance(1.1f);
    lowCutL_.SetHz(100.0);
    lowCutR_.SetHz(100.0);
}

void cPad::NoteOn(const sNote& note) {
    static constexpr double kCents[kSaws] = {-12.0, -5.0, 0.0, 5.0, 12.0};
    sVoice& v = Allocate(voices_, [](const sVoice& x) { return x.amp.Level(); });
    v = sVoice{};
    v.active = true;
    v.gate = std::max<int32_t>(note.gateFrames, 1);
    v.velocity = note.velocity;
    for (int s = 0; s < kSaws; ++s) {
        v.inc[s] = PhaseIncrement(NoteHz(note.pitch + kCents[s] / 100.0));
        v.phase[s] = rng_.Next();  // free-running strings never start in phase
    }
    v.amp.Set(note.aux > 0.0f ? note.aux : 0.5, 1.0, 1.0f, 0.45);
    v.amp.Trigger();
}

void cPad::Render(float* left, float* right, int frames) {
    const float* sine = SineTable();
    float bufL[kScratch], bufR[kScratch];
    for (int start = 0; start < frames; start += kScratch) {
        int n = std::min(kScratch, frames - start);
        std::fill(bufL, bufL + n, 0.0f);
        std::fill(bufR, bufR + n, 0.0f);
        for (auto& v : voices_) {
            if (!v.active) continue;
            for (int i = 0; i < n; ++i) {
                if (v.gate > 0 && --v.gate == 0) v.amp.Release();
                float e = v.amp.Next() * v.velocity;
                float l = 0.0f, r = 0.0f;
                for (int s = 0; s < kSaws; ++s) {
                    v.phase[s] += v.inc[s];
                    float saw = SawAt(v.phase[s], v.inc[s]);
                    l += saw * gainL_[s];
                    r += saw * gainR_[s];
                }
                bufL[i] += l * e;
                bufR[i] += r * e;
            }
            if (!v.amp.Active()) v.active = false;
        }
        // The cutoff breathes a quarter octave either way over 14 seconds
        // (read at the slice start, so it does not depend on slice lengths).
        float drift = 0.25f * SineAt(sine, lfoPhase_);
        lfoPhase_ += PhaseIncrement(1.0 / 14.0) * static_cast<uint32_t>(n);
        for (int i = 0; i < n; ++i) {
            left[start + i] += lowCutL_.High(filterL_.Low(bufL[i], cutoffHz_, drift));
            right[start + i] += lowCutR_.High(filterR_.Low(bufR[i], cutoffHz_, drift));
        }
    }
}

// ---- lead -----------------------------------------------------------------

cLead::cLead() : sine_(SineTable()) {
    amp_.Set(0.006, 0.5, 0.8f, 0.07);
    filterEnv_.Set(0.003, 0.25, 0.2f, 0.2);
    filter_.SetResonance(0.8f);
}

void cLead::NoteOn(const sNote& note) {
    target_ = note.pitch;
    // Glide only from a note that is still sounding; after a rest the new
    // note starts on its own pitch.
    if (amp_.Level() < 0.05f) pitch_ = target_;
    gate_ = std::max<int32_t>(note.gateFrames, 1);
    age_ = 0;
    velocity_ = note.velocity;
    if (!amp_.Active()) level_ = velocity_;
    countdown_ = 0;
    amp_.Trigger();
    filterEnv_.Trigger();
}

void cLead::UpdatePitch() {
    constexpr int kControl = 16;
    // 20 ms glide time constant, applied once per control period.
    static const float glide = 1.0f - [] {
        float c = DecayPerSample(0.02);
        float p = 1.0f;
        for (int i = 0; i < kControl; ++i) p *= c;
        return p;
    }();
    pitch_ += (target_ - pitch_) * glide;
    vibratoPhase_ += PhaseIncrement(5.3) * kControl;
    // Vibrato fades in from 0.22 s to 0.62 s into a note, up to 0.15 semitone.
    double depth = (static_cast<double>(age_) - 0.22 * kRate) / (0.4 * kRate);
    depth = std::clamp(depth, 0.0, 1.0) * 0.15;
    double p = pitch_ + depth * SineAt(sine_, vibratoPhase_);
    double hz = NoteHz(p);
    incA_ = PhaseIncrement(hz);
    incB_ = PhaseIncrement(hz * 1.0069);  // +12 cents
    incC_ = PhaseIncrement(hz * 0.5);
    countdown_ = kControl;
}

void cLead::Render(float* left, float* right, int frames) {
    const float glide = VelocityGlide();
    for (int i = 0; i < frames; ++i) {
        if (gate_ > 0 && --gate_ == 0) {
            amp_.Release();
            filterEnv_.Release();
        }
        if (!amp_.Active()) continue;
        if (countdown_ == 0) UpdatePitch();
        --countdown_;
        ++age_;
        phaseA_ += incA_;
        phaseB_ += incB_;
        phaseC_ += incC_;
        level_ += (velocity_ - level_) * glide;
        float osc = 0.45f * (SawAt(phaseA_, incA_) + SawAt(phaseB_, incB_)) + 0.25f * SquareAt(phaseC_, incC_);
        float octaves = 2.6f * filterEnv_.Next() * (0.6f + 0.4f * level_);
        float s = filter_.Low(osc, brightHz_, octaves) * amp_.Next() * level_;
        left[i] += s;
        right[i] += s;
    }
}

// ---- pluck ----------------------------------------------------------------

cPluck::cPluck(uint32_t seed) : rng_(seed) {
    filterL_.SetResonance(1.2f);
    filterR_.SetResonance(1.2f);
}

void cPluck::NoteOn(const sNote& note) {
    sVoice& v = Allocate(voices_, [](const sVoice& x) { return x.amp.Level(); });
    v = sVoice{};
    v.active = true;
    v.gate = std::max<int32_t>(note.gateFrames, 1);
    v.velocity = note.velocity;
    PanGains((next_++ & 1) ? 0.3f : -0.3f, &v.gainL, &v.gainR);
    v.inc = PhaseIncrement(NoteHz(note.pitch));
    v.phase = rng_.Next();
    v.amp.Set(0.002, 0.3, 0.0f, 0.05);
    v.amp.Trigger();
    v.filterEnv.Set(0.001, 0.09, 0.0f, 0.05);
    v.filterEnv.Trigger();
    v.filter.SetResonance(1.0f);
}

void cPluck::Render(float* left, float* right, int frames) {
    float bufL[kScratch], bufR[kScratch];
    for (int start = 0; start < frames; start += kScratch) {
        int n = std::min(kScratch, frames - start);
        std::fill(bufL, bufL + n, 0.0f);
        std::fill(bufR, bufR + n, 0.0f);
        for (auto& v : voices_) {
            if (!v.active) continue;
            for (int i = 0; i < n; ++i) {
                if (v.gate > 0 && --v.gate == 0) {
                    v.amp.Release();
                    v.filterEnv.Release();
                }
                v.phase += v.inc;
                float osc = SawAt(v.phase, v.inc) + 0.4f * SquareAt(v.phase, v.inc);
                float octaves = 5.0f * v.filterEnv.Next() * (0.6f + 0.4f * v.velocity);
                float s = v.filter.Low(osc, 220.0, octaves) * v.amp.Next() * v.velocity;
                bufL[i] += s * v.gainL;
                bufR[i] += s * v.gainR;
            }
            if (!v.amp.Active()) v.active = false;
        }
        for (int i = 0; i < n; ++i) {
            left[start + i] += filterL_.Low(bufL[i], cutoffHz_, 0.0f);
            right[start + i] += filterR_.Low(bufR[i], cutoffHz_, 0.0f);
        }
    }
}

}  // namespace synth

#include "soundtrack_effects.h"

#include <algorithm>

namespace synth {

// ---- delay ----------------------------------------------------------------

cPingPongDelay::cPingPongDelay(int delayFrames, float feedback)
    : lineL_(static_cast<size_t>(std::max(delayFrames, 1)), 0.0f),
      lineR_(static_cast<size_t>(std::max(delayFrames, 1)), 0.0f),
      feedback_(feedback) {
    lowL_.SetHz(3800.0);
    lowR_.SetHz(3800.0);
    highL_.SetHz(250.0);
    highR_.SetHz(250.0);
}

void cPingPongDelay::Process(const float* input, float* left, float* right, int frames) {
    const size_t size = lineL_.size();
    for (int i = 0; i < frames; ++i) {
        float outL = lineL_[pos_];
        float outR = lineR_[pos_];
        lineL_[pos_] = Flush(input[i] + feedback_ * highR_.High(lowR_.Low(outR)));
        lineR_[pos_] = Flush(feedback_ * highL_.High(lowL_.Low(outL)));
        if (++pos_ == size) pos_ = 0;
        left[i] += outL;
        right[i] += outR;
    }
}

// ---- reverb ---------------------------------------------------------------

namespace {

// Mutually prime-ish delay lengths in samples at 44.1 kHz; the right channel
// adds 23 samples to every line.
constexpr int kCombFrames[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllPassFrames[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kInputGain = 0.015f;

}  // namespace

cReverb::cReverb(float roomSize, float damping) : feedback_(roomSize), damp_(damping) {
    for (int i = 0; i < 8; ++i) {
        combL_[i].buffer.assign(kCombFrames[i], 0.0f);
        combR_[i].buffer.assign(kCombFrames[i] + kStereoSpread, 0.0f);
    }
    for (int i = 0; i < 4; ++i) {
        allL_[i].buffer.assign(kAllPassFrames[i], 0.0f);
        allR_[i].buffer.assign(kAllPassFrames[i] + kStereoSpread, 0.0f);
    }
}

void cReverb::Process(const float* inL, const float* inR, float* left, float* right, int frames) {
    // All sixteen combs advance together each sample: their feedback loops
    // are independent, so the processor overlaps them. Each comb's feedback
    // passes a one-pole low-pass (the damping), so high frequencies die first
    // as in a real room.
    const float damp = damp_, keep = 1.0f - damp_, feedback = feedback_;
    auto comb = [=](sComb& c, float x) {
        float delayed = c.buffer[c.pos];
        c.store = delayed * keep + c.store * damp;
        c.buffer[c.pos] = Flush(x + c.store * feedback);
        if (++c.pos == c.buffer.size()) c.pos = 0;
        return delayed;
    };
    // Schroeder all-pass with gain 0.5 as Freeverb uses it (flat only on
    // average, which is what diffuses the comb echoes).
    auto allPass = [](sAllPass& a, float x) {
        float delayed = a.buffer[a.pos];
        a.buffer[a.pos] = Flush(x + delayed * 0.5f);
        if (++a.pos == a.buffer.size()) a.pos = 0;
        return delayed - x;
    };
    for (int i = 0; i < frames; ++i) {
        float in = (inL[i] + inR[i]) * kInputGain;
        float l = 0.0f, r = 0.0f;
        for (int c = 0; c < 8; ++c) {
            l += comb(combL_[c], in);
            r += comb(combR_[c], in);
        }
        for (int a = 0; a < 4; ++a) {
            l = allPass(allL_[a], l);
            r = allPass(allR_[a], r);
        }
        left[i] += l;
        right[i] += r;
    }
    // The damping states are flushed once a call rather than every sample,
    // which keeps the flush out of their feedback loops.
    for (int c = 0; c < 8; ++c) {
        combL_[c].store = Flush(combL_[c].store);
        combR_[c].store = Flush(combR_[c].store);
    }
}

// ---- compressor -----------------------------------------------------------

namespace {
constexpr int kCompressorControl = 16;
}

cBusCompressor::cBusCompressor(float threshold, float ratio)
    : threshold_(threshold),
      slope_(1.0f / ratio - 1.0f),
      attack_(1.0f - DecayPerSample(0.005)),
      release_(1.0f - DecayPerSample(0.15)),
      smooth_(1.0f - DecayPerSample(0.002)) {}

void cBusCompressor::Process(float* left, float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        float peak = std::max(left[i] < 0.0f ? -left[i] : left[i], right[i] < 0.0f ? -right[i] : right[i]);
        envelope_ += (peak - envelope_) * (peak > envelope_ ? attack_ : release_);
        if (countdown_ == 0) {
            // Gain in the log domain (octaves of level, 6 dB each): the
            // overshoot above the threshold is scaled by (1/ratio - 1). Over a
            // knee one octave wide centred on the threshold the overshoot is
            // (over + 1/2)^2 / 2, which meets the straight line at +1/2 with
            // the same value and slope, so the reduction sets in smoothly.
            double over = Log2(std::max(envelope_, 1e-9f) / threshold_);
            double reduction = 0.0;
            if (over >= 0.5)
                reduction = over;
            else if (over > -0.5)
                reduction = 0.5 * (over + 0.5) * (over + 0.5);
            target_ = static_cast<float>(Pow2(reduction * slope_));
            countdown_ = kCompressorControl;
        }
        --countdown_;
        gain_ += (target_ - gain_) * smooth_;
        left[i] *= gain_;
        right[i] *= gain_;
    }
}

}  // namespace synth

// Effects on the soundtrack's buses: a tempo-synced ping-pong delay, a
// Schroeder-Freeverb style reverb and the master bus compressor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "soundtrack_dsp.h"

namespace synth {

// Stereo delay whose echoes alternate left and right: the mono input enters
// the left line, each line feeds the other. The feedback path is band-limited
// (high-pass and low-pass) so repeats get darker and thinner like tape.
class cPingPongDelay {
public:
    cPingPongDelay(int delayFrames, float feedback);
    // Adds the echoes of `input` (mono) into left and right.
    void Process(const float* input, float* left, float* right, int frames);

private:
    std::vector<float> lineL_, lineR_;
    size_t pos_ = 0;
    float feedback_;
    cOnePole lowL_, lowR_, highL_, highR_;
};

// Eight damped comb filters in parallel then four all-passes in series per
// channel, the right channel's delays slightly longer than the left's so the
// two decorrelate into a wide tail.
class cReverb {
public:
    cReverb(float roomSize, float damping);
    // Adds the reverberation of `inL`/`inR` into left and right.
    void Process(const float* inL, const float* inR, float* left, float* right, int frames);

private:
    struct sComb {
        std::vector<float> buffer;
        size_t pos = 0;
        float store = 0.0f;
    };
    struct sAllPass {
        std::vector<float> buffer;
        size_t pos = 0;
    };
    float feedback_, damp_;
    sComb combL_[8], combR_[8];
    sAllPass allL_[4], allR_[4];
};

// Gentle stereo-linked compressor for the master bus: a peak detector with
// 5 ms attack and 150 ms release, 2:1 above the threshold with a soft knee.
// The gain is computed at control rate and smoothed per sample.
class cBusCompressor {
public:
    cBusCompressor(float threshold, float ratio);
    void Process(float* left, float* right, int frames);

private:
    float threshold_, slope_;
    float attack_, release_, smooth_;
    float envelope_ = 0.0f, gain_ = 1.0f, target_ = 1.0f;
    int countdown_ = 0;
};

}  // namespace synth

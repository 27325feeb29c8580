// The soundtrack's mixer: plays the score through the instruments, applies
// levels, sidechain ducking, the delay and reverb sends and the master bus.
#pragma once

#include <cstdint>
#include <vector>

#include "soundtrack.h"

namespace synth {

constexpr uint32_t kAllTracks = 0xFFFFFFFFu;

// The first `frames` frames of the piece as interleaved stereo floats, before
// the final normalisation. `trackMask` (bit per eTrack) mutes tracks, for
// listening to parts on their own; the effects and master bus still run.
std::vector<float> RenderMix(const sSongLayout& layout, int64_t frames, uint32_t trackMask = kAllTracks);

}  // namespace synth

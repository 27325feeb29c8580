// The soundtrack's score: the song layout's sections filled with patterns,
// written out as timed note events plus automation lanes (filter cutoffs,
// track levels, sidechain depth, the final fade).
#pragma once

#include <cstdint>
#include <vector>

#include "soundtrack.h"
#include "soundtrack_voices.h"

namespace synth {

enum eTrack : uint8_t {
    kKick,
    kBoom,
    kSnare,
    kClap,
    kClosedHat,
    kOpenHat,
    kCrash,
    kRiser,
    kBass,
    kPad,
    kLead,
    kHarmony,
    kArp,
    kTrackCount
};

struct sEvent {
    int64_t frame;
    eTrack track;
    sNote note;
};

// A value over song position in bars, linear between points (or linear in
// log2 of the value, for frequencies). Points are added in time order; a
// second point at the same bar makes a step.
class cLane {
public:
    explicit cLane(double initial, bool logarithmic = false);
    // Ramps from the previous point to `value` at `bar`.
    void To(double bar, double value);
    // Holds the previous value until `bar`, then jumps to `value`.
    void Step(double bar, double value);
    double At(double bar) const;

private:
    struct sPoint {
        double bar, value;
    };
    std::vector<sPoint> points_;
    bool log_;
};

struct sScore {
    double framesPerBar = 0.0;
    int64_t totalFrames = 0;    // the whole piece, tail included
    std::vector<sEvent> events;  // ordered by frame
    cLane padCutoff{2000.0, true};
    cLane arpCutoff{3000.0, true};
    cLane bassCutoff{300.0, true};
    cLane leadBright{1600.0, true};
    cLane padLevel{1.0}, arpLevel{1.0}, bassLevel{1.0}, leadLevel{1.0};
    cLane duck{0.0};    // sidechain depth
    cLane master{1.0};  // squared before use, for a smooth final fade
};

// Frame of the start of 16th-note step `step` (16 steps a bar), truncated.
int64_t StepFrame(const sSongLayout& layout, double step);
// Frames of the whole piece: LengthMs() of audio at the sample rate.
int64_t SoundtrackFrames(const sSongLayout& layout);

sScore BuildScore(const sSongLayout& layout);

}  // namespace synth

#include "soundtrack_score.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

namespace synth {

// ---- lanes ----------------------------------------------------------------

cLane::cLane(double initial, bool logarithmic) : log_(logarithmic) {
    points_.push_back({0.0, log_ ? Log2(initial) : initial});
}

void cLane::To(double bar, double value) {
    if (bar < points_.back().bar) bar = points_.back().bar;  // time only moves forward
    points_.push_back({bar, log_ ? Log2(value) : value});
}

void cLane::Step(double bar, double value) {
    if (bar < points_.back().bar) bar = points_.back().bar;
    points_.push_back({bar, points_.back().value});
    points_.push_back({bar, log_ ? Log2(value) : value});
}

double cLane::At(double bar) const {
    // The first point after `bar`; its predecessor is the last point at or
    // before it, which for a step is the value after the jump.
    auto next = std::upper_bound(points_.begin(), points_.end(), bar,
                                 [](double b, const sPoint& p) { return b < p.bar; });
    double v;
    if (next == points_.begin())
        v = points_.front().value;
    else if (next == points_.end())
        v = points_.back().value;
    else {
        const sPoint& a = *(next - 1);
        double t = (bar - a.bar) / (next->bar - a.bar);
        v = a.value + (next->value - a.value) * t;
    }
    return log_ ? Pow2(v) : v;
}

// ---- timing ---------------------------------------------------------------

namespace {
constexpr int kStepsPerBeat = 4;  // the grid is 16th notes
}

int64_t StepFrame(const sSongLayout& layout, double step) {
    double framesPerStep = kRate * 60.0 / (layout.bpm * kStepsPerBeat);
    return static_cast<int64_t>(step * framesPerStep);
}

int64_t SoundtrackFrames(const sSongLayout& layout) {
    return static_cast<int64_t>(layout.LengthMs()) * static_cast<int64_t>(kRate) / 1000;
}

// ---- composition ----------------------------------------------------------

namespace {

// A bar of harmony: the bass root and four pad notes, with a second set for
// the bar's second half where a suspension resolves.
struct sChord {
    int bass;
    std::array<int, 4> pad;
    std::array<int, 4> late;
};

// A minor: i - VI - III - VII - i - VI - iv - V, the V entering as a sus4
// that resolves to the major chord (its G# leading back to A). The pad
// voicings move as little as possible so held tones tie over bar lines.
constexpr sChord kProgression[8] = {
    {33, {57, 60, 64, 71}, {57, 60, 64, 71}},  // Am(add9)
    {29, {57, 60, 64, 67}, {57, 60, 64, 67}},  // Fmaj9
    {36, {55, 60, 64, 67}, {55, 60, 64, 67}},  // C
    {31, {55, 59, 62, 67}, {55, 59, 62, 67}},  // G
    {33, {57, 60, 64, 71}, {57, 60, 64, 71}},  // Am(add9)
    {29, {57, 60, 64, 67}, {57, 60, 64, 67}},  // Fmaj9
    {38, {57, 60, 62, 65}, {57, 60, 62, 65}},  // Dm7
    {28, {57, 59, 64, 71}, {56, 59, 64, 71}},  // Esus4 - E
};

struct sMelodyNote {
    int step;  // 16ths from the phrase start
    int length;
    int note;
};

// The hook over the eight bars: a 3+3+2 figure climbing through each chord,
// answered a step higher each time, and falling back over Dm7.
constexpr sMelodyNote kHook[] = {
    {0, 3, 76},   {3, 3, 81},   {6, 2, 84},   {8, 2, 83},   {10, 2, 81},  {12, 4, 76},   // Am
    {16, 3, 77},  {19, 3, 81},  {22, 2, 84},  {24, 4, 88},  {28, 2, 86},  {30, 2, 84},   // F
    {32, 3, 79},  {35, 3, 84},  {38, 2, 88},  {40, 4, 86},  {44, 2, 84},  {46, 2, 83},   // C
    {48, 6, 83},  {54, 2, 79},  {56, 2, 81},  {58, 2, 83},  {60, 4, 86},                 // G
    {64, 3, 76},  {67, 3, 81},  {70, 2, 84},  {72, 2, 83},  {74, 2, 81},  {76, 4, 76},   // Am
    {80, 3, 77},  {83, 3, 81},  {86, 2, 84},  {88, 4, 88},  {92, 2, 89},  {94, 2, 88},   // F
    {96, 3, 86},  {99, 3, 84},  {102, 2, 81}, {104, 4, 77}, {108, 2, 81}, {110, 2, 84},  // Dm7
};
// Over the E bar: an open ending that leans on the leading tone, or a closing
// one that leaps to the high E.
constexpr sMelodyNote kOpenEnding[] = {{112, 3, 83}, {115, 3, 81}, {118, 2, 76}, {120, 6, 80}, {126, 2, 83}};
constexpr sMelodyNote kClosingEnding[] = {{112, 3, 83}, {115, 3, 81}, {118, 2, 83}, {120, 8, 88}};

// The arpeggio's order through the chord's five tones (four pad notes and the
// lowest an octave up), two times per bar.
constexpr int kArpOrder[8] = {0, 2, 1, 3, 2, 4, 3, 1};

class cComposer {
public:
    cComposer(const sSongLayout& layout, sScore* score) : layout_(layout), score_(*score), rng_(0x51A7C0DEu) {}

    void Intro(int first, int bars);
    void Build(int first, int bars);
    void Drop(int first, int bars, int index);
    void Breakdown(int first, int bars);
    void Outro(int first, int bars);
    void Finish();

private:
    struct sPadSegment {
        int note;
        int start, end;  // steps
        float attack;
    };

    static int BarStep(int bar) { return bar * 4 * kStepsPerBeat; }
    // A note `length` steps long; `trim` steps come off the gate so
    // repeated notes re-articulate.
    void Add(eTrack track, double step, double length, double pitch, float velocity, float aux = 0.0f,
             double trim = 0.0);
    void Pads(int startStep, int endStep, std::span<const int> notes, float attack);
    void PadBar(int bar, const sChord& chord, float attack);
    void ArpBar(int bar, const sChord& chord, float velocity);
    void FourOnTheFloor(int bar, float velocity);
    void DropBeat(int bar);
    void OffbeatHats(int bar, float velocity);
    void BassOffbeats(int bar, const sChord& chord, int untilStep = 16);
    void BassDrop(int bar, const sChord& chord);
    void Melody(int firstBar, bool closing, int stretch, float velocity, bool harmony);
    float Jitter(float amount) { return amount * rng_.Bipolar(); }

    const sSongLayout& layout_;
    sScore& score_;
    cRng rng_;
    std::vector<sPadSegment> pads_;
};

void cComposer::Add(eTrack track, double step, double length, double pitch, float velocity, float aux,
                    double trim) {
    int64_t frame = StepFrame(layout_, step);
    int64_t gate = StepFrame(layout_, step + length - trim) - frame;
    score_.events.push_back({frame, track, sNote{pitch, velocity, static_cast<int32_t>(std::max<int64_t>(gate, 1)), aux}});
}

void cComposer::Pads(int startStep, int endStep, std::span<const int> notes, float attack) {
    for (int n : notes) pads_.push_back({n, startStep, endStep, attack});
}

void cComposer::PadBar(int bar, const sChord& chord, float attack) {
    int s = BarStep(bar);
    Pads(s, s + 8, chord.pad, attack);
    Pads(s + 8, s + 16, chord.late, attack);
}

void cComposer::ArpBar(int bar, const sChord& chord, float velocity) {
    int s = BarStep(bar);
    for (int i = 0; i < 16; ++i) {
        const auto& notes = i < 8 ? chord.pad : chord.late;
        int k = kArpOrder[i % 8];
        int note = k == 4 ? notes[0] + 12 : notes[k];
        // Accents on the 3+3+2 pulse the hook also uses.
        bool accent = i == 0 || i == 3 || i == 6 || i == 8 || i == 11 || i == 14;
        Add(kArp, s + i, 1, note, velocity * (accent ? 1.0f : 0.62f));
    }
}

void cComposer::FourOnTheFloor(int bar, float velocity) {
    for (int beat = 0; beat < 4; ++beat) Add(kKick, BarStep(bar) + beat * 4, 1, 36, velocity);
}

void cComposer::OffbeatHats(int bar, float velocity) {
    for (int beat = 0; beat < 4; ++beat) Add(kClosedHat, BarStep(bar) + beat * 4 + 2, 1, 0, velocity + Jitter(0.05f));
}

// The full groove: kick on the beat, clap on two and four, open hats on the
// offbeats, closed hats filling the other 16ths a little softer.
void cComposer::DropBeat(int bar) {
    int s = BarStep(bar);
    FourOnTheFloor(bar, 1.0f);
    Add(kClap, s + 4, 1, 0, 0.9f);
    Add(kClap, s + 12, 1, 0, 0.9f);
    for (int i = 0; i < 16; ++i) {
        if (i % 4 == 2)
            Add(kOpenHat, s + i, 1, 0, 0.55f + Jitter(0.04f));
        else
            Add(kClosedHat, s + i, 1, 0, (i % 4 == 0 ? 0.42f : 0.32f) + Jitter(0.05f));
    }
}

void cComposer::BassOffbeats(int bar, const sChord& chord, int untilStep) {
    for (int i = 2; i < untilStep; i += 4) Add(kBass, BarStep(bar) + i, 2, chord.bass, 0.85f, 0.0f, 0.25);
}

// Offbeat roots with an octave jump pushing into the last offbeat.
void cComposer::BassDrop(int bar, const sChord& chord) {
    int s = BarStep(bar);
    int r = chord.bass;
    Add(kBass, s + 2, 2, r, 0.95f, 0.0f, 0.25);
    Add(kBass, s + 6, 2, r, 0.85f, 0.0f, 0.25);
    Add(kBass, s + 10, 2, r, 0.9f, 0.0f, 0.25);
    Add(kBass, s + 13, 1, r + 12, 0.7f, 0.0f, 0.2);
    Add(kBass, s + 14, 2, r, 0.85f, 0.0f, 0.25);
}

// The hook from `firstBar`, stretched by `stretch` (2 = half time, over the
// progression stretched the same way). The harmony voice takes the nearest
// chord tone a third to a sixth below each melody note, so it never clashes
// with the pads.
void cComposer::Melody(int firstBar, bool closing, int stretch, float velocity, bool harmony) {
    std::vector<sMelodyNote> notes(std::begin(kHook), std::end(kHook));
    if (closing)
        notes.insert(notes.end(), std::begin(kClosingEnding), std::end(kClosingEnding));
    else
        notes.insert(notes.end(), std::begin(kOpenEnding), std::end(kOpenEnding));
    int s = BarStep(firstBar);
    for (const sMelodyNote& m : notes) {
        float v = velocity * (m.step % 16 == 0 ? 1.0f : 0.88f);
        double step = s + m.step * stretch;
        double length = m.length * stretch;
        Add(kLead, step, length, m.note, v, 0.0f, 0.25);
        if (!harmony) continue;
        const sChord& chord = kProgression[m.step / 16];
        const auto& tones = (m.step % 16) < 8 ? chord.pad : chord.late;
        for (int d = 3; d <= 9; ++d) {
            int candidate = m.note - d;
            bool inChord = (candidate - chord.bass) % 12 == 0;
            for (int t : tones) inChord = inChord || (candidate - t) % 12 == 0;
            if (inChord) {
                Add(kHarmony, step, length, candidate, v * 0.9f, 0.0f, 0.25);
                break;
            }
        }
    }
}

void cComposer::Intro(int first, int bars) {
    score_.padCutoff.Step(first, 500.0);
    score_.padCutoff.To(first + bars, 2600.0);
    score_.arpCutoff.Step(first, 250.0);
    score_.arpCutoff.To(first + bars, 2200.0);
    score_.arpLevel.Step(first, 0.7);
    score_.arpLevel.To(first + bars, 1.0);
    score_.duck.Step(first, 0.0);
    score_.duck.Step(first + bars / 2, 0.35);
    for (int b = 0; b < bars; ++b) {
        int bar = first + b;
        const sChord& chord = kProgression[b % 8];
        PadBar(bar, chord, b == 0 ? 2.5f : 0.7f);
        if (b >= 4) ArpBar(bar, chord, 0.8f);
        if (b >= bars / 2) {
            FourOnTheFloor(bar, 0.75f);
            OffbeatHats(bar, 0.45f);
        }
    }
}

// Eight bars of rising tension: the filters open, a noise riser swells, the
// hats double, and a snare roll speeds up from quarters to 16ths. The kick
// stops after beat two of the last bar to leave a gap before the drop.
void cComposer::Build(int first, int bars) {
    score_.padCutoff.Step(first, 1800.0);
    score_.padCutoff.To(first + bars, 6000.0);
    score_.arpCutoff.Step(first, 1200.0);
    score_.arpCutoff.To(first + bars, 7500.0);
    score_.bassCutoff.Step(first + bars / 2, 150.0);
    score_.bassCutoff.To(first + bars, 650.0);
    // Pads and arpeggio a little back at first: the drop should land louder.
    score_.arpLevel.Step(first, 0.8);
    score_.arpLevel.To(first + bars, 1.0);
    score_.padLevel.Step(first, 0.75);
    score_.padLevel.To(first + bars, 0.9);
    score_.duck.Step(first, 0.5);
    Add(kRiser, BarStep(first), bars * 16, 60, 0.9f);
    for (int b = 0; b < bars; ++b) {
        int bar = first + b;
        int s = BarStep(bar);
        bool last = b == bars - 1;
        const sChord& chord = kProgression[b % 8];
        PadBar(bar, chord, 0.4f);
        ArpBar(bar, chord, 0.9f);
        if (last) {
            Add(kKick, s, 1, 36, 1.0f);
            Add(kKick, s + 4, 1, 36, 1.0f);
        } else {
            FourOnTheFloor(bar, 1.0f);
        }
        // The bass joins halfway, its filter still mostly closed.
        if (b >= bars / 2) BassOffbeats(bar, chord, last ? 8 : 16);
        if (b < bars / 2) {
            OffbeatHats(bar, 0.45f);
        } else {
            float ramp = static_cast<float>(b - bars / 2) / static_cast<float>(bars - bars / 2);
            for (int i = 0; i < 16; ++i)
                Add(kClosedHat, s + i, 1, 0, (i % 4 == 2 ? 0.5f : 0.28f) + 0.15f * ramp + Jitter(0.04f));
        }
        if (b >= bars / 2 && b < bars - 2) {
            Add(kClap, s + 4, 1, 0, 0.85f);
            Add(kClap, s + 12, 1, 0, 0.85f);
        }
        int roll = b - (bars - 4);
        if (roll >= 0) {
            static constexpr int kSpacing[4] = {4, 2, 1, 1};
            for (int i = 0; i < 16; i += kSpacing[roll]) {
                float progress = static_cast<float>(roll * 16 + i) / 64.0f;
                Add(kSnare, s + i, 1, 0, 0.25f + 0.7f * progress);
            }
        }
    }
}

void cComposer::Drop(int first, int bars, int index) {
    score_.padCutoff.Step(first, 4500.0);
    score_.arpCutoff.Step(first, 5000.0);
    score_.bassCutoff.Step(first, 320.0);
    score_.leadBright.Step(first, 1900.0);
    score_.leadLevel.Step(first, 1.0);
    score_.padLevel.Step(first, 0.9);
    score_.duck.Step(first, 0.5);
    Add(kBoom, BarStep(first), 1, 0, 1.0f);
    int blocks = bars / 8;
    for (int b = 0; b < bars; ++b) {
        int bar = first + b;
        int s = BarStep(bar);
        const sChord& chord = kProgression[b % 8];
        if (b % 8 == 0) Add(kCrash, s, 1, 0, b == 0 ? 1.0f : 0.7f);
        PadBar(bar, chord, 0.3f);
        ArpBar(bar, chord, 0.85f);
        DropBeat(bar);
        BassDrop(bar, chord);
        if (b % 8 == 7)  // a fill into the next eight bars
            for (int i = 12; i < 16; ++i) Add(kSnare, s + i, 1, 0, 0.3f + 0.12f * static_cast<float>(i - 12));
    }
    for (int k = 0; k < blocks; ++k) {
        bool last = k == blocks - 1;
        Melody(first + 8 * k, last, 1, 1.0f, index > 0 && last);
    }
}

// Pads and the melody alone, both in half time, the pad filter opening over
// the section.
void cComposer::Breakdown(int first, int bars) {
    score_.padCutoff.Step(first, 1400.0);
    score_.padCutoff.To(first + bars, 3800.0);
    score_.leadBright.Step(first, 1000.0);
    score_.leadBright.To(first + bars, 1500.0);
    score_.padLevel.Step(first, 1.2);
    score_.leadLevel.Step(first, 0.85);
    score_.duck.Step(first, 0.0);
    for (int p = 0; p < bars / 2; ++p) {
        const sChord& chord = kProgression[p % 8];
        int s = BarStep(first + 2 * p);
        // With the bass gone the pads carry the root an octave above it.
        const int root[] = {chord.bass + 12};
        Pads(s, s + 32, root, 1.5f);
        Pads(s, s + 16, chord.pad, 1.5f);
        Pads(s + 16, s + 32, chord.late, 1.5f);
    }
    for (int k = 0; k + 16 <= bars; k += 16) Melody(first + k, false, 2, 0.8f, false);
}

// The groove comes apart: bass and clap leave after eight bars, kick and hats
// after twelve, the arpeggio's filter closes, and a last A minor chord rings
// out over a boom and a crash while the master fades through the tail.
void cComposer::Outro(int first, int bars) {
    int hit = first + bars - 4;
    score_.padCutoff.Step(first, 4500.0);
    score_.padCutoff.To(hit, 900.0);
    score_.padCutoff.Step(hit, 3000.0);
    score_.padCutoff.To(first + bars, 1200.0);
    score_.arpCutoff.Step(first, 5000.0);
    score_.arpCutoff.To(hit, 500.0);
    score_.arpCutoff.Step(hit, 4000.0);
    score_.arpLevel.Step(first, 1.0);
    score_.arpLevel.To(hit, 0.7);
    score_.arpLevel.Step(hit, 1.0);
    score_.padLevel.Step(first, 1.0);
    score_.duck.Step(first, 0.5);
    score_.duck.Step(first + 12, 0.0);
    score_.master.Step(first + bars, 1.0);
    score_.master.To(static_cast<double>(score_.totalFrames) / score_.framesPerBar, 0.0);
    Add(kCrash, BarStep(first), 1, 0, 0.8f);
    for (int b = 0; b < bars - 4; ++b) {
        int bar = first + b;
        const sChord& chord = kProgression[b % 8];
        PadBar(bar, chord, 0.5f);
        ArpBar(bar, chord, 0.8f);
        if (b < 8) {
            DropBeat(bar);
            BassDrop(bar, chord);
        } else if (b < 12) {
            FourOnTheFloor(bar, 0.9f);
            OffbeatHats(bar, 0.4f);
        }
    }
    int s = BarStep(hit);
    Add(kBoom, s, 1, 0, 1.0f);
    Add(kCrash, s, 1, 0, 0.9f, 2.2f);
    Add(kBass, s, 32, 33, 0.8f);
    Add(kLead, s, 48, 81, 0.7f);
    static constexpr int kFinalChord[] = {45, 52, 57, 60, 64, 71};
    Pads(s, s + 48, kFinalChord, 0.02f);
    for (int note : {57, 64, 69, 72, 76}) Add(kArp, s, 2, note, 0.9f);
}

// Pad notes that continue into the next chord are tied rather than struck
// again, then everything is put in time order (stable, so simultaneous
// events keep the order they were written in).
void cComposer::Finish() {
    std::stable_sort(pads_.begin(), pads_.end(), [](const sPadSegment& a, const sPadSegment& b) {
        return a.note != b.note ? a.note < b.note : a.start < b.start;
    });
    std::vector<sPadSegment> merged;
    for (const sPadSegment& p : pads_) {
        if (!merged.empty() && merged.back().note == p.note && p.start <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, p.end);
            continue;
        }
        merged.push_back(p);
    }
    for (const sPadSegment& p : merged) Add(kPad, p.start, p.end - p.start, p.note, 0.8f, p.attack);
    std::stable_sort(score_.events.begin(), score_.events.end(),
                     [](const sEvent& a, const sEvent& b) { return a.frame < b.frame; });
}

}  // namespace

sScore BuildScore(const sSongLayout& layout) {
    sScore score;
    score.framesPerBar = kRate * 60.0 * layout.beatsPerBar / layout.bpm;
    score.totalFrames = SoundtrackFrames(layout);
    cComposer composer(layout, &score);
    int drops = 0;
    for (const sSection& section : layout.sections) {
        if (section.name == "intro")
            composer.Intro(section.firstBar, section.bars);
        else if (section.name == "build")
            composer.Build(section.firstBar, section.bars);
        else if (section.name == "drop")
            composer.Drop(section.firstBar, section.bars, drops++);
        else if (section.name == "breakdown")
            composer.Breakdown(section.firstBar, section.bars);
        else if (section.name == "outro")
            composer.Outro(section.firstBar, section.bars);
    }
    composer.Finish();
    return score;
}

}  // namespace synth

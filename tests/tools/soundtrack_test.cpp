#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sound/mp3_decoder.h"
#include "soundtrack.h"
#include "soundtrack_dsp.h"
#include "soundtrack_math.h"
#include "soundtrack_mix.h"
#include "soundtrack_score.h"
#include "soundtrack_voices.h"
#include "test_util.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// ---- analysis helpers -------------------------------------------------------

constexpr double kFullScale = 32768.0;

double Db(double ratio) { return 20.0 * std::log10(ratio); }

// Frames [from, to) of interleaved stereo 16-bit audio.
struct sSpan {
    size_t from, to;
};

int Peak(const std::vector<int16_t>& pcm, sSpan s) {
    int peak = 0;
    for (size_t i = s.from * 2; i < s.to * 2; ++i) peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
    return peak;
}

double Rms(const std::vector<int16_t>& pcm, sSpan s) {
    double sum = 0.0;
    for (size_t i = s.from * 2; i < s.to * 2; ++i) sum += static_cast<double>(pcm[i]) * pcm[i];
    return std::sqrt(sum / static_cast<double>(2 * (s.to - s.from))) / kFullScale;
}

double Mean(const std::vector<int16_t>& pcm, int channel, sSpan s) {
    double sum = 0.0;
    for (size_t i = s.from; i < s.to; ++i) sum += pcm[2 * i + channel];
    return sum / static_cast<double>(s.to - s.from) / kFullScale;
}

sSpan BarsSpan(const sSongLayout& layout, double firstBar, double bars) {
    auto frame = [&](double bar) { return static_cast<size_t>(layout.BarToMs(bar) * 44.1); };
    return {frame(firstBar), frame(firstBar + bars)};
}

// Frames where a channel jumps. A discontinuity spreads energy up to the top
// of the spectrum, where the music itself is thin outside the drums, so the
// signal goes through a 4th-order Butterworth high-pass at 10 kHz and each
// output sample is set against the RMS of the surrounding 1024 (less the 32
// around it, which a click would dominate). Busy passages raise the bar,
// quiet ones lower it; the drums' own short attacks stay below a ratio of 12.
std::vector<size_t> FindClicks(const std::vector<int16_t>& pcm, double ratio = 16.0) {
    constexpr size_t kOuter = 512, kInner = 16;
    constexpr double kFloor = 0.003;  // -50 dBFS after the high-pass
    struct sBiquad {
        double b0, b1, b2, a1, a2, z1 = 0.0, z2 = 0.0;
        sBiquad(double hz, double q) {
            double w = 2.0 * M_PI * hz / 44100.0, c = std::cos(w), alpha = std::sin(w) / (2.0 * q), a0 = 1.0 + alpha;
            b0 = b2 = (1.0 + c) / 2.0 / a0;
            b1 = -(1.0 + c) / a0;
            a1 = -2.0 * c / a0;
            a2 = (1.0 - alpha) / a0;
        }
        double Run(double x) {
            double y = b0 * x + z1;
            z1 = b1 * x - a1 * y + z2;
            z2 = b2 * x - a2 * y;
            return y;
        }
    };
    const size_t frames = pcm.size() / 2;
    std::vector<size_t> clicks;
    std::vector<double> high(frames), prefix(frames + 1, 0.0);
    for (int ch = 0; ch < 2; ++ch) {
        sBiquad first(10000.0, 0.5412), second(10000.0, 1.3066);
        for (size_t n = 0; n < frames; ++n) high[n] = second.Run(first.Run(pcm[2 * n + ch] / kFullScale));
        for (size_t n = 0; n < frames; ++n) prefix[n + 1] = prefix[n] + high[n] * high[n];
        for (size_t n = kOuter; n + kOuter < frames; ++n) {
            double a = std::abs(high[n]);
            if (a < kFloor) continue;
            double around = prefix[n + kOuter] - prefix[n + kInner] + prefix[n - kInner] - prefix[n - kOuter];
            double local = std::sqrt(around / static_cast<double>(2 * (kOuter - kInner)));
            if (a > ratio * local) clicks.push_back(n);
        }
    }
    std::sort(clicks.begin(), clicks.end());
    return clicks;
}

// The whole piece, rendered once per test program.
const std::vector<int16_t>& FullPiece() {
    static const std::vector<int16_t> pcm = RenderSoundtrackPcm();
    return pcm;
}

// Under the sanitizers the whole piece takes minutes; the instrument and
// excerpt tests still run there.
#define SKIP_FULL_PIECE_WHEN_SANITIZED() \
    if (kSanitized) GTEST_SKIP() << "whole-piece render is too slow under the sanitizers"

// ---- layout -----------------------------------------------------------------

TEST(SoundtrackLayout, SectionsRunBackToBackOverAboutThreeAndAHalfMinutes) {
    const sSongLayout& layout = SongLayout();
    EXPECT_GE(layout.bpm, 120.0);
    EXPECT_LE(layout.bpm, 128.0);
    EXPECT_EQ(layout.beatsPerBar, 4);
    ASSERT_FALSE(layout.sections.empty());
    int next = 0;
    std::set<std::string> names;
    for (const sSection& s : layout.sections) {
        EXPECT_EQ(s.firstBar, next) << s.name;
        EXPECT_GT(s.bars, 0) << s.name;
        next = s.firstBar + s.bars;
        names.insert(s.name);
    }
    EXPECT_EQ(layout.TotalBars(), next);
    EXPECT_EQ(layout.sections.front().name, "intro");
    EXPECT_EQ(layout.sections.back().name, "outro");
    for (const char* name : {"build", "drop", "breakdown"}) EXPECT_TRUE(names.count(name)) << name;
    // About three and a half minutes, the tail after the last bar included.
    EXPECT_GE(layout.LengthMs(), 200000u);
    EXPECT_LE(layout.LengthMs(), 230000u);
    uint32_t tail = layout.LengthMs() - layout.BarToMs(layout.TotalBars());
    EXPECT_GE(tail, 1000u);
    EXPECT_LE(tail, 8000u);
}

TEST(SoundtrackLayout, BarToMsTruncatesTheBarTime) {
    sSongLayout even{120.0, 4, {{"intro", 0, 4}}};
    EXPECT_EQ(even.BarToMs(0.0), 0u);
    EXPECT_EQ(even.BarToMs(1.0), 2000u);
    EXPECT_EQ(even.BarToMs(2.5), 5000u);
    EXPECT_EQ(even.BarToMs(0.0004), 0u);  // 0.8 ms
    EXPECT_EQ(even.BarToMs(-3.0), 0u);
    EXPECT_EQ(even.TotalBars(), 4);

    sSongLayout waltz{90.0, 3, {}};
    EXPECT_EQ(waltz.BarToMs(1.0), 2000u);
    EXPECT_EQ(waltz.TotalBars(), 0);

    // 124 bpm: a bar is 1935.48... ms, so whole bars land on truncated times.
    sSongLayout odd{124.0, 4, {}};
    EXPECT_EQ(odd.BarToMs(1.0), 1935u);
    EXPECT_EQ(odd.BarToMs(31.0), 60000u);
    EXPECT_EQ(odd.BarToMs(108.0), 209032u);
    EXPECT_EQ(odd.BarToMs(1e12), 0xFFFFFFFFu);  // saturates instead of wrapping
}

// ---- synthesiser building blocks ------------------------------------------------

TEST(SynthMath, AgreesWithTheStandardLibrary) {
    for (double x = -60.0; x <= 60.0; x += 0.0173) {
        EXPECT_NEAR(synth::Sin(x), std::sin(x), 1e-13) << x;
        EXPECT_NEAR(synth::Cos(x), std::cos(x), 1e-13) << x;
        EXPECT_NEAR(synth::Exp(x) / std::exp(x), 1.0, 1e-14) << x;
        EXPECT_NEAR(synth::Pow2(x) / std::exp2(x), 1.0, 1e-14) << x;
    }
    for (double x = 1e-6; x < 1e6; x *= 1.37) EXPECT_NEAR(synth::Log2(x), std::log2(x), 1e-13) << x;
    for (double x = -1.5; x < 1.5; x += 0.01) EXPECT_NEAR(synth::Tan(x) / std::tan(x), 1.0, 1e-12) << x;
    EXPECT_DOUBLE_EQ(synth::NoteHz(69.0), 440.0);
    EXPECT_NEAR(synth::NoteHz(81.0), 880.0, 1e-9);
    EXPECT_NEAR(synth::NoteHz(60.0), 261.6255653, 1e-6);
    // The table sine is good to well under 16-bit resolution.
    const float* table = synth::SineTable();
    for (uint32_t k = 0; k < 1000; ++k) {
        uint32_t phase = k * 4294967u + k * k;
        EXPECT_NEAR(synth::SineAt(table, phase), std::sin(phase * (2.0 * synth::kPi / 4294967296.0)), 2e-6);
    }
}

TEST(SynthMath, SoftClipIsOddMonotoneAndBounded) {
    float previous = -2.0f;
    for (float x = -5.0f; x <= 5.0f; x += 0.01f) {
        float y = synth::SoftClip(x);
        EXPECT_GE(y, previous - 1e-6f) << x;  // flat at the top but for rounding
        EXPECT_LE(std::abs(y), 1.0f);
        EXPECT_FLOAT_EQ(y, -synth::SoftClip(-x));
        previous = y;
    }
    EXPECT_FLOAT_EQ(synth::SoftClip(3.0f), 1.0f);
    EXPECT_NEAR(synth::SoftClip(0.01f), 0.01f, 1e-5f);  // transparent for small signals
}

TEST(SynthVoices, EnvelopeMovesWithoutJumpsAndEndsInSilence) {
    synth::cEnvelope env;
    env.Set(0.005, 0.1, 0.6f, 0.02);
    const float attackStep = 1.0f / (0.005f * 44100.0f);
    float last = 0.0f, biggest = 0.0f;
    auto run = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            float v = env.Next();
            biggest = std::max(biggest, std::abs(v - last));
            last = v;
        }
    };
    env.Trigger();
    run(100);  // half-way up the attack
    env.Release();
    run(300);
    env.Trigger();  // again while releasing: ramps from where it is
    run(30000);
    EXPECT_NEAR(last, 0.6f, 0.01f);  // sustaining
    env.Release();
    run(44100);
    EXPECT_LE(biggest, attackStep * 1.01f);
    EXPECT_FALSE(env.Active());
    EXPECT_EQ(last, 0.0f);
}

// Gain of a sine through a filter, after it has settled.
double FilterGainDb(const std::function<float(float)>& filter, double hz) {
    double in = 0.0, out = 0.0;
    for (int i = 0; i < 44100 / 4; ++i) {
        float x = static_cast<float>(std::sin(2.0 * synth::kPi * hz * i / 44100.0));
        float y = filter(x);
        if (i >= 44100 / 8) {
            in += x * x;
            out += y * y;
        }
    }
    return 10.0 * std::log10(out / in);
}

TEST(SynthVoices, StateVariableFilterSplitsTheSpectrumAtItsCutoff) {
    auto low = [](double hz) {
        auto f = std::make_shared<synth::cSvf>();
        f->SetCoefficients(synth::SvfG(1000.0), 1.41421356f);
        return FilterGainDb([f](float x) { return f->Process(x).low; }, hz);
    };
    auto high = [](double hz) {
        auto f = std::make_shared<synth::cSvf>();
        f->SetCoefficients(synth::SvfG(1000.0), 1.41421356f);
        return FilterGainDb([f](float x) { return f->Process(x).high; }, hz);
    };
    EXPECT_NEAR(low(100.0), 0.0, 0.1);
    EXPECT_NEAR(low(1000.0), -3.0, 0.2);  // Butterworth: -3 dB at the cutoff
    EXPECT_LT(low(10000.0), -38.0);       // 12 dB an octave
    EXPECT_NEAR(high(10000.0), 0.0, 0.1);
    EXPECT_LT(high(100.0), -38.0);

    // The master's 20 Hz high-pass removes DC entirely.
    synth::cSvf dc;
    dc.SetCoefficients(synth::SvfG(20.0), 1.41421356f);
    float y = 0.0f;
    for (int i = 0; i < 44100; ++i) y = dc.Process(0.5f).high;
    EXPECT_LT(std::abs(y), 1e-4f);
}

std::vector<float> RenderMono(synth::cInstrument& inst, const std::vector<std::pair<int, synth::sNote>>& notes,
                              int frames) {
    std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
    int at = 0;
    for (const auto& [frame, note] : notes) {
        inst.Render(left.data() + at, right.data() + at, frame - at);
        inst.NoteOn(note);
        at = frame;
    }
    inst.Render(left.data() + at, right.data() + at, frames - at);
    for (int i = 0; i < frames; ++i) left[i] = 0.5f * (left[i] + right[i]);
    return left;
}

// Zero crossings a second over [from, to).
double CrossingRate(const std::vector<float>& x, int from, int to) {
    int crossings = 0;
    for (int i = from + 1; i < to; ++i) crossings += (x[i - 1] < 0.0f) != (x[i] < 0.0f);
    return crossings * 44100.0 / (2.0 * (to - from));
}

TEST(SynthVoices, KickSweepsDownAndChokesItsPredecessorSmoothly) {
    synth::sKickParams params;
    params.click = 0.0f;  // the pure sine, whose every jump would be a fault
    synth::cKick kick(params, 1);
    const int second = 30000;  // 0.68 s: the first hit has decayed to under 1%
    const synth::sNote hit{36, 1.0f, 100, 0};
    auto out = RenderMono(kick, {{0, hit}, {second, hit}, {second + 4410, hit}}, 60000);
    EXPECT_LT(std::abs(out[0]), 0.01f);  // from silence, up a 2 ms ramp
    EXPECT_GT(CrossingRate(out, 0, 1323), 100.0);     // first 30 ms: sweeping from 160 Hz
    EXPECT_LT(CrossingRate(out, 6615, 13230), 60.0);  // 150-300 ms: near the 48 Hz floor
    EXPECT_GT(CrossingRate(out, 6615, 13230), 44.0);
    float peak = 0.0f;
    for (int i = 0; i < 8000; ++i) peak = std::max(peak, std::abs(out[i]));
    float late = 0.0f;
    for (int i = 22000; i < second; ++i) late = std::max(late, std::abs(out[i]));
    EXPECT_LT(late, 0.1f * peak);
    // A sine of at most 160 Hz moves at most 2 pi 160 / 44100 of its
    // amplitude a sample, about twice that through the drive. The third hit
    // chokes the second while it is still at half level.
    float step = 0.0f;
    for (size_t i = 1; i < out.size(); ++i) step = std::max(step, std::abs(out[i] - out[i - 1]));
    EXPECT_LT(step, 0.06f * peak);
}

// Each pitched instrument through a scripted phrase with its filters nearly
// closed, so that the sound is smooth and any jump stands out: notes from
// silence, a retrigger during the release, overlapping and repeated notes.
// A gate without a release or a voice restarted from zero moves the signal by
// a large part of its level in one sample.
TEST(SynthVoices, PitchedVoicesStartAndStopWithoutJumps) {
    struct sCase {
        const char* name;
        std::function<std::unique_ptr<synth::cInstrument>()> make;
    };
    const std::vector<sCase> cases = {
        {"bass",
         [] {
             auto b = std::make_unique<synth::cBass>();
             b->SetCutoff(25.0);
             return std::unique_ptr<synth::cInstrument>(std::move(b));
         }},
        {"pad",
         [] {
             auto p = std::make_unique<synth::cPad>(7);
             p->SetCutoff(150.0);
             return std::unique_ptr<synth::cInstrument>(std::move(p));
         }},
        {"lead",
         [] {
             auto l = std::make_unique<synth::cLead>();
             l->SetBrightness(40.0);
             return std::unique_ptr<synth::cInstrument>(std::move(l));
         }},
        {"pluck",
         [] {
             auto p = std::make_unique<synth::cPluck>(9);
             p->SetCutoff(150.0);
             return std::unique_ptr<synth::cInstrument>(std::move(p));
         }},
    };
    const std::vector<std::pair<int, synth::sNote>> phrase = {
        {1000, {40, 1.0f, 8000, 0.05f}},   // from silence
        {11000, {45, 0.9f, 6000, 0.05f}},  // during the first one's release
        {14000, {45, 0.7f, 3000, 0.05f}},  // the same note while it sounds
        {15000, {43, 1.0f, 9000, 0.05f}},  // overlapping
        {30000, {40, 1.0f, 200, 0.05f}},   // very short
    };
    for (const sCase& c : cases) {
        auto inst = c.make();
        auto out = RenderMono(*inst, phrase, 6 * 44100);
        float peak = 0.0f, step = 0.0f;
        for (size_t i = 1; i < out.size(); ++i) {
            peak = std::max(peak, std::abs(out[i]));
            step = std::max(step, std::abs(out[i] - out[i - 1]));
        }
        EXPECT_GT(peak, 0.02f) << c.name;
        EXPECT_LT(step, 0.1f * peak) << c.name;
        EXPECT_EQ(out[999], 0.0f) << c.name;
        EXPECT_LT(std::abs(out.back()), 1e-9f) << c.name << ": voices must end, not hang on";
    }
}

TEST(SynthVoices, BassAndPadPlayInTune) {
    // The period is the lag with the strongest self-similarity.
    auto measuredHz = [](const std::vector<float>& x, int from, double expectHz) {
        int expect = static_cast<int>(44100.0 / expectHz);
        int best = 0;
        double bestScore = -1e30;
        for (int lag = expect * 2 / 3; lag <= expect * 3 / 2; ++lag) {
            double score = 0.0;
            for (int i = from; i < from + 8192; ++i) score += x[i] * x[i + lag];
            if (score > bestScore) {
                bestScore = score;
                best = lag;
            }
        }
        return 44100.0 / best;
    };
    synth::cBass bass;
    bass.SetCutoff(400.0);
    auto b = RenderMono(bass, {{0, {45, 1.0f, 40000, 0}}}, 40000);
    EXPECT_NEAR(measuredHz(b, 10000, 110.0), 110.0, 1.0);
    synth::cPad pad(3);
    pad.SetCutoff(2000.0);
    auto p = RenderMono(pad, {{0, {57, 1.0f, 40000, 0.01f}}}, 40000);
    EXPECT_NEAR(measuredHz(p, 10000, 220.0), 220.0, 2.0);
}

// ---- score --------------------------------------------------------------------

TEST(SoundtrackScore, SectionsGetTheirParts) {
    const sSongLayout& layout = SongLayout();
    const synth::sScore score = synth::BuildScore(layout);
    ASSERT_FALSE(score.events.empty());
    EXPECT_EQ(score.totalFrames, static_cast<int64_t>(layout.LengthMs()) * 441 / 10);
    auto barOf = [&](const synth::sEvent& e) { return static_cast<double>(e.frame) / score.framesPerBar; };
    auto sectionOf = [&](int64_t frame) -> const sSection& {
        for (const sSection& s : layout.sections)
            if (frame < synth::StepFrame(layout, (s.firstBar + s.bars) * 16)) return s;
        return layout.sections.back();
    };
    int64_t previous = 0;
    std::set<int> kickSteps;  // 16th steps holding a kick
    std::set<std::string> leadSections;
    for (const synth::sEvent& e : score.events) {
        EXPECT_GE(e.frame, previous);
        previous = e.frame;
        EXPECT_LE(e.frame + e.note.gateFrames, score.totalFrames);
        double bar = barOf(e);
        const sSection& section = sectionOf(e.frame);
        if (section.name == "breakdown") {
            EXPECT_TRUE(e.track == synth::kPad || e.track == synth::kLead)
                << "breakdown is pads and melody only; track " << int(e.track) << " at bar " << bar;
        }
        if (e.track == synth::kKick) kickSteps.insert(static_cast<int>(std::lround(bar * 16.0)));
        if (e.track == synth::kLead) leadSections.insert(section.name);
    }
    EXPECT_TRUE(leadSections.count("drop"));
    EXPECT_TRUE(leadSections.count("breakdown"));
    // Four on the floor through every drop.
    for (const sSection& s : layout.sections) {
        if (s.name != "drop") continue;
        for (int step = s.firstBar * 16; step < (s.firstBar + s.bars) * 16; step += 4)
            EXPECT_TRUE(kickSteps.count(step)) << "no kick at bar " << step / 16.0;
    }
    // Held pad notes are tied, never struck twice at once: two voices of
    // the same pitch would beat against each other.
    std::vector<const synth::sEvent*> pads;
    for (const synth::sEvent& e : score.events)
        if (e.track == synth::kPad) pads.push_back(&e);
    for (size_t i = 0; i < pads.size(); ++i)
        for (size_t j = i + 1; j < pads.size() && pads[j]->frame < pads[i]->frame + pads[i]->note.gateFrames; ++j)
            EXPECT_NE(pads[i]->note.pitch, pads[j]->note.pitch) << "overlapping pad notes at frame " << pads[j]->frame;
}

// ---- rendering ------------------------------------------------------------------

// Every section kind in 16 bars (35 s with the tail): cheap enough for the
// sanitizer build, and it drives every instrument, the sends and the fade.
TEST(SoundtrackRender, CompactArrangementPlaysEveryPartCleanly) {
    const sSongLayout compact{124.0, 4, {{"intro", 0, 2}, {"build", 2, 2}, {"drop", 4, 8}, {"outro", 12, 4}}};
    const int64_t frames = synth::SoundtrackFrames(compact);
    const std::vector<float> mix = synth::RenderMix(compact, frames);
    ASSERT_EQ(mix.size(), static_cast<size_t>(frames) * 2);
    float peak = 0.0f;
    bool finite = true, stereo = false;
    for (size_t i = 0; i < mix.size(); i += 2) {
        finite = finite && std::isfinite(mix[i]) && std::isfinite(mix[i + 1]);
        stereo = stereo || mix[i] != mix[i + 1];
        peak = std::max({peak, std::abs(mix[i]), std::abs(mix[i + 1])});
    }
    ASSERT_TRUE(finite);
    EXPECT_TRUE(stereo);
    EXPECT_GT(peak, 0.3f);
    EXPECT_LT(peak, 1.5f);  // the soft clipper's ceiling

    // A shorter render is the same samples: nothing depends on the length
    // asked for, on memory left over, or on anything but the score.
    const std::vector<float> opening = synth::RenderMix(compact, 3 * 44100);
    EXPECT_TRUE(std::equal(opening.begin(), opening.end(), mix.begin()));

    std::vector<int16_t> pcm(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) pcm[i] = static_cast<int16_t>(std::lround(mix[i] / peak * 27000.0f));
    const size_t total = pcm.size() / 2;
    EXPECT_LT(Peak(pcm, {0, 4410}), 0.1 * Peak(pcm, {44100, 3 * 44100}));  // the first chord swells in
    EXPECT_EQ(Peak(pcm, {total - 441, total}), 0);                          // and the fade ends in silence
    std::vector<size_t> clicks = FindClicks(pcm);
    EXPECT_TRUE(clicks.empty()) << clicks.size() << " clicks, the first at " << clicks.front() / 44100.0 << " s";
}

TEST(SoundtrackRender, WholePieceIsLevelCleanAndShaped) {
    SKIP_FULL_PIECE_WHEN_SANITIZED();
    const sSongLayout& layout = SongLayout();
    const std::vector<int16_t>& pcm = FullPiece();
    ASSERT_EQ(pcm.size() % 2, 0u);
    const size_t frames = pcm.size() / 2;
    EXPECT_NEAR(frames * 1000.0 / 44100.0, layout.LengthMs(), 1.0);

    const sSpan all{0, frames};
    const int peak = Peak(pcm, all);
    EXPECT_LT(Db(peak / kFullScale), -1.0);
    EXPECT_GT(Db(peak / kFullScale), -3.0);
    for (int ch = 0; ch < 2; ++ch) EXPECT_LT(std::abs(Mean(pcm, ch, all)), 1e-3) << "DC on channel " << ch;

    // Starts from silence, ends in silence.
    EXPECT_LT(Peak(pcm, {0, 441}), 100);
    EXPECT_EQ(Peak(pcm, {frames - 441, frames}), 0);

    double side = 0.0, total = 0.0;
    for (size_t i = 0; i < frames; ++i) {
        double l = pcm[2 * i], r = pcm[2 * i + 1];
        side += (l - r) * (l - r);
        total += l * l + r * r;
    }
    EXPECT_GT(side / total, 0.01) << "left and right should differ";
    EXPECT_LT(side / total, 0.5) << "but share a centre";

    std::vector<size_t> clicks = FindClicks(pcm);
    EXPECT_TRUE(clicks.empty()) << clicks.size() << " clicks, the first at " << clicks.front() / 44100.0 << " s";
    {
        // The detector does see a click: a -26 dBFS step held for 5 ms,
        // about what cutting off one pad or lead voice without a release
        // would do, in the quiet breakdown. (Under the drops' hats a click
        // that size is masked for the detector as it is for ears.)
        std::vector<int16_t> clicked = pcm;
        const sSection& breakdown = *std::find_if(layout.sections.begin(), layout.sections.end(),
                                                  [](const sSection& x) { return x.name == "breakdown"; });
        size_t at = BarsSpan(layout, breakdown.firstBar + 3.3, 0).from;
        for (size_t i = at; i < at + 220; ++i)
            clicked[2 * i] = static_cast<int16_t>(std::clamp(clicked[2 * i] + 1638, -32767, 32767));
        clicks = FindClicks(clicked);
        ASSERT_FALSE(clicks.empty());
        EXPECT_LT(std::abs(static_cast<double>(clicks.front()) - at), 8.0);
    }

    // Each section's loudness against the others.
    double introRms = 0.0, quietestDrop = 1.0, loudestBreakdown = 0.0, quietestBuild = 1.0;
    for (const sSection& s : layout.sections) {
        double rms = Rms(pcm, BarsSpan(layout, s.firstBar, s.bars));
        EXPECT_GT(Db(rms), -30.0) << s.name << " at bar " << s.firstBar;
        if (s.name == "intro") introRms = rms;
        if (s.name == "drop") quietestDrop = std::min(quietestDrop, rms);
        if (s.name == "build") quietestBuild = std::min(quietestBuild, rms);
        if (s.name == "breakdown") loudestBreakdown = std::max(loudestBreakdown, rms);
    }
    EXPECT_GT(Db(quietestDrop / loudestBreakdown), 3.0);
    EXPECT_GT(Db(quietestDrop / introRms), 2.0);
    EXPECT_GT(Db(quietestDrop / quietestBuild), 0.5);
    EXPECT_LT(Db(quietestDrop), -8.0) << "drops that loud are crushed";
}

TEST(SoundtrackRender, SameSamplesEveryTimeAndTheMp3DecodesToThem) {
    SKIP_FULL_PIECE_WHEN_SANITIZED();
    const std::vector<int16_t>& pcm = FullPiece();
    EXPECT_TRUE(RenderSoundtrackPcm() == pcm);

    std::vector<uint8_t> mp3 = EncodeSoundtrackMp3(pcm);
    ASSERT_GT(mp3.size(), 1000u);
    std::vector<int16_t> decoded;
    ASSERT_TRUE(DecodeMp3(mp3, &decoded));
    const size_t frames = pcm.size() / 2, decodedFrames = decoded.size() / 2;
    EXPECT_LE(std::max(frames, decodedFrames) - std::min(frames, decodedFrames), 1152u);
    // What a listener hears does not clip either.
    EXPECT_LT(Db(Peak(decoded, {0, decodedFrames}) / kFullScale), -1.0);
    // Sample-aligned: the tag frame told the decoder the encoder's delay and
    // padding. Off by even a few milliseconds the difference would be as
    // loud as the music.
    double signal = 0.0, error = 0.0;
    for (size_t i = 0; i < std::min(pcm.size(), decoded.size()); ++i) {
        double d = static_cast<double>(pcm[i]) - decoded[i];
        signal += static_cast<double>(pcm[i]) * pcm[i];
        error += d * d;
    }
    EXPECT_GT(10.0 * std::log10(signal / error), 15.0);
}

TEST(SoundtrackRender, EncoderRefusesPartialFrames) {
    ExpectFatal([] { EncodeSoundtrackMp3({1, 2, 3}); }, "not whole stereo frames");
    ExpectFatal([] { EncodeSoundtrackMp3({}); }, "not whole stereo frames");
}

}  // namespace

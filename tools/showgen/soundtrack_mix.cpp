#include "soundtrack_mix.h"

#include <algorithm>
#include <memory>

#include "soundtrack_effects.h"
#include "soundtrack_score.h"
#include "soundtrack_voices.h"

namespace synth {

namespace {

constexpr int kBlock = 256;

// Per track: level, delay and reverb sends (post level), and how deep the
// kick's sidechain ducks it (1 = the full depth of the duck lane).
struct sTrackSetup {
    float gain, delaySend, reverbSend, duck;
};
constexpr sTrackSetup kSetup[kTrackCount] = {
    {0.70f, 0.00f, 0.03f, 0.0f},   // kick
    {0.60f, 0.00f, 0.25f, 0.0f},   // boom
    {0.35f, 0.00f, 0.25f, 0.0f},   // snare
    {0.70f, 0.00f, 0.30f, 0.0f},   // clap
    {0.50f, 0.00f, 0.05f, 0.0f},   // closed hat
    {0.40f, 0.00f, 0.08f, 0.0f},   // open hat
    {0.16f, 0.00f, 0.20f, 0.0f},   // crash
    {0.35f, 0.00f, 0.35f, 0.0f},   // riser
    {0.42f, 0.00f, 0.00f, 1.0f},   // bass
    {0.22f, 0.00f, 0.50f, 0.9f},   // pad
    {0.30f, 0.35f, 0.35f, 0.25f},  // lead
    {0.20f, 0.35f, 0.35f, 0.25f},  // harmony
    {0.16f, 0.30f, 0.25f, 0.6f},   // arp
};
constexpr float kDelayToReverb = 0.25f;
constexpr float kReverbReturn = 1.0f;
constexpr float kCompressorThreshold = 0.5f;
constexpr float kSaturationHeadroom = 1.5f;

class cMixer {
public:
    cMixer(const sSongLayout& layout, uint32_t trackMask);
    std::vector<float> Render(int64_t frames);

private:
    void Block(int64_t position, int n, float* out);
    double Level(int track, double bar) const;

    sScore score_;
    uint32_t mask_;
    std::unique_ptr<cInstrument> instruments_[kTrackCount];
    cBass* bass_;
    cPad* pad_;
    cLead* lead_;
    cLead* harmony_;
    cPluck* arp_;
    cPingPongDelay delay_;
    cReverb reverb_;
    cBusCompressor compressor_;
    cSvf dcBlockL_, dcBlockR_;
    size_t nextEvent_ = 0;
    float duckEnv_ = 0.0f;
    bool duckRising_ = false;
    float duckRise_, duckFall_;
    float track_[kTrackCount][2][kBlock];
};

cMixer::cMixer(const sSongLayout& layout, uint32_t trackMask)
    : score_(BuildScore(layout)),
      mask_(trackMask),
      delay_(static_cast<int>(StepFrame(layout, 3)), 0.4f),  // a dotted eighth
      reverb_(0.84f, 0.3f),
      compressor_(kCompressorThreshold, 2.0f),
      duckRise_(1.0f / (0.004f * static_cast<float>(kRate))),
      duckFall_(DecayPerSample(0.11)) {
    sKickParams boom;
    boom.startHz = 90.0;
    boom.endHz = 32.0;
    boom.pitchSeconds = 0.12;
    boom.decaySeconds = 0.9;
    boom.click = 0.0f;
    boom.drive = 1.2f;
    auto bass = std::make_unique<cBass>();
    auto pad = std::make_unique<cPad>(0x7AD0001u);
    auto lead = std::make_unique<cLead>();
    auto harmony = std::make_unique<cLead>();
    auto arp = std::make_unique<cPluck>(0xA5F0001u);
    bass_ = bass.get();
    pad_ = pad.get();
    lead_ = lead.get();
    harmony_ = harmony.get();
    arp_ = arp.get();
    instruments_[kKick] = std::make_unique<cKick>(sKickParams{}, 0x1C0001u);
    instruments_[kBoom] = std::make_unique<cKick>(boom, 0x1C0002u);
    instruments_[kSnare] = std::make_unique<cSnare>(0x5A0001u);
    instruments_[kClap] = std::make_unique<cClap>(0xC1A0001u);
    instruments_[kClosedHat] = std::make_unique<cHat>(0.03, 7000.0, 0.15f, 0x4A70001u);
    instruments_[kOpenHat] = std::make_unique<cHat>(0.16, 6500.0, -0.2f, 0x4A70002u);
    instruments_[kCrash] = std::make_unique<cCrash>(0xC4A0001u);
    instruments_[kRiser] = std::make_unique<cRiser>(0x41500001u);
    instruments_[kBass] = std::move(bass);
    instruments_[kPad] = std::move(pad);
    instruments_[kLead] = std::move(lead);
    instruments_[kHarmony] = std::move(harmony);
    instruments_[kArp] = std::move(arp);
    // 2nd-order Butterworth high-pass at 20 Hz: no DC or rumble on the master.
    dcBlockL_.SetCoefficients(SvfG(20.0), 1.41421356f);
    dcBlockR_.SetCoefficients(SvfG(20.0), 1.41421356f);
}

double cMixer::Level(int track, double bar) const {
    double lane = 1.0;
    switch (track) {
        case kBass: lane = score_.bassLevel.At(bar); break;
        case kPad: lane = score_.padLevel.At(bar); break;
        case kLead:
        case kHarmony: lane = score_.leadLevel.At(bar); break;
        case kArp: lane = score_.arpLevel.At(bar); break;
        default: break;
    }
    bool on = (mask_ >> track) & 1u;
    return on ? kSetup[track].gain * lane : 0.0;
}

std::vector<float> cMixer::Render(int64_t frames) {
    frames = std::max<int64_t>(frames, 0);
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    for (int64_t pos = 0; pos < frames; pos += kBlock) {
        int n = static_cast<int>(std::min<int64_t>(kBlock, frames - pos));
        Block(pos, n, out.data() + pos * 2);
    }
    return out;
}

void cMixer::Block(int64_t position, int n, float* out) {
    const double bar0 = static_cast<double>(position) / score_.framesPerBar;
    // Ramps run over a whole block even when the last one is cut short, so
    // every sample is the same whatever length is rendered.
    const double bar1 = static_cast<double>(position + kBlock) / score_.framesPerBar;

    // Control values: cutoffs at the block start (the filters interpolate),
    // levels as ramps across the block.
    bass_->SetCutoff(score_.bassCutoff.At(bar0));
    pad_->SetCutoff(score_.padCutoff.At(bar0));
    arp_->SetCutoff(score_.arpCutoff.At(bar0));
    lead_->SetBrightness(score_.leadBright.At(bar0));
    harmony_->SetBrightness(score_.leadBright.At(bar0));

    // Instruments run up to each event, take the note, and carry on, so
    // notes start on their exact frame.
    int rendered[kTrackCount] = {};
    int kicks[kBlock];
    int kickCount = 0;
    for (auto& t : track_)
        for (auto& c : t) std::fill(c, c + n, 0.0f);
    const auto& events = score_.events;
    while (nextEvent_ < events.size() && events[nextEvent_].frame < position + n) {
        const sEvent& e = events[nextEvent_++];
        if (!((mask_ >> e.track) & 1u)) continue;
        int at = static_cast<int>(std::max<int64_t>(e.frame - position, 0));
        cInstrument& inst = *instruments_[e.track];
        if (at > rendered[e.track]) {
            inst.Render(track_[e.track][0] + rendered[e.track], track_[e.track][1] + rendered[e.track],
                        at - rendered[e.track]);
            rendered[e.track] = at;
        }
        inst.NoteOn(e.note);
        if (e.track == kKick && kickCount < kBlock) kicks[kickCount++] = at;
    }
    for (int t = 0; t < kTrackCount; ++t)
        if (rendered[t] < n) instruments_[t]->Render(track_[t][0] + rendered[t], track_[t][1] + rendered[t], n - rendered[t]);

    float gain0[kTrackCount], gainStep[kTrackCount];
    for (int t = 0; t < kTrackCount; ++t) {
        gain0[t] = static_cast<float>(Level(t, bar0));
        gainStep[t] = (static_cast<float>(Level(t, bar1)) - gain0[t]) / static_cast<float>(kBlock);
    }
    const float duck0 = static_cast<float>(score_.duck.At(bar0));
    const float duckStep = (static_cast<float>(score_.duck.At(bar1)) - duck0) / static_cast<float>(kBlock);

    // Sidechain: a 4 ms dip after every kick, recovering with a 110 ms time
    // constant, so the pads and bass breathe with the beat.
    float duck[kBlock];
    int kick = 0;
    for (int i = 0; i < n; ++i) {
        while (kick < kickCount && kicks[kick] == i) {
            duckRising_ = true;
            ++kick;
        }
        if (duckRising_) {
            duckEnv_ += duckRise_;
            if (duckEnv_ >= 1.0f) {
                duckEnv_ = 1.0f;
                duckRising_ = false;
            }
        } else {
            duckEnv_ *= duckFall_;
        }
        duck[i] = (duck0 + duckStep * static_cast<float>(i)) * duckEnv_;
    }

    float dryL[kBlock] = {}, dryR[kBlock] = {}, delayIn[kBlock] = {}, sendL[kBlock] = {}, sendR[kBlock] = {};
    for (int t = 0; t < kTrackCount; ++t) {
        if (gain0[t] == 0.0f && gainStep[t] == 0.0f) continue;
        const sTrackSetup& setup = kSetup[t];
        const float* inL = track_[t][0];
        const float* inR = track_[t][1];
        for (int i = 0; i < n; ++i) {
            float g = (gain0[t] + gainStep[t] * static_cast<float>(i)) * (1.0f - duck[i] * setup.duck);
            float l = inL[i] * g, r = inR[i] * g;
            dryL[i] += l;
            dryR[i] += r;
            delayIn[i] += (l + r) * (0.5f * setup.delaySend);
            sendL[i] += l * setup.reverbSend;
            sendR[i] += r * setup.reverbSend;
        }
    }

    float echoL[kBlock] = {}, echoR[kBlock] = {}, wetL[kBlock] = {}, wetR[kBlock] = {};
    delay_.Process(delayIn, echoL, echoR, n);
    for (int i = 0; i < n; ++i) {
        sendL[i] += kDelayToReverb * echoL[i];
        sendR[i] += kDelayToReverb * echoR[i];
    }
    reverb_.Process(sendL, sendR, wetL, wetR, n);
    float left[kBlock], right[kBlock];
    for (int i = 0; i < n; ++i) {
        float l = dryL[i] + echoL[i] + kReverbReturn * wetL[i];
        float r = dryR[i] + echoR[i] + kReverbReturn * wetR[i];
        left[i] = dcBlockL_.Process(l).high;
        right[i] = dcBlockR_.Process(r).high;
    }
    compressor_.Process(left, right, n);

    // Master fade (squared lane: a slow start and a soft landing on zero),
    // then a soft clipper with headroom that only rounds the highest peaks.
    const float m0 = static_cast<float>(score_.master.At(bar0));
    const float mStep = (static_cast<float>(score_.master.At(bar1)) - m0) / static_cast<float>(kBlock);
    for (int i = 0; i < n; ++i) {
        float m = m0 + mStep * static_cast<float>(i);
        m *= m;
        out[2 * i] = kSaturationHeadroom * SoftClip(left[i] * m / kSaturationHeadroom);
        out[2 * i + 1] = kSaturationHeadroom * SoftClip(right[i] * m / kSaturationHeadroom);
    }
}

}  // namespace

std::vector<float> RenderMix(const sSongLayout& layout, int64_t frames, uint32_t trackMask) {
    cMixer mixer(layout, trackMask);
    return mixer.Render(frames);
}

}  // namespace synth

// The song layout, the final 16-bit mixdown and the MP3 encoding.
#include "soundtrack.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "kernel/services.h"
#include "soundtrack_mix.h"
#include "soundtrack_score.h"

namespace {

// After the last bar the final chord and the reverb ring on under the fade.
constexpr uint32_t kTailMs = 3500;
// Peak of the finished mix: -2.2 dBFS. The MP3 encoder's filtering
// overshoots by up to about 0.7 dB, so the decoded music also stays below
// -1 dBFS.
constexpr double kPeakTarget = 0.77624711662869172;  // 10^(-2.2/20)

}  // namespace

int sSongLayout::TotalBars() const {
    int bars = 0;
    for (const sSection& s : sections) bars += s.bars;
    return bars;
}

uint32_t sSongLayout::BarToMs(double bar) const {
    if (!(bar > 0.0) || !(bpm > 0.0)) return 0;
    double ms = bar * beatsPerBar * 60000.0 / bpm;
    if (ms >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(ms);
}

uint32_t sSongLayout::LengthMs() const {
    uint32_t bars = BarToMs(TotalBars());
    return bars > 0xFFFFFFFFu - kTailMs ? 0xFFFFFFFFu : bars + kTailMs;
}

const sSongLayout& SongLayout() {
    // 124 bpm in 4/4: 108 bars are 3:29, with the tail 3:32.
    static const sSongLayout layout{124.0,
                                    4,
                                    {
                                        {"intro", 0, 16},
                                        {"build", 16, 8},
                                        {"drop", 24, 16},
                                        {"breakdown", 40, 16},
                                        {"build", 56, 8},
                                        {"drop", 64, 24},
                                        {"outro", 88, 20},
                                    }};
    return layout;
}

std::vector<int16_t> RenderSoundtrackPcm() {
    const sSongLayout& layout = SongLayout();
    std::vector<float> mix = synth::RenderMix(layout, synth::SoundtrackFrames(layout));
    float peak = 0.0f;
    for (float v : mix) peak = std::max(peak, v < 0.0f ? -v : v);
    // Scale so the loudest sample lands on the target, then round to the
    // nearest step. The scaled peak is below full scale, so nothing clips.
    double scale = peak > 0.0f ? kPeakTarget * 32767.0 / peak : 0.0;
    std::vector<int16_t> pcm(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) {
        double v = std::floor(static_cast<double>(mix[i]) * scale + 0.5);
        pcm[i] = static_cast<int16_t>(std::clamp(v, -32767.0, 32767.0));
    }
    return pcm;
}

std::vector<uint8_t> EncodeSoundtrackMp3(const std::vector<int16_t>& pcm) {
    if (pcm.empty() || pcm.size() % 2 != 0)
        FatalError("Soundtrack: %zu samples are not whole stereo frames", pcm.size());
    lame_t lame = lame_init();
    if (!lame) FatalError("Soundtrack: the MP3 encoder could not start");
    lame_set_in_samplerate(lame, kSoundtrackRate);
    lame_set_out_samplerate(lame, kSoundtrackRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_default);
    lame_set_VBR_quality(lame, 2.0f);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        FatalError("Soundtrack: the MP3 encoder rejected its settings");
    }
    // Encoded in slices: LAME wants a writable input and an output buffer of
    // 1.25 x samples + 7200 bytes for each call.
    constexpr size_t kSliceFrames = 1152 * 32;
    std::vector<short> slice(kSliceFrames * 2);
    std::vector<unsigned char> buffer(kSliceFrames * 5 / 4 + 7200);
    std::vector<uint8_t> mp3;
    const size_t frames = pcm.size() / 2;
    for (size_t done = 0; done < frames; done += kSliceFrames) {
        size_t n = std::min(kSliceFrames, frames - done);
        std::memcpy(slice.data(), pcm.data() + done * 2, n * 2 * sizeof(short));
        int bytes = lame_encode_buffer_interleaved(lame, slice.data(), static_cast<int>(n), buffer.data(),
                                                   static_cast<int>(buffer.size()));
        if (bytes < 0) {
            lame_close(lame);
            FatalError("Soundtrack: MP3 encoding failed (%d)", bytes);
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
    }
    int bytes = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (bytes < 0) {
        lame_close(lame);
        FatalError("Soundtrack: MP3 encoding failed at the end (%d)", bytes);
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
    // The tag frame (stream length, encoder delay and padding) is only known
    // now; it replaces the placeholder LAME wrote as the first frame.
    unsigned char tag[2880];
    size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    lame_close(lame);
    if (tagSize == 0 || tagSize > sizeof tag || tagSize > mp3.size())
        FatalError("Soundtrack: the MP3 encoder gave no tag frame");
    std::memcpy(mp3.data(), tag, tagSize);
    return mp3;
}

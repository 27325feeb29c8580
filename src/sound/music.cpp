// Music playback and clock.
//
// Decoding happens in the audio callback, a device buffer at a time, straight
// into SDL's buffer: nothing is allocated there and nothing is shared with
// the main thread, so no lock is needed. The hand-off: the main thread builds
// and opens the decoder in InitSound while the device is still paused (SDL
// does not call back while paused); from StartMusic's unpause on, only the
// audio thread touches the decoder; ShutdownSound closes the device, which
// joins the audio thread, before the main thread frees the decoder.
#include "sound/music.h"

#include <algorithm>
#include <memory>

#include "kernel/services.h"
#include "resources/file.h"
#include "sound/audio_output.h"
#include "sound/mp3_decoder.h"
#include "sound/music_clock.h"

namespace {

constexpr const char* kMusicFile = "halcyon.mp3";

struct sSoundState {
    bool initialised = false;  // set first thing in InitSound
    std::vector<uint8_t> fileBytes;  // read by the decoder until it is freed
    std::unique_ptr<cMp3Decoder> decoder;
    cAudioOutput output;
    cMusicClock clock;
};

sSoundState g_sound;

// After the end of the music (or a stream error part-way, which is not worth
// stopping the show for) the rest of every buffer is silence.
void FillMusic(void* user, int16_t* out, size_t frames) {
    auto* decoder = static_cast<cMp3Decoder*>(user);
    size_t got = decoder->Read(out, frames);
    std::fill(out + got * kMusicChannels, out + frames * kMusicChannels, int16_t{0});
}

}  // namespace

void InitSound(bool mute) {
    ShutdownSound();  // a repeated call starts afresh instead of leaking the device
    Log("   [DEMOSOUND] Initializing");
    g_sound.initialised = true;
    g_sound.decoder = std::make_unique<cMp3Decoder>();

    // The device only ever calls back through the decoder pointer, which
    // stays valid until ShutdownSound.
    if (mute || !g_sound.output.Open(FillMusic, g_sound.decoder.get())) {
        Log("   [DEMOSOUND] Initializing nosound");
    }

    sFileHandle file = FileOpen(kMusicFile);
    g_sound.fileBytes = std::move(file.data);
    FileClose(file);
    if (!g_sound.decoder->Open(g_sound.fileBytes)) FatalError(" Can't load mp3");
}

void StartMusic() {
    g_sound.output.Start();
    g_sound.clock.Start();
}

MusicPosition& MusicClock() { return g_sound.clock; }

void ShutdownSound() {
    if (!g_sound.initialised) return;
    g_sound.output.Close();
    g_sound.decoder.reset();
    g_sound.initialised = false;
}

const std::vector<uint8_t>& MusicFileBytes() { return g_sound.fileBytes; }

// SDL2 audio device with a pull callback.
#include "sound/audio_output.h"

#include <SDL.h>

#include <cstring>

#include "sound/mp3_decoder.h"

namespace {

// About 46 ms at 44100 Hz: short enough for a prompt start, long enough
// that a busy machine does not starve the device.
constexpr Uint16 kDeviceFrames = 2048;
constexpr size_t kBytesPerFrame = kMusicChannels * sizeof(int16_t);

}  // namespace

bool cAudioOutput::Open(AudioFill fill, void* user) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    subsystemTaken_ = true;
    fill_ = fill;
    user_ = user;

    SDL_AudioSpec want{};
    want.freq = kMusicSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = kMusicChannels;
    want.samples = kDeviceFrames;
    want.callback = Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: when the hardware wants another format SDL converts
    // behind the callback, so the callback always sees 44100 Hz stereo S16.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        Close();
        return false;
    }
    return true;  // SDL opens devices paused
}

void cAudioOutput::Start() {
    // Taking the device lock inside SDL_PauseAudioDevice orders everything
    // the caller wrote before it ahead of the first callback.
    if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
}

void cAudioOutput::Close() {
    // Closing joins the audio thread, so no callback runs after this.
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
    if (subsystemTaken_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystemTaken_ = false;
    fill_ = nullptr;
    user_ = nullptr;
}

void cAudioOutput::Callback(void* self, uint8_t* stream, int length) {
    auto* output = static_cast<cAudioOutput*>(self);
    size_t bytes = length > 0 ? static_cast<size_t>(length) : 0;
    size_t frames = bytes / kBytesPerFrame;
    // SDL hands out its own malloc'd buffer, aligned for any sample type.
    output->fill_(output->user_, reinterpret_cast<int16_t*>(stream), frames);
    std::memset(stream + frames * kBytesPerFrame, 0, bytes - frames * kBytesPerFrame);
}

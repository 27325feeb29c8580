// The sound device: one SDL2 audio device at 44100 Hz, stereo, signed 16-bit,
// whose audio thread pulls samples from a fill routine. Only this unit talks
// to SDL audio.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes exactly `frames` stereo frames (2 samples each) to `out`. Runs on
// the audio thread, so it must neither block nor allocate.
using AudioFill = void (*)(void* user, int16_t* out, size_t frames);

class cAudioOutput {
public:
    cAudioOutput() = default;
    ~cAudioOutput() { Close(); }
    cAudioOutput(const cAudioOutput&) = delete;
    cAudioOutput& operator=(const cAudioOutput&) = delete;

    // Opens the default device, paused: `fill` is not called before Start.
    // Returns false (leaving nothing open) when there is no usable device.
    bool Open(AudioFill fill, void* user);
    // Unpauses the device; from here on `fill` runs on the audio thread.
    void Start();
    // Stops the audio thread (waiting for a running fill to return), closes
    // the device and releases the audio subsystem if Open took it.
    void Close();

    bool IsOpen() const { return device_ != 0; }

private:
    static void Callback(void* self, uint8_t* stream, int length);

    uint32_t device_ = 0;  // SDL_AudioDeviceID; 0 = none
    bool subsystemTaken_ = false;
    AudioFill fill_ = nullptr;
    void* user_ = nullptr;
};

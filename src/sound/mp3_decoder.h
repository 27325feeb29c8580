// MP3 decoding from bytes in memory to interleaved stereo signed 16-bit PCM
// at 44100 Hz, whatever rate and channel count the file has. No platform
// audio here: the music player, the capture and the tools share this unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

constexpr int kMusicSampleRate = 44100;
constexpr int kMusicChannels = 2;

struct mpg123_handle_struct;

class cMp3Decoder {
public:
    cMp3Decoder() = default;
    ~cMp3Decoder();
    cMp3Decoder(const cMp3Decoder&) = delete;
    cMp3Decoder& operator=(const cMp3Decoder&) = delete;

    // Starts decoding `bytes`, which are not copied and must stay alive and
    // unchanged until the decoder is closed or destroyed. Returns false when
    // no MPEG audio frame with a usable format is found at the start; the
    // decoder is then closed.
    bool Open(std::span<const uint8_t> bytes);
    void Close();

    // Decodes up to `frames` stereo frames (2 samples each) into `out` and
    // returns how many were written. Fewer than asked only at the end of the
    // stream or after a decoding error; from then on it returns 0. Allocates
    // nothing, so it may run on the audio thread.
    size_t Read(int16_t* out, size_t frames);

    bool IsOpen() const { return handle_ != nullptr; }
    // True once Read has met the end of the stream or an error.
    bool Finished() const { return state_ != State::Decoding; }
    // True when decoding stopped on an error rather than at the end.
    bool Failed() const { return state_ == State::Failed; }
    // The rate the file was encoded at (output is always 44100 Hz).
    long SourceRate() const { return sourceRate_; }

    // Position of the in-memory reader; public only for the reader callbacks.
    struct sSource {
        const uint8_t* data = nullptr;
        size_t size = 0;
        size_t position = 0;
    };

private:
    enum class State { Decoding, Ended, Failed };

    mpg123_handle_struct* handle_ = nullptr;
    sSource source_;
    State state_ = State::Ended;
    long sourceRate_ = 0;
};

// Decodes a whole MP3 held in memory into interleaved stereo 44100 Hz
// samples (`*interleavedStereo44100` is replaced). Returns false, with the
// vector emptied, when the bytes are not MP3 audio, decoding fails, or no
// sample comes out.
bool DecodeMp3(std::span<const uint8_t> bytes, std::vector<int16_t>* interleavedStereo44100);

// libmpg123 reading from memory through replaced reader callbacks.
#include "sound/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kBytesPerFrame = kMusicChannels * sizeof(int16_t);

void InitLibrary() {
    // A no-op in current libmpg123 but required by older ones; a function
    // local static makes the one call thread-safe.
    static const int result = mpg123_init();
    (void)result;
}

// The reader contract is POSIX read/lseek on the in-memory source.
mpg123_ssize_t ReadSource(void* handle, void* buffer, size_t count) {
    auto* source = static_cast<cMp3Decoder::sSource*>(handle);
    size_t n = std::min(count, source->size - source->position);
    if (n > 0) std::memcpy(buffer, source->data + source->position, n);
    source->position += n;
    return static_cast<mpg123_ssize_t>(n);
}

off_t SeekSource(void* handle, off_t offset, int whence) {
    auto* source = static_cast<cMp3Decoder::sSource*>(handle);
    off_t base;
    switch (whence) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = static_cast<off_t>(source->position); break;
        case SEEK_END: base = static_cast<off_t>(source->size); break;
        default: return -1;
    }
    // Both operands are at most the buffer size in magnitude or the caller's
    // offset; reject anything outside the buffer before it can overflow.
    if (offset < -base || offset > static_cast<off_t>(source->size) - base) return -1;
    source->position = static_cast<size_t>(base + offset);
    return static_cast<off_t>(source->position);
}

}  // namespace

cMp3Decoder::~cMp3Decoder() { Close(); }

void cMp3Decoder::Close() {
    if (handle_) mpg123_delete(handle_);  // also closes the stream
    handle_ = nullptr;
    state_ = State::Ended;
    sourceRate_ = 0;
}

bool cMp3Decoder::Open(std::span<const uint8_t> bytes) {
    Close();
    InitLibrary();
    int error = MPG123_OK;
    handle_ = mpg123_new(nullptr, &error);
    if (!handle_) return false;
    source_ = {bytes.data(), bytes.size(), 0};

    // Flags are added, never assigned: assigning would clear the default
    // gapless flag (encoder delay and padding would stay in the samples) and
    // automatic resampling.
    bool ok = mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK;
    // Allowing only 44100 Hz stereo S16 makes libmpg123 convert everything
    // else itself: mono is doubled, 22050 and 11025 Hz go through its exact
    // 2x/4x synthesis, other rates through its N-to-M resampler. The output
    // format then never changes mid-stream.
    ok = ok && mpg123_format_none(handle_) == MPG123_OK;
    ok = ok && mpg123_format(handle_, kMusicSampleRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK;
    ok = ok && mpg123_replace_reader_handle(handle_, ReadSource, SeekSource, nullptr) == MPG123_OK;
    ok = ok && mpg123_open_handle(handle_, &source_) == MPG123_OK;
    // Reading the format parses the first frame: this is where bytes that are
    // not MPEG audio are rejected.
    long rate = 0;
    int channels = 0, encoding = 0;
    ok = ok && mpg123_getformat(handle_, &rate, &channels, &encoding) == MPG123_OK;
    ok = ok && rate == kMusicSampleRate && channels == kMusicChannels && encoding == MPG123_ENC_SIGNED_16;
    mpg123_frameinfo info{};
    ok = ok && mpg123_info(handle_, &info) == MPG123_OK;
    if (!ok) {
        Close();
        return false;
    }
    sourceRate_ = info.rate;
    state_ = State::Decoding;
    return true;
}

size_t cMp3Decoder::Read(int16_t* out, size_t frames) {
    size_t done = 0;
    while (done < frames && state_ == State::Decoding) {
        size_t bytes = 0;
        int result = mpg123_read(handle_, out + done * kMusicChannels, (frames - done) * kBytesPerFrame, &bytes);
        done += bytes / kBytesPerFrame;
        if (result == MPG123_DONE) {
            state_ = State::Ended;
        } else if (result == MPG123_NEW_FORMAT) {
            // Announced once at the start of the stream; the format itself
            // cannot change because only one is allowed.
        } else if (result != MPG123_OK || bytes == 0) {
            // An OK without progress would spin forever on the audio thread.
            state_ = State::Failed;
        }
    }
    return done;
}

bool DecodeMp3(std::span<const uint8_t> bytes, std::vector<int16_t>* interleavedStereo44100) {
    std::vector<int16_t>& out = *interleavedStereo44100;
    out.clear();
    cMp3Decoder decoder;
    if (!decoder.Open(bytes)) return false;
    constexpr size_t kChunkFrames = 16384;
    while (!decoder.Finished()) {
        size_t used = out.size();
        out.resize(used + kChunkFrames * kMusicChannels);
        size_t got = decoder.Read(out.data() + used, kChunkFrames);
        out.resize(used + got * kMusicChannels);
    }
    if (decoder.Failed() || out.empty()) {
        out.clear();
        return false;
    }
    return true;
}

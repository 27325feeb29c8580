// Captures the show's frames, in step with its music: output frame k shows
// the show as it stood at music position k x 1000 / fps milliseconds. Frames
// go to numbered PNG files in a directory, or through the ffmpeg command into
// a video file with the soundtrack muxed in.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

class cFrameCapture {
public:
    // `music` is the soundtrack's file bytes (may be empty: no audio track).
    static std::unique_ptr<cFrameCapture> Open(const std::string& path, uint32_t fps,
                                               std::span<const uint8_t> music, std::string* error);
    ~cFrameCapture();

    // Adds the frame presented at music position `position`. When the music
    // jumped ahead since the last frame (a long pause in the show), the last
    // frame is repeated to fill the gap; a frame for a moment that already
    // has one is dropped.
    bool Write(const uint32_t* frame, uint32_t position, std::string* error);
    // Ends the video (waits for ffmpeg); returns false if it failed.
    bool Finish(std::string* error);

    uint64_t framesWritten() const { return written_; }

private:
    cFrameCapture() = default;
    bool Emit(const uint32_t* frame, std::string* error);
    void ReportProgress(bool last);

    std::string path_;
    bool video_ = false;
    uint32_t fps_ = 60;
    std::FILE* pipe_ = nullptr;
    std::string audioPath_;
    std::vector<uint32_t> last_;
    uint64_t written_ = 0;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastReport_ = started_;
};

// Quotes a string for the shell.
std::string ShellQuote(const std::string& s);

// The program's command line. With no arguments the show runs as designed:
// it asks about fullscreen, opens a window and plays with sound.
#pragma once

#include <cstdint>
#include <string>

enum class ScreenChoice { Ask, Windowed, Fullscreen };
enum class ScaleMode { Default, Stretch, Fit, Integer };

struct sOptions {
    ScreenChoice screen = ScreenChoice::Ask;
    std::string dataDir;       // empty: the current directory
    bool headless = false;     // no window, no question, no audio device
    bool mute = false;         // no audio device
    ScaleMode scale = ScaleMode::Default;
    bool vsync = true;
    uint32_t fixedFps = 0;     // 0: the real clock
    std::string capturePath;   // empty: no capture
    int64_t maxFrames = -1;    // main-loop frames to run; -1: no limit
    int64_t untilMs = -1;      // stop at this music position; -1: no limit
    std::string logPath;       // write the log here at exit ("-": standard error)
    bool help = false;
    bool version = false;
};

// Fills *options from argv. Returns false with a one-line reason for an
// unknown option or a bad value.
bool ParseOptions(int argc, char** argv, sOptions* options, std::string* error);
const char* UsageText();
const char* VersionText();
// True when a capture path names a video file (.mp4, .mkv, .webm) rather
// than a directory of PNG frames.
bool CaptureIsVideo(const std::string& path);

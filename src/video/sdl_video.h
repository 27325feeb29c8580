// The SDL2 window system: the show's window, fullscreen at the desktop's
// resolution, keys, the fullscreen question and the fatal-error box.
#pragma once

#include <memory>
#include <string>

#include "kernel/options.h"
#include "video/backend.h"

struct sSdlVideoConfig {
    const char* title = "";
    int width = 512;    // client size of the window at start
    int height = 384;
    bool vsync = true;
    ScaleMode windowScale = ScaleMode::Stretch;
    ScaleMode fullscreenScale = ScaleMode::Fit;
};

// Opens the window; nullptr with a reason when there is no usable display.
std::unique_ptr<cVideoBackend> CreateSdlVideo(const sSdlVideoConfig& config, std::string* error);

// Asks a Yes/No question in a message box. Returns false when no box could
// be shown; otherwise stores the answer in *yes.
bool AskYesNo(const char* caption, const char* text, bool* yes);

// From now on a fatal error is also shown in a message box titled
// "Fatal error" (it is always written to standard error too).
void InstallMessageBoxReporter();

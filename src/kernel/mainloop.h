// The frame loop: applies due timeline events, runs stop hooks on falling
// edges, renders the switched-on effects in their fixed order, applies the
// picture, overlay and fade commands and presents the frame.
#pragma once

#include <cstdint>
#include <vector>

#include "kernel/timeline.h"

constexpr int kFrameWidth = 512;
constexpr int kFrameHeight = 384;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;  // 0x30000

// Whatever shows a finished frame (a window, a capture, nothing in tests).
// Presenting may change the frame: the presentation blacks out its border.
class FramePresenter {
public:
    virtual ~FramePresenter() = default;
    virtual void PresentFrame(uint32_t* frame) = 0;
};

// Whatever reports the music position in milliseconds since playback began.
class MusicPosition {
public:
    virtual ~MusicPosition() = default;
    virtual uint32_t Position() = 0;
};

enum class Fade { None, ToWhite, FromWhite, ToBlack, FromBlack };

// The quit flag: set by EXIT, by closing the window and by Escape; tested
// once per frame, at the top.
void SetQuitFlag();
void ClearQuitFlag();
bool QuitFlag();

class cMainLoop {
public:
    cMainLoop(cTimeline& timeline, uint32_t* frame, FramePresenter& presenter, MusicPosition& music)
        : timeline_(timeline), frame_(frame), presenter_(presenter), music_(music) {}

    // Runs one frame. Returns false, doing nothing, when the quit flag is set.
    bool Frame();
    // Runs frames until the quit flag is set.
    void Run();

    // The still picture shown by PICTURE and PICTURE2 (0x30000 pixels), or
    // empty once released.
    void SetShowPicture(std::vector<uint32_t> picture) { showPicture_ = std::move(picture); }
    bool HasShowPicture() const { return !showPicture_.empty(); }

    Fade fade() const { return fade_; }
    float fadeStart() const { return fadeStart_; }

private:
    void RunStopHooks();
    void Render();
    void TriggerFades();
    void CopyShowPicture();
    void PictureCommand();
    void DrawOverlay(float colour);
    void ApplyFade();

    cTimeline& timeline_;
    uint32_t* frame_;
    FramePresenter& presenter_;
    MusicPosition& music_;
    Fade fade_ = Fade::None;
    float fadeStart_ = 0.0f;
    std::vector<uint32_t> showPicture_;
};

// Brightness step of a running fade, 0..255: trunc(elapsed / fadeTime * 255).
// Sets *finished when the step has run past 255 (it is then 255).
int FadeLevel(uint32_t now, float fadeStart, float fadeTime, bool* finished);

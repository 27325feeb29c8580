// One frame of the show, step by step.
#include "kernel/mainloop.h"

#include <cmath>
#include <cstring>

#include "effects/effects.h"
#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "kernel/parameters.h"
#include "kernel/services.h"

namespace {

bool g_quit = false;

enum class Action { Effect, Blank, Exit };

struct sRenderRow {
    Var keyword;
    Action action;
};

// The fixed drawing order: later rows draw over earlier ones.
constexpr sRenderRow kRenderTable[] = {
    {Var::THEEND, Action::Effect},    {Var::NET5, Action::Effect},     {Var::BLANK, Action::Blank},
    {Var::TITLE, Action::Effect},     {Var::TUNNEL, Action::Effect},   {Var::ROTO, Action::Effect},
    {Var::KNOT, Action::Effect},      {Var::VIERKANT, Action::Effect}, {Var::TOROID, Action::Effect},
    {Var::BLOBMESH, Action::Effect},  {Var::DOTWALL, Action::Effect},  {Var::KWALLEN, Action::Effect},
    {Var::RAYTRACE, Action::Effect},  {Var::ZOOMER, Action::Effect},   {Var::BARS, Action::Effect},
    {Var::BALLS, Action::Effect},     {Var::BILLBOARD, Action::Effect}, {Var::BLOBBALL, Action::Effect},
    {Var::COLUMN, Action::Effect},    {Var::BLOBTORUS, Action::Effect}, {Var::EXIT, Action::Exit},
    {Var::MOVIE, Action::Effect},     {Var::STARLOVE, Action::Effect}, {Var::CREDITS, Action::Effect},
    {Var::CAMERAS, Action::Effect},   {Var::PIJLEN, Action::Effect},   {Var::CIRCLE, Action::Effect},
    {Var::BALL, Action::Effect},      {Var::WALL, Action::Effect},
};

// Effects torn down when their switch falls to zero, in this order. PICTURE2
// comes last; its hook is the kernel's own (release the show picture).
constexpr Var kStopHookTable[] = {
    Var::TITLE,    Var::TUNNEL,    Var::ROTO,    Var::KNOT,    Var::TOROID,   Var::DOTWALL,
    Var::RAYTRACE, Var::ZOOMER,    Var::BARS,    Var::BALLS,   Var::BILLBOARD, Var::COLUMN,
    Var::BLOBTORUS, Var::MOVIE,    Var::STARLOVE, Var::CREDITS, Var::CAMERAS,  Var::BALL,
};

// Effects whose initialisation waits for the PICTURE command, in this order.
constexpr Var kDeferredInits[] = {Var::CREDITS, Var::WALL,    Var::KNOT,   Var::RAYTRACE,
                                  Var::BLOBTORUS, Var::CAMERAS, Var::KWALLEN};

}  // namespace

void SetQuitFlag() { g_quit = true; }
void ClearQuitFlag() { g_quit = false; }
bool QuitFlag() { return g_quit; }

int FadeLevel(uint32_t now, float fadeStart, float fadeTime, bool* finished) {
    double level = (static_cast<double>(now) - static_cast<double>(fadeStart)) / fadeTime * 255.0;
    // A NaN (0 / 0 when FADETIME is 0) or anything from 256 on is past the end.
    if (!(level < 256.0)) {
        *finished = true;
        return 255;
    }
    *finished = false;
    // A clock that went backwards would give a negative step; hold it at 0.
    return level < 0.0 ? 0 : static_cast<int>(level);
}

bool cMainLoop::Frame() {
    if (g_quit) return false;
    timeline_.ApplyDueEvents(music_.Position());
    RunStopHooks();
    timeline_.previous = timeline_.switches;
    Render();
    TriggerFades();
    if (timeline_.On(Var::PICTURE2)) CopyShowPicture();
    if (timeline_.On(Var::PICTURE)) PictureCommand();
    if (timeline_.On(Var::OVERLAYB)) DrawOverlay(0.0f);
    if (timeline_.On(Var::OVERLAYW)) DrawOverlay(1.0f);
    ApplyFade();
    presenter_.PresentFrame(frame_);
    return true;
}

void cMainLoop::Run() {
    while (Frame()) {
    }
}

void cMainLoop::RunStopHooks() {
    auto fell = [&](Var v) { return !timeline_.On(v) && timeline_.WasOn(v); };
    for (Var v : kStopHookTable)
        if (fell(v)) StopEffect(v);
    if (fell(Var::PICTURE2)) {
        showPicture_.clear();
        showPicture_.shrink_to_fit();
    }
}

void cMainLoop::Render() {
    for (const sRenderRow& row : kRenderTable) {
        if (!timeline_.On(row.keyword)) continue;
        switch (row.action) {
        case Action::Effect:
            RenderEffect(row.keyword, frame_);
            break;
        case Action::Blank:
            FillBuffer(frame_, 0, kFramePixels);
            break;
        case Action::Exit:
            // The rest of the frame still runs and is presented.
            g_quit = true;
            break;
        }
    }
}

void cMainLoop::TriggerFades() {
    constexpr struct {
        Var trigger;
        Fade fade;
    } kTriggers[] = {{Var::FADETOWHITE, Fade::ToWhite},
                     {Var::FADEFROMWHITE, Fade::FromWhite},
                     {Var::FADETOBLACK, Fade::ToBlack},
                     {Var::FADEFROMBLACK, Fade::FromBlack}};
    for (const auto& t : kTriggers) {
        if (!timeline_.On(t.trigger)) continue;
        fade_ = t.fade;
        fadeStart_ = static_cast<float>(Milliseconds());
        timeline_.Switch(t.trigger) = 0.0f;
    }
}

void cMainLoop::CopyShowPicture() {
    // After the picture's release a PICTURE or PICTURE2 command is ignored.
    if (showPicture_.size() == static_cast<size_t>(kFramePixels))
        CopyBuffer(frame_, showPicture_.data(), kFramePixels);
}

void cMainLoop::PictureCommand() {
    timeline_.Switch(Var::PICTURE) = 0.0f;
    if (!HasShowPicture()) return;
    CopyShowPicture();
    for (int i = 0; i < 5; ++i) presenter_.PresentFrame(frame_);
    SleepMilliseconds(250);
    // An effect already initialised (PICTURE came before) is left alone.
    for (Var v : kDeferredInits) InitEffect(v);
    CopyShowPicture();
    timeline_.Switch(Var::PICTURE2) = 1.0f;
}

void cMainLoop::DrawOverlay(float colour) {
    overlay::colour = colour;
    RenderOverlay(frame_);
}

void cMainLoop::ApplyFade() {
    if (fade_ == Fade::None) return;
    bool finished = false;
    uint32_t v = static_cast<uint32_t>(
        FadeLevel(Milliseconds(), fadeStart_, kernel_params::fadeTime, &finished));
    Fade fade = fade_;
    // The last frame of a fade still gets the full step.
    if (finished) fade_ = Fade::None;
    switch (fade) {
    case Fade::ToBlack:
        SubColor(frame_, v * 0x010101u, kFramePixels);
        break;
    case Fade::FromBlack:
        SubColor(frame_, (255 - v) * 0x010101u, kFramePixels);
        break;
    case Fade::FromWhite:
        AddColor(frame_, (255 - v) * 0x010101u, kFramePixels);
        break;
    case Fade::ToWhite:
        AddColor(frame_, v * 0x010101u, kFramePixels);
        break;
    case Fade::None:
        break;
    }
}

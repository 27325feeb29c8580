// Loading screen and the first batch of effect initialisations.
#include "kernel/startup.h"

#include <cstring>

#include "effects/effects.h"
#include "effects/sized_picture.h"
#include "kernel/services.h"
#include "resources/picture.h"
#include "video/video.h"

namespace {

// One step of the loading sequence: a loading-bar block, the overlay's
// initialisation, or the initialisation of the effect bound to a keyword.
struct sLoadStep {
    enum Kind { Bar, Overlay, Effect } kind;
    int bar = 0;
    Var effect = Var::BLANK;
};

constexpr sLoadStep BarStep(int n) { return {sLoadStep::Bar, n, Var::BLANK}; }
constexpr sLoadStep InitStep(Var v) { return {sLoadStep::Effect, 0, v}; }

constexpr sLoadStep kLoadSequence[] = {
    BarStep(0),           {sLoadStep::Overlay, 0, Var::BLANK}, InitStep(Var::NET5),     BarStep(1),
    InitStep(Var::CIRCLE), BarStep(2),           InitStep(Var::MOVIE),  InitStep(Var::BALLS),
    InitStep(Var::BALL),   BarStep(3),           InitStep(Var::TUNNEL), BarStep(4),
    InitStep(Var::VIERKANT), InitStep(Var::TOROID), BarStep(5),         InitStep(Var::STARLOVE),
    BarStep(6),            InitStep(Var::ZOOMER), InitStep(Var::BILLBOARD), BarStep(7),
    InitStep(Var::BLOBMESH), BarStep(8),         InitStep(Var::BARS),   BarStep(9),
    InitStep(Var::TITLE),  InitStep(Var::COLUMN), InitStep(Var::DOTWALL), BarStep(10),
};

}  // namespace

std::vector<uint32_t> LoadFramePicture(const char* name) { return LoadSizedPicture(name, 512, 384); }

void LoadingBarStep(int step, uint32_t* frame, const uint32_t* loadingBar) {
    int x = kLoadingBarX[step];
    for (int y = kLoadingBarTop; y < kLoadingBarTop + kLoadingBarBlockHeight; ++y)
        std::memcpy(frame + y * 512 + x, loadingBar + y * 512 + x, kLoadingBarBlockWidth * sizeof(uint32_t));
    PresentFrame(frame);
    SleepMilliseconds(1000);
}

void InitEffectsWithLoadingBar(uint32_t* frame, const uint32_t* loadingBar, const cTimeline& timeline) {
    for (const sLoadStep& s : kLoadSequence) {
        switch (s.kind) {
        case sLoadStep::Bar:
            LoadingBarStep(s.bar, frame, loadingBar);
            break;
        case sLoadStep::Overlay:
            InitOverlay();
            break;
        case sLoadStep::Effect:
            InitEffect(s.effect);
            break;
        }
    }
    // The frame still shows the loading screen; this only keeps the window
    // responsive once per preloaded file.
    for (const String& entry : timeline.loadList) {
        if (entry.Lower() == "----") break;
        PresentFrame(frame);
    }
    Log("Init done");
}

#include "show.h"

#include <string>

#include "content_balls.h"
#include "content_bars.h"
#include "content_dotwall.h"
#include "content_net5.h"
#include "content_overlay.h"
#include "content_raytrace.h"
#include "content_roto.h"
#include "content_tunnel.h"
#include "content_zoomer.h"

namespace {

using CueFunction = void (*)(const sSongLayout&, double, double, std::vector<sCue>&);

// One scene: an effect from one bar to another. With `blank` the frame is
// cleared before the effect draws, so the letterbox around a band effect
// stays black; an effect that draws the whole frame runs without it.
struct sScene {
    double fromBar, toBar;
    CueFunction cues;
    bool blank;
};

// The show's plan against the soundtrack's sections: intro 0-16, build
// 16-24, drop 24-40, breakdown 40-56, build 56-64, drop 64-88, outro 88-108.
// The still picture holds bars 16-18 (it also loads the effects kept back
// until then); the overlays run above other scenes.
const sScene kScenes[] = {
    {0, 8, Net5Cues, false},
    {8, 16, DotwallCues, true},
    {18, 24, RotoCues, true},
    {24, 32, TunnelCues, true},
    {32, 40, ZoomerCues, true},
    {40, 48, RaytraceCues, true},
    {48, 56, BallsCues, true},
    {56, 64, BarsCues, true},
    {64, 72, TunnelCues, true},
    {72, 80, RotoCues, true},
    {80, 88, ZoomerCues, true},
    {88, 100, RaytraceCues, true},
    {100, 108, Net5Cues, false},
};
const sScene kOverlays[] = {
    {8, 16, OverlayCues, false},
    {24, 40, OverlayCues, false},
    {64, 88, OverlayCues, false},
};

const sSection* FindSection(const sSongLayout& song, const std::string& name) {
    for (const sSection& s : song.sections)
        if (s.name == name) return &s;
    return nullptr;
}

}  // namespace

std::vector<sCue> ShowCues(const sSongLayout& song) {
    std::vector<sCue> cues;
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    const double barMs = song.BarToMs(1) - song.BarToMs(0);
    const int lastBar = song.TotalBars();

    // The music starts over black, which opens up slowly.
    at(0, "fadetime", 2500);
    at(0, "fadefromblack", 1);

    // Scenes; a blank scene clears the frame from its first bar, the next
    // scene sets the clearing its own way.
    for (const sScene& s : kScenes) {
        at(s.fromBar, "blank", s.blank ? 1.0f : 0.0f);
        s.cues(song, s.fromBar, s.toBar, cues);
    }
    for (const sScene& s : kOverlays) s.cues(song, s.fromBar, s.toBar, cues);

    // After the first section the still picture comes up with a flash of
    // white; it also loads the effects kept back until then. Two bars later
    // it gives way to the next scene.
    const sSection* second = song.sections.size() > 1 ? &song.sections[1] : nullptr;
    if (second) {
        at(second->firstBar, "fadetime", static_cast<float>(barMs));
        at(second->firstBar, "picture", 1);
        at(second->firstBar, "fadefromwhite", 1);
        at(second->firstBar + 2, "picture2", 0);
    }
    // Every later section change flashes.
    for (size_t i = 2; i < song.sections.size(); ++i) at(song.sections[i].firstBar, "fadefromwhite", 1);

    // The outro fades to black over its last four bars and stays black.
    const sSection* outro = FindSection(song, "outro");
    double endBar = outro ? outro->firstBar + outro->bars : lastBar;
    at(endBar - 4, "fadetime", static_cast<float>(4 * barMs));
    at(endBar - 4, "fadetoblack", 1);
    at(endBar, "net5", 0);
    at(endBar, "blank", 1);

    cues.push_back({song.LengthMs() + 1000, "exit", 1});
    return cues;
}

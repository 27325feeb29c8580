// Binds effects to their keywords. Each effect adds its row to Bindings().
#include "effects/effects.h"
#include "effects/balls.h"
#include "effects/bars.h"
#include "effects/dotwall.h"
#include "effects/net5.h"
#include "effects/overlay.h"
#include "effects/raytrace.h"
#include "effects/roto.h"
#include "effects/tunnel.h"
#include "effects/zoomer.h"

#include <array>
#include <vector>

namespace {

struct sBinding {
    Var keyword;
    sEffect effect;
};

// One row per effect, e.g. {Var::TUNNEL, {TunnelInit, TunnelRender, TunnelStop}}.
const std::vector<sBinding>& Bindings() {
    static const std::vector<sBinding> rows = {
        {Var::ROTO, {RotoInit, RotoRender, RotoStop}},
        {Var::ZOOMER, {ZoomerInit, ZoomerRender, ZoomerStop}},
        {Var::TUNNEL, {TunnelInit, TunnelRender, TunnelStop}},
        {Var::BALLS, {BallsInit, BallsRender, BallsStop}},
        {Var::NET5, {Net5Init, Net5Render, nullptr}},
        {Var::DOTWALL, {DotwallInit, DotwallRender, DotwallStop}},
        {Var::RAYTRACE, {RaytraceInit, RaytraceRender, RaytraceStop}},
        {Var::BARS, {BarsInit, BarsRender, BarsStop}},
    };
    return rows;
}

std::array<sEffect, kKeywordCount>& Table() {
    static std::array<sEffect, kKeywordCount> table = [] {
        std::array<sEffect, kKeywordCount> t{};
        for (const sBinding& b : Bindings()) t[static_cast<int>(b.keyword)] = b.effect;
        return t;
    }();
    return table;
}

// The overlay is drawn by the kernel for OVERLAYB and OVERLAYW.
sEffect& Overlay() {
    static sEffect overlay{OverlayInit, OverlayRender, nullptr};
    return overlay;
}

std::array<bool, kKeywordCount> g_ready{};
bool g_overlayReady = false;

}  // namespace

const sEffect& EffectFor(Var keyword) { return Table()[static_cast<int>(keyword)]; }
const sEffect& OverlayEffect() { return Overlay(); }

void InitEffect(Var keyword) {
    int i = static_cast<int>(keyword);
    if (g_ready[i]) return;
    if (auto init = Table()[i].init) init();
    g_ready[i] = true;
}

void RenderEffect(Var keyword, uint32_t* frame) {
    const sEffect& e = Table()[static_cast<int>(keyword)];
    if (!e.render) return;
    InitEffect(keyword);
    e.render(frame);
}

void StopEffect(Var keyword) {
    int i = static_cast<int>(keyword);
    if (auto stop = Table()[i].stop) {
        stop();
        g_ready[i] = false;
    }
}

void InitOverlay() {
    if (g_overlayReady) return;
    if (auto init = Overlay().init) init();
    g_overlayReady = true;
}

void RenderOverlay(uint32_t* frame) {
    if (!Overlay().render) return;
    InitOverlay();
    Overlay().render(frame);
}

sEffect ReplaceEffect(Var keyword, const sEffect& effect) {
    int i = static_cast<int>(keyword);
    sEffect previous = Table()[i];
    Table()[i] = effect;
    g_ready[i] = false;
    return previous;
}

sEffect ReplaceOverlayEffect(const sEffect& effect) {
    sEffect previous = Overlay();
    Overlay() = effect;
    g_overlayReady = false;
    return previous;
}

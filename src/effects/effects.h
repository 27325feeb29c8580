// The effect protocol: each effect offers an initialisation, a render
// routine given the frame buffer, and optionally a stop hook run on the frame
// its switch returns to zero. Effects are bound to their timeline keyword; a
// keyword whose effect has no routines yet can be switched but draws nothing.
#pragma once

#include <cstdint>

#include "kernel/timeline.h"

struct sEffect {
    void (*init)() = nullptr;
    void (*render)(uint32_t* frame) = nullptr;
    void (*stop)() = nullptr;
};

// The effect bound to a switch keyword (an empty record for the others).
const sEffect& EffectFor(Var keyword);
// The overlay, drawn by the kernel for OVERLAYB and OVERLAYW.
const sEffect& OverlayEffect();

// The kernel drives effects through these, which keep each effect's state:
// InitEffect runs the initialisation unless the effect is ready already;
// RenderEffect first initialises an effect that is not ready (one whose
// batch has not run yet, or whose stop hook released what it built, so a
// show may use an effect again); StopEffect runs the stop hook and marks
// the effect for rebuilding.
void InitEffect(Var keyword);
void RenderEffect(Var keyword, uint32_t* frame);
void StopEffect(Var keyword);
void InitOverlay();
void RenderOverlay(uint32_t* frame);

// Rebinds a keyword (tests use this to watch the kernel call effects) and
// forgets its state; returns the former binding so it can be restored.
sEffect ReplaceEffect(Var keyword, const sEffect& effect);
sEffect ReplaceOverlayEffect(const sEffect& effect);

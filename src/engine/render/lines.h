// Anti-aliased lines that add a colour into the render target with
// per-channel saturation. Used by effects directly and by the wireframe
// polygon routine.
#pragma once

#include <cstdint>

// Colour added for coverage level k (0 = none, 255 = full). Every entry
// has the lowest bit of each channel and the top byte clear, which the
// carry trick of the saturating add relies on.
extern uint32_t g_lineColors[256];

// Builds g_lineColors: f0 scales blue (the lowest byte), f1 green, f2 red.
// Negative factors count as 0.
void SetLineColor(float f0, float f1, float f2);

// Draws from (x0, y0) to (x1, y1) into target (row length g_targetWidth),
// clipped to columns 1..width-2 and rows 1..height-2; each step adds the
// colour table's entries for the two pixels the line passes between.
void DrawLine(float x0, float y0, float x1, float y1, uint32_t* target);

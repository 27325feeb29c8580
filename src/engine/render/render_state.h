// The renderer's module state shared by the fill routines and the line and
// sprite drawers: the size of the render target they clip against. Set at
// engine construction, per frame from the camera's viewport, and by effects
// before they draw directly.
#pragma once

#include <cstdint>

extern int32_t g_targetWidth;
extern int32_t g_targetHeight;

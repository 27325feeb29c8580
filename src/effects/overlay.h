// Overlay: a full-frame grey picture laid over the finished frame, either
// added (lightening) or subtracted (darkening). The pictures are listed in
// "overlay.ini"; overlay::number picks one, overlay::add chooses adding
// (exactly 1.0) or subtracting, and overlay::colour, set by the kernel before
// each draw, asks for the black form (0.0) or the white form (1.0, every
// byte inverted).
#pragma once

#include <cstddef>
#include <cstdint>

// The list in "overlay.ini" holds at most this many names.
constexpr size_t kMaxOverlayNames = 100;

// Reads the list and allocates the overlay buffer. Running it again starts
// over: the next draw loads its picture afresh.
void OverlayInit();
// Adds or subtracts the chosen overlay over all 512 x 384 pixels of `frame`.
void OverlayRender(uint32_t* frame);

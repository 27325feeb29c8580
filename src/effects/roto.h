// The rotozoomer: up to three rotated and scaled copies of one endlessly
// repeated texture in the 512 x 200 band (frame rows 92 to 291), each
// zooming in along a sawtooth and fading in from black while far away. The
// first copy overwrites the band, the others add with saturation. ROTO
// switches it; ROTODIRECTION (roto::direction, read every frame) sets the
// sense of rotation. Holding S or F hides the second or third copy.
#pragma once

#include <cstdint>

// Loads "roto.jpg" (256 x 256), builds the tiled, darkened texture and
// records the start time.
void RotoInit();
void RotoRender(uint32_t* frame);
void RotoStop();

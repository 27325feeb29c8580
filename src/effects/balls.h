// Chrome balls: 24 mirror spheres in a 6 x 4 grid across the band (frame
// rows 92 to 291) on white, each pulsing in size on its own phase, all
// reflecting one environment picture ("eball.png", 256 x 256) that turns
// about three axes.
#pragma once

#include <cstdint>

// Loads the environment picture and builds the 70 sphere sprites, showing
// the frame buffer between sprites so the window stays responsive.
void BallsInit();
// Draws the band of `frame`; the first frame ever drawn also blackens the
// rows outside it.
void BallsRender(uint32_t* frame);
// Releases the sprites, the environment picture and the buffers.
void BallsStop();

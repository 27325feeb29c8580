// Rotating bars: six textured tubes arranged like the staves of a drum that
// revolves about the horizontal screen axis, twisting along its length, in
// the letterbox band between two border pictures. Timeline parameter:
// bars::speed.
#pragma once

#include <cstdint>

void BarsInit();
void BarsRender(uint32_t* frame);
void BarsStop();

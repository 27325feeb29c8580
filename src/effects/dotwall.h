// Dot wall: a halftone screen of 32 x 16 soft black dots on a white field
// (frame rows 64..319, black above and below), each grid row and column
// pulsing at its own rate.
#pragma once

#include <cstdint>

void DotwallInit();
void DotwallRender(uint32_t* frame);
void DotwallStop();

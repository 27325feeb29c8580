// Colour stripes: the letterbox band as 200 one-pixel stripes whose colours
// flow through a run of a source picture's pixels, between two border
// pictures. Timeline parameter: net5::kwallen (exactly 1.0 selects the second
// source picture for good and blacks out the borders while it lasts).
#pragma once

#include <cstdint>

void Net5Init();
void Net5Render(uint32_t* frame);

// The rotating bars' pictures and cues: three tube textures (rows along the
// tube, columns around it, wrapping both ways) and the two border pictures.
#pragma once

#include <vector>

#include "canvas.h"
#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

sCanvas MakeBarTexture(int n);      // n = 1..3, 256 x 256
sCanvas MakeBarsBorder(bool top);   // 512 x 92

// "bar1.jpg", "bar2.jpg", "bar3.jpg", "barboven.jpg", "baronder.jpg".
std::vector<sPackEntry> BarsFiles();

// On at fromBar, off at toBar; the drum's speed changes with the phrases and
// turns back for a bar before a new phrase.
void BarsCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

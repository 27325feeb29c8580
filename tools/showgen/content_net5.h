// The colour stripes' pictures and cues: two source pictures read as flat
// runs of pixels (200 wide, so a run's successor lies directly below it and
// the picture stays smooth in both directions) and the two border pictures.
#pragma once

#include <vector>

#include "canvas.h"
#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

sCanvas MakeNet5Source(bool second);  // 200 x 260
sCanvas MakeNet5Border(bool top);     // 512 x 92

// "net5.jpg", "net5kwal.jpg", "net5boven.jpg", "net5onder.jpg".
std::vector<sPackEntry> Net5Files();

// On at fromBar, off at toBar; the second picture and black borders take
// over half-way, and in the last two bars the borders flash on the beats.
void Net5Cues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

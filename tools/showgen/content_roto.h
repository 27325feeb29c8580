// The rotozoomer's texture and cues.
#pragma once

#include <vector>

#include "canvas.h"
#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

// 256 x 256, seamless: the effect repeats it without end in both directions.
sCanvas MakeRotoTexture();

// "roto.jpg".
std::vector<sPackEntry> RotoFiles();

// On at fromBar, off at toBar; the rotation turns around on every
// four-bar phrase and runs one and a half times as fast in the last one.
void RotoCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

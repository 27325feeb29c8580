// The zoom tunnel's two textures, its overlay map and its cues.
#pragma once

#include <vector>

#include "canvas.h"
#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

// 256 x 256 each, seamless: rows run along the depth, columns around the
// tunnel (256 columns a full turn).
sCanvas MakeZoomTexture(int which);  // 1 or 2
// 64 x 32, drawn to be seen magnified: one pixel fills the band at the
// smallest zoom, the whole map shows at the largest.
sCanvas MakeZoomMap();

// "texture1.jpg", "texture2.jpg", "zoommap.jpg".
std::vector<sPackEntry> ZoomerFiles();

// On at fromBar, off at toBar; from the second beat the view pulls out
// over the first half and dives back in over the second, while the
// textures' flow reverses on every fourth bar.
void ZoomerCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

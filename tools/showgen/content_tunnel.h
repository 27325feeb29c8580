// The interference tunnel's texture and cues.
#pragma once

#include <vector>

#include "canvas.h"
#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

// 256 x 256, seamless in both directions: columns run along the tunnel's
// depth, rows around it.
sCanvas MakeTunnelTexture();

// "tunnel.jpg".
std::vector<sPackEntry> TunnelFiles();

// On at fromBar, off at toBar; in between the glow stretches on every
// downbeat and relaxes on the next beat, with a harder flash on each
// four-bar phrase.
void TunnelCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

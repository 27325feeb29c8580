// The chrome balls' environment picture "eball.png", and their cues.
#pragma once

#include <vector>

#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

std::vector<sPackEntry> BallsFiles();

// BALLS on at fromBar and off at toBar. The effect has no parameters; the
// balls pulse and turn with the clock. Its first frame blackens the frame
// outside the band once; after that only the band is drawn, so the rows
// above and below keep whatever ran before unless BLANK or another effect
// covers them. Switching it off releases everything (the next use rebuilds
// it, a visible pause), so it is meant for one stretch.
void BallsCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

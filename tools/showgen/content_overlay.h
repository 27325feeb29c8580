// The overlay's pictures and its list "overlay.ini", and its cues.
#pragma once

#include <vector>

#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

// Positions in "overlay.ini", the values OVERLAYNR takes.
enum eOverlayPicture {
    kOverlayFrame,    // thin double frame, corner marks and a soft vignette
    kOverlayLeaks,    // light leaks from the edges and a diagonal streak
    kOverlayScan,     // scan lines with a rolling band and grain
    kOverlayRings,    // an emblem of rings with a wave through it
    kOverlayPlate,    // a lower-third text plate
    kOverlayLetterbox,  // soft bars above and below the band
    kOverlayCount
};

std::vector<sPackEntry> OverlayFiles();

// Lays overlays over whatever runs between the two bars: a different
// picture and mode every four bars, picture changes on the beat at the end
// of each phrase; everything back to its start values at toBar.
void OverlayCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

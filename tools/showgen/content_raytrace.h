// The raytraced planes' pictures and cues: a tiled floor texture that wraps
// in both directions, and the two letterbox border pictures.
#pragma once

#include <vector>

#include "canvas.h"
#include "resources/packer.h"
#include "script_writer.h"
#include "soundtrack.h"

sCanvas MakeRaytraceTexture();  // 256 x 256
sCanvas MakeRaytraceBorder(bool top);  // 512 x 92

// "textuur.jpg", "rayboven.jpg", "rayonder.jpg".
std::vector<sPackEntry> RaytraceFiles();

// On at fromBar, off at toBar; in between the planes' breathing and the
// lens swap on four-bar phrases.
void RaytraceCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);

// The zoom tunnel: two textures mapped through a polar table into the
// 512 x 256 band of frame rows 64 to 319, averaged, with a magnified
// overlay picture added on top. The zoom, driven by ZOOMSPEED, stretches
// the table from one tunnel filling the band to a grid of small tunnels;
// ZOOMTUNNELSPEED1 and ZOOMTUNNELSPEED2 make the textures flow.
#pragma once

#include <cstdint>

// Loads "texture1.jpg", "texture2.jpg" (256 x 256) and "zoommap.jpg"
// (64 x 32) and builds the polar table.
void ZoomerInit();
void ZoomerRender(uint32_t* frame);
// Releases the textures, the overlay map and the polar table. The zoom
// value itself lives on for the rest of the run.
void ZoomerStop();

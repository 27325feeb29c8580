// The interference tunnel: three tunnel mappings of one texture summed per
// pixel into the 512 x 200 band (frame rows 92 to 291), then a radial glow
// that smears light outward from the band's centre. Driven by TUNNEL,
// TUNNELFLASH and TUNNELZOOM (tunnel::flash, tunnel::zoom).
#pragma once

#include <cstdint>

// Loads "tunnel.jpg" (256 x 256) and builds the angle/radius table.
void TunnelInit();
void TunnelRender(uint32_t* frame);
// Releases the table, the texture and the glow's tables.
void TunnelStop();

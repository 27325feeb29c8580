// Value noise that repeats: for textures that wrap around (a texture indexed
// with & 255 in both directions, a band read cyclically), so no seam shows
// where the last texel meets the first.
#pragma once

#include <cstdint>

// Smooth value noise in [0, 1) on an integer lattice that repeats every
// `period` cells in x and in y.
double TileNoise(double x, double y, int period, uint32_t seed);
// Its fractal sum over `octaves`, each twice the frequency (and twice the
// period, so every octave repeats at the same place) and half the weight.
double TileFbm(double x, double y, int period, int octaves, uint32_t seed);

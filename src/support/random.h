// The shared pseudo-random generator: integers 0..32767 from a 32-bit linear
// congruential sequence (seed x 214013 + 2531011, bits 16..30), seeded with 1
// at start. Particle systems and effects draw from the same sequence, so the
// show is the same on every run.
#pragma once

#include <cstdint>

constexpr int32_t kRandomMax = 32767;

int32_t RandomInt();
void SeedRandom(uint32_t seed);

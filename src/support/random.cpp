// The shared pseudo-random generator.
#include "support/random.h"

namespace {

uint32_t g_seed = 1;

}  // namespace

int32_t RandomInt() {
    g_seed = g_seed * 214013u + 2531011u;
    return static_cast<int32_t>((g_seed >> 16) & 0x7FFF);
}

void SeedRandom(uint32_t seed) { g_seed = seed; }

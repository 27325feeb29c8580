// Whole-buffer pixel operations shared by the kernel and the effects: fill,
// copy, per-byte saturating addition and subtraction, inversion, a weighted
// mix of two buffers and a smearing low-pass filter.
//
// Pixels are 32-bit words 0x00RRGGBB (in memory: blue, green, red, top
// byte). Unless said otherwise every operation treats a pixel as four
// independent unsigned bytes and works on the top byte like the others, so a
// colour argument normally has 0 there. n is a pixel count; any n works
// (n <= 0 does nothing) and no pixel past the n-th is read or written.
//
// Each operation has a plain reference loop and SIMD variants that give
// exactly the same bytes; the variant in use is picked once at start-up from
// what the processor supports (see SimdPath below).
#pragma once

#include <cstdint>

// pixel := colour
void FillBuffer(uint32_t* buffer, uint32_t colour, int n);
// destination := source. The two runs are identical or do not overlap.
void CopyBuffer(uint32_t* destination, const uint32_t* source, int n);
// byte := min(255, byte + colour byte)
void AddColor(uint32_t* buffer, uint32_t colour, int n);
// byte := max(0, byte - colour byte)
void SubColor(uint32_t* buffer, uint32_t colour, int n);
// destination byte := min(255, destination byte + source byte). The two runs
// are identical or do not overlap; likewise for SubBuffer and CrossFade.
void AddBuffer(uint32_t* destination, const uint32_t* source, int n);
// destination byte := max(0, destination byte - source byte)
void SubBuffer(uint32_t* destination, const uint32_t* source, int n);
// All 32 bits inverted, top byte included.
void InvertBuffer(uint32_t* buffer, int n);
// destination byte := (first byte * (255 - w)) >> 8 + (second byte * w) >> 8,
// saturated at 255 (the sum is at most 254, so it never saturates). Both
// products are truncated separately, so w = 0 gives first * 255/256, not a
// copy, and w = 128 on white/black gives 0x7E but on black/white 0x7F.
// w is clamped to 0..255. destination may be first or second.
void CrossFade(uint32_t* destination, const uint32_t* first, const uint32_t* second, int n,
               int weight);
// One-pole low-pass filter through the pixels in memory order (across row
// ends) on the blue, green and red bytes; the top byte is left alone. Each
// colour byte has an unsigned 32-bit accumulator starting at the first
// pixel's byte * 256; for every pixel, with wrap-around modulo 2^32,
//   acc += strength * (byte * 256 - (acc >> 8)),  byte := (acc >> 16) & 0xFF.
// strength is in 1/256 steps: 256 reproduces the picture, small values smear
// strongly. Because acc otherwise holds values * 65536, the first pixels
// start near black and climb toward the picture. Outside 0..256 the
// accumulator leaves 0..0xFFFFFF and the stored byte is just the low 8 bits
// of acc >> 16; every path stores exactly that.
void SmearBuffer(uint32_t* buffer, int strength, int n);

// The implementations, slowest first; a path includes everything below it.
enum class SimdPath { Reference, Sse2, Avx2 };

// The fastest path the processor supports (always Reference off x86-64).
SimdPath BestSimdPath();
bool SimdPathSupported(SimdPath path);
// Makes `path` the active one, or BestSimdPath() when the processor lacks
// it, and returns the path now active. Meant for start-up options and tests;
// it must not race with operations running on other threads.
SimdPath ForceSimdPath(SimdPath path);
SimdPath ActiveSimdPath();
// "reference", "sse2" or "avx2".
const char* SimdPathName(SimdPath path);
// Reads one of the names above (ASCII case ignored); false for anything else.
bool ParseSimdPath(const char* name, SimdPath* path);

// The environment variable that overrides the start-up choice.
inline constexpr const char* kSimdPathVariable = "HDRIFT_SIMD";
// The path start-up makes active for a given value of that variable: the
// path it names, or BestSimdPath() when the processor lacks that path or
// the value is null, empty or not a path name.
SimdPath ChooseSimdPath(const char* requested);

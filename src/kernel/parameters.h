// Timeline parameters the kernel owns: the fade duration, the window's
// show-position flag, and keywords a script may set that nothing reads.
#pragma once

namespace kernel_params {
inline float fadeTime = 1000.0f;  // FADETIME, milliseconds per fade
inline float showModulePos = 0.0f;  // SHOWMODULEPOS

// LISSA* parameters: accepted so old scripts still read, never used.
inline float lissaA = 52.0f, lissaB = 1.0f, lissaC = 10.0f, lissaSpeed = 100.0f, lissaShow = 0.0f,
             lissaErase = 0.0f, lissaEraseReset = 1.0f, lissaLines = 0.0f;
}  // namespace kernel_params

// Screenshots: the frame saved as an uncompressed 24-bit TGA picture named
// "1.tga", "2.tga", ... in the working directory.
#pragma once

#include <cstdint>

// Writes the 512 x 384 pixels of `frame` (0x00RRGGBB words, rows top to
// bottom, 512 words per row) to the next numbered file, replacing a file of
// that name. A file that cannot be created or written ends the program.
void SaveScreenshot(const uint32_t* frame);

// Starts the numbering at 1 again (the state at program start).
void ResetScreenshotCounter();

// Pictures whose size a loop depends on: loaded as 32-bit colour pixels
// and refused unless they have exactly the size the effect was written for,
// so no loop ever indexes past a picture that came out smaller than planned.
#pragma once

#include <cstdint>
#include <vector>

// The width x height pixels of `name` (0x00RRGGBB, rows top to bottom). Any
// other size ends the program through FatalError naming the file and the
// size expected.
std::vector<uint32_t> LoadSizedPicture(const char* name, int width, int height);

#include "pcx_writer.h"

#include <stdexcept>

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, int value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

std::vector<uint8_t> EncodePcx8(int width, int height, const std::vector<uint8_t>& indices, const Palette& palette) {
    if (width <= 0 || height <= 0 || width % 2 != 0 || indices.size() != static_cast<size_t>(width) * height)
        throw std::invalid_argument("EncodePcx8: bad picture size");
    std::vector<uint8_t> out(128, 0);
    out[0] = 10;  // manufacturer
    out[1] = 5;   // version 3.0 with a 256-colour palette
    out[2] = 1;   // run-length coded
    out[3] = 8;   // bits per pixel
    Put16(out, 4, 0);
    Put16(out, 6, 0);
    Put16(out, 8, width - 1);
    Put16(out, 10, height - 1);
    Put16(out, 12, 72);
    Put16(out, 14, 72);
    out[65] = 1;  // planes
    Put16(out, 66, width);  // bytes per line
    Put16(out, 68, 1);      // colour palette

    for (int y = 0; y < height; ++y) {
        const uint8_t* row = indices.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width;) {
            // A run holds at most 63 bytes; a single byte of 192 or more must
            // be written as a run of one, since it would read as a count.
            int run = 1;
            while (x + run < width && run < 63 && row[x + run] == row[x]) ++run;
            if (run > 1 || row[x] >= 192) out.push_back(static_cast<uint8_t>(0xC0 | run));
            out.push_back(row[x]);
            x += run;
        }
    }
    out.push_back(12);
    out.insert(out.end(), palette.begin(), palette.end());
    return out;
}

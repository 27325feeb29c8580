// Picture loading: JPEG and PNG files become 32-bit pictures in the frame
// buffer's pixel format, PCX files become 8-bit indexed pictures with their
// palette. Every decoder works on the whole file in memory as the file layer
// returns it (data library first, then the disk).
//
// A file that cannot be decoded completely (truncated, corrupt, absurdly
// large) ends the program through FatalError with a message naming the file;
// a caller never sees a partly decoded picture.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Pictures wider or taller than this are refused before anything is
// allocated; the largest the show uses are a few times the frame size.
constexpr int32_t kMaxPictureSide = 16384;

// Bytes of an 8-bit picture's palette: 256 entries of red, green, blue.
constexpr int32_t kPaletteBytes = 768;

// A loaded picture. Exactly one of the two pixel vectors is filled:
//
//   bits == 32: `pixels` holds width x height words 0x00RRGGBB (in memory
//               blue, green, red, 0), rows top to bottom, no padding;
//   bits == 8:  `indexed` holds width x height index bytes, rows top to
//               bottom, immediately followed by the 768-byte palette. Its
//               size is exactly width x height + 768.
struct sPicture {
    int32_t width = 0;
    int32_t height = 0;
    int bits = 0;
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> indexed;

    int32_t PixelCount() const { return width * height; }
    // The palette of an 8-bit picture (empty for a 32-bit one).
    std::span<const uint8_t> Palette() const {
        if (bits != 8) return {};
        return std::span<const uint8_t>(indexed).subspan(static_cast<size_t>(PixelCount()));
    }
};

// Chooses the decoder by the last three characters of the name, upper-cased:
// "JPG" and "PNG" give a 32-bit picture, "PCX" the 8-bit picture of LoadPcx8.
// Any other name ends the program ("...Could not determine which picture
// this is: <name>"), so does a name of fewer than three characters.
sPicture LoadPicture(const char* name);

// As LoadPicture, but always a 32-bit picture: a PCX file is expanded
// through its palette (Pcx8To32). Used where a texture is expected.
sPicture LoadPictureInfo(const char* name);

// The two PNG and JPEG passes. With `query` set they only read the header and
// store the size into width and height; `pixels` is not touched and may be
// empty. Without it they decode the whole picture into `pixels`, which must
// hold at least width x height words (the size is stored again; a file whose
// size no longer fits the buffer ends the program). Each call opens the file
// anew through the file layer.
void DemoLoadPng24to32(const char* name, std::span<uint32_t> pixels, bool query,
                       int32_t* width, int32_t* height);
void load_jpg(const char* name, std::span<uint32_t> pixels, bool query, int32_t* width,
              int32_t* height);

// Reads an 8-bit run-length PCX file (bits == 8 in the result).
sPicture LoadPcx8(const char* name);

// Expands `count` index bytes through the palette that follows them in
// `picture8` (as LoadPcx8 lays it out): destination[k] = palette entry
// picture8[k] as 0x00RRGGBB. `destination` must hold `count` words and
// `picture8` count + 768 bytes; anything less ends the program.
void Pcx8To32(std::span<uint32_t> destination, std::span<const uint8_t> picture8, int32_t count);

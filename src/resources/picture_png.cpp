// PNG pictures through libpng, read from the file layer's memory image.
//
// libpng reports errors by longjmp to the setjmp(png_jmpbuf) of the routine
// that called it. The two routines holding a setjmp (ReadPngHeader and
// ReadPngImage) and the callbacks keep no object with a destructor, so the
// jump skips nothing; buffers are allocated between the two, and FatalError
// is only called once libpng has been left.
#include "resources/picture.h"

#include <png.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "kernel/services.h"
#include "resources/file.h"
#include "resources/picture_p.h"

namespace {

struct PngReader {
    sFileHandle* file;
    char message[256];
};

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp png, png_const_charp message) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    Log("   [DEMOGFX] DemoLoadPng24to32: %s: %s", reader->file->name.c_str(), message);
}

// libpng asks for exact byte counts; a short read means the file was cut.
void PngRead(png_structp png, png_bytep data, size_t length) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > INT32_MAX ||
        FileRead(*reader->file, data, static_cast<int32_t>(length)) != static_cast<int32_t>(length))
        png_error(png, "file ends too early");
}

// Reads the header; for the decode pass also asks libpng for 8-bit RGB rows
// and returns their size in `rowBytes`.
bool ReadPngHeader(png_structp png, png_infop info, bool query, png_uint_32* width,
                   png_uint_32* height, size_t* rowBytes) {
    if (setjmp(png_jmpbuf(png))) return false;
    // Bigger pictures end in an error from png_read_info.
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    if (query) return true;

    // Any kind of PNG becomes 8-bit R, G, B: palettes and grey below 8 bits
    // are expanded, 16-bit channels scaled with rounding (v * 255 / 65535),
    // grey copied to all three channels, alpha (also from tRNS) dropped
    // without blending.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_strip_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 3 ||
        png_get_rowbytes(png, info) != size_t{*width} * 3)
        png_error(png, "cannot convert this kind of PNG to RGB");
    *rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadPngImage(png_structp png, png_infop endInfo, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, endInfo);
    return true;
}

// Destroys the libpng structures on every way out, also a throwing
// FatalError in the tests or a failed allocation.
struct PngStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    ~PngStructs() { png_destroy_read_struct(&png, &info, &endInfo); }
};

}  // namespace

void DemoLoadPng24to32(const char* name, std::span<uint32_t> pixels, bool query,
                       int32_t* width, int32_t* height) {
    sFileHandle file = FileOpen(name);
    PngReader reader{};
    reader.file = &file;

    PngStructs s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, PngError, PngWarning);
    if (s.png) s.info = png_create_info_struct(s.png);
    if (s.png) s.endInfo = png_create_info_struct(s.png);
    if (!s.png || !s.info || !s.endInfo) {
        FileClose(file);
        FatalError("DemoLoadPng24to32: Could not load %s", name);
    }
    png_set_read_fn(s.png, &reader, PngRead);

    png_uint_32 w = 0, h = 0;
    size_t rowBytes = 0;
    bool ok = ReadPngHeader(s.png, s.info, query, &w, &h, &rowBytes);
    if (ok && !query) {
        // user limits keep w and h at most kMaxPictureSide, so these fit.
        CheckPictureBuffer("DemoLoadPng24to32", name, pixels, static_cast<int32_t>(w),
                           static_cast<int32_t>(h));
        std::vector<png_byte> image(rowBytes * h);
        std::vector<png_bytep> rows(h);
        for (png_uint_32 y = 0; y < h; ++y) rows[y] = image.data() + y * rowBytes;
        ok = ReadPngImage(s.png, s.endInfo, rows.data());
        if (ok) {
            for (png_uint_32 y = 0; y < h; ++y) {
                const png_byte* rgb = rows[y];
                uint32_t* out = pixels.data() + size_t{y} * w;
                for (png_uint_32 x = 0; x < w; ++x, rgb += 3)
                    out[x] = (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | uint32_t{rgb[2]};
            }
        }
    }
    FileClose(file);
    if (!ok) FatalError("DemoLoadPng24to32: Could not decode %s: %s", name, reader.message);
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
}

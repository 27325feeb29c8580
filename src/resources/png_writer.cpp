#include "resources/png_writer.h"

#include <png.h>

#include <cstdio>

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

// Runs the libpng calls; kept free of C++ objects with destructors because a
// libpng error longjmps out of it.
bool EncodeRows(png_bytep* rows, int width, int height, int level, std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool EncodePng(const uint32_t* pixels, int width, int height, int level, std::vector<uint8_t>* out) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = rgb.data() + static_cast<size_t>(y) * width * 3;
    out->clear();
    return EncodeRows(rows.data(), width, height, level, out);
}

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string* error) {
    // A fast setting: captures write thousands of frames.
    std::vector<uint8_t> bytes;
    if (!EncodePng(pixels, width, height, 3, &bytes)) {
        *error = "cannot encode " + path;
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *error = "cannot create " + path;
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    if (!ok) *error = "cannot write " + path;
    return ok;
}

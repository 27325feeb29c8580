#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "kernel/services.h"
#include "fixtures.h"
#include "resources/picture.h"
#include "test_util.h"

namespace {

constexpr const char* kConvert = "/usr/bin/convert";

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

uint32_t Rgb(int r, int g, int b) {
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

// --- encoders and a reference decoder -------------------------------------

void PngWriteToVector(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlushNothing(png_structp) {}

// `samples` holds the rows packed as libpng expects them for the colour type
// and depth (16-bit samples big-endian).
Bytes EncodePng(int width, int height, int colorType, int bitDepth, const Bytes& samples) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test picture";
        return {};
    }
    png_set_write_fn(png, &out, PngWriteToVector, PngFlushNothing);
    png_set_IHDR(png, info, width, height, bitDepth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    size_t rowBytes = samples.size() / static_cast<size_t>(height);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(samples.data() + y * rowBytes));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}


// libjpeg's own decode in its default output space (RGB, or grey for a
// one-component file), as 0x00RRGGBB words.
std::vector<uint32_t> ReferenceJpeg(const Bytes& file, int* width, int* height) {
    jpeg_decompress_struct d;
    jpeg_error_mgr error;
    d.err = jpeg_std_error(&error);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    *width = static_cast<int>(d.output_width);
    *height = static_cast<int>(d.output_height);
    const int n = d.output_components;
    std::vector<uint32_t> pixels;
    Bytes row(d.output_width * static_cast<size_t>(n));
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        for (JDIMENSION x = 0; x < d.output_width; ++x) {
            const unsigned char* p = &row[x * n];
            pixels.push_back(n == 1 ? Rgb(p[0], p[0], p[0]) : Rgb(p[0], p[1], p[2]));
        }
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return pixels;
}

// A smooth RGB test picture (JPEG keeps it close to the source).
Bytes Gradient(int width, int height) {
    Bytes rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            rgb.push_back(static_cast<unsigned char>(x * 255 / (width - 1)));
            rgb.push_back(static_cast<unsigned char>(y * 255 / (height - 1)));
            rgb.push_back(static_cast<unsigned char>(255 - x * 128 / (width - 1)));
        }
    return rgb;
}

// Runs ImageMagick's convert in the working directory.
bool Convert(const std::string& arguments) {
    return std::system((std::string(kConvert) + " " + arguments).c_str()) == 0;
}

// ImageMagick's idea of the picture's colours as 0x00RRGGBB words, alpha
// dropped. The colours are taken at 16 bits and rounded to 8 here,
// round(v * 255 / 65535) = round(v / 257), because ImageMagick's own 8-bit
// output is off by one for some 16-bit values.
std::vector<uint32_t> ConvertToWords(const std::string& file) {
    if (!Convert(file + " -alpha off -depth 16 -endian MSB rgb:reference.rgb")) return {};
    Bytes rgb = ReadBytes("reference.rgb");
    auto channel = [&](size_t i) { return ((rgb[i] << 8 | rgb[i + 1]) * 2 + 257) / 514; };
    std::vector<uint32_t> words;
    for (size_t i = 0; i + 5 < rgb.size(); i += 6)
        words.push_back(Rgb(channel(i), channel(i + 2), channel(i + 4)));
    return words;
}

#define REQUIRE_CONVERT()                                                                  \
    if (!std::filesystem::exists(kConvert)) GTEST_SKIP() << kConvert << " is not installed"

// --- PCX -----------------------------------------------------------------

// Greedy run-length coding as PCX writers do it: runs of up to 63, and
// single bytes of 192 or more coded as a run of one.
Bytes PcxRuns(const Bytes& indices) {
    Bytes out;
    for (size_t i = 0; i < indices.size();) {
        size_t run = 1;
        while (i + run < indices.size() && run < 63 && indices[i + run] == indices[i]) ++run;
        if (run == 1 && indices[i] < 192) {
            out.push_back(indices[i]);
        } else {
            out.push_back(static_cast<unsigned char>(192 | run));
            out.push_back(indices[i]);
        }
        i += run;
    }
    return out;
}

Bytes PcxFile(int xmin, int ymin, int xmax, int ymax, const Bytes& runs, int marker,
              const Bytes& palette) {
    Bytes file(128, 0);
    file[0] = 10;  // manufacturer
    file[1] = 5;   // version
    file[2] = 1;   // run-length coding
    file[3] = 8;   // bits per pixel
    auto put16 = [&](size_t at, int v) {
        file[at] = static_cast<unsigned char>(v & 0xFF);
        file[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    };
    put16(4, xmin);
    put16(6, ymin);
    put16(8, xmax);
    put16(10, ymax);
    file[65] = 1;                  // planes
    put16(66, xmax - xmin + 1);    // bytes per line
    file.insert(file.end(), runs.begin(), runs.end());
    file.push_back(static_cast<unsigned char>(marker));
    file.insert(file.end(), palette.begin(), palette.end());
    return file;
}

Bytes GreyPalette() {
    Bytes palette;
    for (int i = 0; i < 256; ++i) palette.insert(palette.end(), 3, static_cast<unsigned char>(i));
    return palette;
}

// A palette with distinct red, green and blue in every entry.
Bytes ColourPalette() {
    Bytes palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back(static_cast<unsigned char>(i));
        palette.push_back(static_cast<unsigned char>(255 - i));
        palette.push_back(static_cast<unsigned char>(i * 7));
    }
    return palette;
}

// --- tests ---------------------------------------------------------------

TEST(PngPicture, LibpngRgbDecodesExactlyInTwoPasses) {
    TempDir dir;
    const int w = 5, h = 3;
    Bytes rgb;
    std::vector<uint32_t> expected;
    for (int i = 0; i < w * h; ++i) {
        int r = i * 17, g = 255 - i * 9, b = (i * 53) & 0xFF;
        rgb.insert(rgb.end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                               static_cast<unsigned char>(b)});
        expected.push_back(Rgb(r, g, b));
    }
    dir.Write("p.png", EncodePng(w, h, PNG_COLOR_TYPE_RGB, 8, rgb));

    ClearLog();
    sPicture picture = LoadPicture("p.png");
    EXPECT_EQ(picture.bits, 32);
    EXPECT_EQ(picture.width, w);
    EXPECT_EQ(picture.height, h);
    EXPECT_TRUE(picture.indexed.empty());
    EXPECT_EQ(picture.pixels, expected);
    EXPECT_NE(LogText().find("   [DEMOGFX] Loading 24bit PNG: p.png\r\n"), std::string::npos);
    EXPECT_EQ(CountOf(LogText(), "open: p.png"), 2);  // a query pass and a decode pass

    sPicture info = LoadPictureInfo("p.png");
    EXPECT_EQ(info.width, w);
    EXPECT_EQ(info.height, h);
    EXPECT_EQ(info.pixels, expected);
}

TEST(PngPicture, EveryKindOfPngBecomesRgbWords) {
    REQUIRE_CONVERT();
    TempDir dir;
    const struct {
        const char* what;
        const char* make;  // convert arguments writing "in.png"
    } cases[] = {
        {"8-bit RGB", "-size 16x8 gradient:red-blue PNG24:in.png"},
        {"8-bit grey", "-size 16x8 gradient:white-black -colorspace Gray -depth 8 in.png"},
        {"1-bit grey", "-size 16x8 pattern:checkerboard -type bilevel -depth 1 PNG:in.png"},
        {"palette", "-size 16x8 plasma:fractal -seed 3 -colors 20 PNG8:in.png"},
        {"16-bit RGB", "-size 16x8 gradient:red-blue -depth 16 PNG48:in.png"},
        {"16-bit RGBA",
         "-size 16x8 gradient:red-blue \\( -size 16x8 gradient:white-black \\) -alpha off "
         "-compose CopyOpacity -composite -depth 16 PNG64:in.png"},
        {"interlaced", "-size 33x17 gradient:yellow-navy -interlace PNG PNG24:in.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Convert(c.make));
        std::vector<uint32_t> expected = ConvertToWords("in.png");
        sPicture picture = LoadPicture("in.png");
        EXPECT_EQ(picture.width * picture.height, static_cast<int>(expected.size()));
        EXPECT_EQ(picture.pixels, expected);
    }
}

TEST(JpegPicture, MatchesLibjpegAndStaysCloseToTheSource) {
    TempDir dir;
    const int w = 24, h = 16;
    Bytes rgb = Gradient(w, h);
    Bytes grey;
    for (size_t i = 0; i < rgb.size(); i += 3) grey.push_back(rgb[i]);
    const struct {
        const char* what;
        Bytes file;
        const Bytes* source;
        int components;
    } cases[] = {
        {"baseline colour", EncodeJpeg(w, h, 3, rgb, 100), &rgb, 3},
        {"progressive colour", EncodeJpeg(w, h, 3, rgb, 100, true), &rgb, 3},
        {"grey", EncodeJpeg(w, h, 1, grey, 100), &grey, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write("in.jpg", c.file);
        ClearLog();
        sPicture picture = LoadPicture("in.jpg");
        EXPECT_NE(LogText().find("   [DEMOGFX] Loading 24bit JPG: in.jpg\r\n"), std::string::npos);
        int rw = 0, rh = 0;
        EXPECT_EQ(picture.pixels, ReferenceJpeg(c.file, &rw, &rh));
        EXPECT_EQ(picture.width, w);
        EXPECT_EQ(picture.height, h);
        // Channel order: every channel within a few steps of what was encoded.
        ASSERT_EQ(picture.pixels.size(), static_cast<size_t>(w * h));
        int worst = 0;
        for (int i = 0; i < w * h; ++i) {
            uint32_t p = picture.pixels[i];
            EXPECT_EQ(p >> 24, 0u);
            for (int ch = 0; ch < 3; ++ch) {
                int want = c.components == 3 ? (*c.source)[i * 3 + ch] : (*c.source)[i];
                int got = static_cast<int>((p >> (16 - 8 * ch)) & 0xFF);
                worst = std::max(worst, std::abs(got - want));
            }
        }
        EXPECT_LE(worst, 4);
    }
}

TEST(JpegPicture, ImageMagickGreyAndColourMatchLibjpeg) {
    REQUIRE_CONVERT();
    TempDir dir;
    for (const char* make : {"-size 16x8 gradient:white-black -colorspace Gray grey.jpg",
                             "-size 40x30 plasma:fractal -seed 5 -quality 80 colour.jpg"}) {
        SCOPED_TRACE(make);
        ASSERT_TRUE(Convert(make));
        std::string name = std::string(make).substr(std::string(make).rfind(' ') + 1);
        int rw = 0, rh = 0;
        std::vector<uint32_t> expected = ReferenceJpeg(ReadBytes(name), &rw, &rh);
        sPicture picture = LoadPicture(name.c_str());
        EXPECT_EQ(picture.width, rw);
        EXPECT_EQ(picture.height, rh);
        EXPECT_EQ(picture.pixels, expected);
    }
}

TEST(PictureType, LastThreeLettersDecideWithoutRegardToCase) {
    TempDir dir;
    Bytes jpeg = EncodeJpeg(8, 8, 3, Gradient(8, 8), 90);
    Bytes png = EncodePng(2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
    int rw = 0, rh = 0;
    std::vector<uint32_t> jpegPixels = ReferenceJpeg(jpeg, &rw, &rh);
    for (const char* name : {"picture.JPG", "picture.jpg", "PICTURE.Jpg", "nodotjpg"}) {
        dir.Write(name, jpeg);
        EXPECT_EQ(LoadPicture(name).pixels, jpegPixels) << name;
    }
    dir.Write("Shot.PnG", png);
    EXPECT_EQ(LoadPicture("Shot.PnG").pixels, (std::vector<uint32_t>{0x010203, 0x040506}));

    // The check is on the name alone: the file need not exist.
    for (const char* name : {"picture.jpeg", "picture.bmp", "pg", ""}) {
        std::string message =
            std::string("!!![QDEMOGFX] Could not determine which picture this is: ") + name;
        ExpectFatal([&] { LoadPicture(name); }, message);
        ExpectFatal([&] { LoadPictureInfo(name); }, message);
    }
}

TEST(PcxPicture, RunsCrossLineEndsAndTheLastRunEndsAtTheLastPixel) {
    TempDir dir;
    // 320 x 200 in stripes of 100 equal pixels: every stripe is coded as runs
    // of 63 + 37, many of them crossing a line end, and values from 192 up
    // can only be coded as runs. 64000 = 640 stripes, so the last run ends on
    // the last pixel.
    const int w = 320, h = 200;
    Bytes indices(w * h);
    for (int k = 0; k < w * h; ++k) indices[k] = static_cast<unsigned char>(k / 100);
    Bytes palette = ColourPalette();
    // A picture whose corner is not at (0, 0) has the same size.
    dir.Write("big.pcx", PcxFile(10, -3, 10 + w - 1, -3 + h - 1, PcxRuns(indices), 12, palette));

    ClearLog();
    sPicture picture = LoadPicture("big.pcx");
    EXPECT_NE(LogText().find("   [DEMOGFX] Loading 8bit pcx: big.pcx\r\n"), std::string::npos);
    EXPECT_EQ(picture.bits, 8);
    EXPECT_EQ(picture.width, w);
    EXPECT_EQ(picture.height, h);
    EXPECT_TRUE(picture.pixels.empty());
    ASSERT_EQ(picture.indexed.size(), static_cast<size_t>(w * h + 768));
    EXPECT_TRUE(std::equal(indices.begin(), indices.end(), picture.indexed.begin()));
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), picture.Palette().begin()));

    // Through LoadPictureInfo the same file comes back as palette colours.
    sPicture expanded = LoadPictureInfo("big.pcx");
    EXPECT_EQ(expanded.bits, 32);
    ASSERT_EQ(expanded.pixels.size(), static_cast<size_t>(w * h));
    for (int k : {0, 99, 100, 319, 320, 63999})
        EXPECT_EQ(expanded.pixels[k], Rgb(palette[indices[k] * 3], palette[indices[k] * 3 + 1],
                                          palette[indices[k] * 3 + 2]))
            << k;
}

TEST(PcxPicture, RunPastTheLastPixelIsOverwrittenByThePalette) {
    TempDir dir;
    // 2 x 2 pixels from one run of 63: 59 bytes too many.
    Bytes palette = ColourPalette();
    dir.Write("over.pcx", PcxFile(0, 0, 1, 1, {0xFF, 7}, 12, palette));
    sPicture picture = LoadPcx8("over.pcx");
    Bytes want = palette;
    want.insert(want.begin(), 4, 7);
    EXPECT_EQ(picture.indexed, want);
}

TEST(PcxPicture, GreyPaletteGivesEqualChannels) {
    TempDir dir;
    Bytes indices;
    for (int i = 0; i < 256; ++i) indices.push_back(static_cast<unsigned char>(255 - i));
    dir.Write("grey.pcx", PcxFile(0, 0, 15, 15, PcxRuns(indices), 12, GreyPalette()));
    sPicture picture = LoadPcx8("grey.pcx");
    std::vector<uint32_t> pixels(256, 0xDEADBEEF);
    Pcx8To32(pixels, picture.indexed, 256);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(pixels[k], 0x010101u * (255 - k)) << k;

    // Buffers too small for the count are refused, not overrun.
    ExpectFatal([&] { Pcx8To32(std::span(pixels).first(255), picture.indexed, 256); }, "Pcx8To32");
    ExpectFatal([&] { Pcx8To32(pixels, std::span(picture.indexed).first(1000), 256); }, "Pcx8To32");
}

TEST(PcxPicture, BadHeadersAndMissingMarkerAreFatal) {
    TempDir dir;
    Bytes palette = GreyPalette();
    // The byte after the 4 pixels (at 128 + 4) is not the marker 12.
    dir.Write("nomark.pcx", PcxFile(0, 0, 1, 1, {1, 2, 3, 4}, 13, palette));
    ExpectFatal([] { LoadPcx8("nomark.pcx"); }, "invalid pcx 132 4");

    const struct {
        int xmin, ymin, xmax, ymax;
    } sizes[] = {
        {5, 0, 4, 0},          // width 0
        {0, 0, 0, -1},         // height 0
        {100, 0, -100, 0},     // negative width
        {0, 0, 16384, 0},      // 16385 wide
        {-32768, 0, 32767, 0}, // the largest 16-bit span
    };
    for (const auto& s : sizes) {
        dir.Write("size.pcx", PcxFile(s.xmin, s.ymin, s.xmax, s.ymax, {1}, 12, palette));
        ExpectFatal([] { LoadPcx8("size.pcx"); }, "LoadPcx8: size.pcx");
    }
}

TEST(DamagedPicture, CutOrCorruptFilesEndTheProgramNamingTheFile) {
    TempDir dir;
    Bytes jpeg = EncodeJpeg(64, 48, 3, Gradient(64, 48), 90);
    Bytes png = EncodePng(32, 16, PNG_COLOR_TYPE_RGB, 8, Gradient(32, 16));
    Bytes indices(40 * 30);
    for (size_t k = 0; k < indices.size(); ++k) indices[k] = static_cast<unsigned char>(k / 7);
    Bytes pcxRuns = PcxRuns(indices);
    Bytes pcx = PcxFile(0, 0, 39, 29, pcxRuns, 12, GreyPalette());
    const size_t pcxPixelsEnd = 128 + pcxRuns.size();

    // An end marker in the middle of the entropy-coded data, which follows
    // the start-of-scan segment: libjpeg only warns and fills in grey.
    Bytes jpegMarker = jpeg;
    size_t sos = 0;
    while (!(jpeg[sos] == 0xFF && jpeg[sos + 1] == 0xDA)) ++sos;
    size_t scan = sos + 2 + (jpeg[sos + 2] << 8 | jpeg[sos + 3]);
    size_t middle = scan + (jpeg.size() - scan) / 2;
    jpegMarker[middle] = 0xFF;
    jpegMarker[middle + 1] = 0xD9;
    // A flipped bit in the image data breaks the chunk's checksum.
    Bytes pngFlipped = png;
    pngFlipped[png.size() - 30] ^= 0x10;

    auto cut = [](const Bytes& file, size_t size) { return Bytes(file.begin(), file.begin() + size); };
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty.jpg", {}},
        {"header.jpg", cut(jpeg, 20)},
        {"half.jpg", cut(jpeg, jpeg.size() / 2)},
        {"noend.jpg", cut(jpeg, jpeg.size() - 2)},
        {"marker.jpg", jpegMarker},
        {"text.jpg", Bytes{'h', 'e', 'l', 'l', 'o'}},
        {"empty.png", {}},
        {"signature.png", cut(png, 8)},
        {"header.png", cut(png, 30)},
        {"half.png", cut(png, png.size() / 2)},
        {"noend.png", cut(png, png.size() - 1)},
        {"flipped.png", pngFlipped},
        {"empty.pcx", {}},
        {"header.pcx", cut(pcx, 100)},
        {"pixels.pcx", cut(pcx, 129)},
        {"runvalue.pcx", cut(PcxFile(0, 0, 1, 1, {0xC4, 9}, 12, GreyPalette()), 129)},
        {"nomarker.pcx", cut(pcx, pcxPixelsEnd)},
        {"palette.pcx", cut(pcx, pcxPixelsEnd + 1 + 100)},
        {"lastbyte.pcx", cut(pcx, pcx.size() - 1)},
    };
    for (const auto& c : cases) {
        dir.Write(c.name, c.file);
        ExpectFatal([&] { LoadPicture(c.name); }, c.name);
    }
    // The uncut files load.
    dir.Write("whole.jpg", jpeg);
    dir.Write("whole.png", png);
    dir.Write("whole.pcx", pcx);
    EXPECT_EQ(LoadPicture("whole.jpg").pixels.size(), 64u * 48u);
    EXPECT_EQ(LoadPicture("whole.png").pixels.size(), 32u * 16u);
    EXPECT_EQ(LoadPicture("whole.pcx").indexed.size(), 40u * 30u + 768u);
}

TEST(DamagedPicture, OversizedPicturesAreRefusedBeforeDecoding) {
    TempDir dir;
    // 20000 x 1 pixels, small files either way.
    dir.Write("wide.jpg", EncodeJpeg(20000, 1, 1, Bytes(20000, 128), 50));
    dir.Write("wide.png", EncodePng(20000, 1, PNG_COLOR_TYPE_GRAY, 1, Bytes(2500, 0)));
    ExpectFatal([] { LoadPicture("wide.jpg"); }, "wide.jpg");
    ExpectFatal([] { LoadPicture("wide.png"); }, "wide.png");
}

}  // namespace

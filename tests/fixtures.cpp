#include "fixtures.h"

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

Bytes EncodeJpeg(int width, int height, int components, const Bytes& samples, int quality, bool progressive) {
    jpeg_compress_struct c;
    jpeg_error_mgr error;
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &memory, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    // No chroma subsampling, so the decoded colours stay close to the source.
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + c.next_scanline * width * components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(memory, memory + size);
    std::free(memory);
    return out;
}

Bytes EncodeJpegWords(int width, int height, const std::vector<uint32_t>& pixels, int quality) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
    }
    return EncodeJpeg(width, height, 3, rgb, quality);
}

Bytes EncodeMp3(int rate, int channels, int frames) {
    std::vector<int16_t> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        left[i] = static_cast<int16_t>(9000 * std::sin(2 * M_PI * (200 * t + 300 * t * t)));
        right[i] = static_cast<int16_t>(7000 * std::sin(2 * M_PI * 660 * t));
    }
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 2);
    EXPECT_EQ(lame_init_params(lame), 0);
    Bytes out(frames * 5 / 4 + 7200 + 16384);
    int size = lame_encode_buffer(lame, left.data(), channels == 1 ? left.data() : right.data(), frames, out.data(),
                                  static_cast<int>(out.size()));
    EXPECT_GE(size, 0);
    size += lame_encode_flush(lame, out.data() + size, static_cast<int>(out.size()) - size);
    out.resize(size);
    uint8_t tag[2880];
    size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    EXPECT_GT(tagSize, 0u);
    std::memcpy(out.data(), tag, std::min(tagSize, out.size()));
    lame_close(lame);
    return out;
}

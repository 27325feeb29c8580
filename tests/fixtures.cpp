#include "fixtures.h"

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>


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

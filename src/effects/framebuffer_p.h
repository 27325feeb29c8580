// Private to the frame buffer operations: the table the public functions
// dispatch through, the tables each SIMD unit provides, and the per-pixel
// helpers that the reference loops and the SIMD tails share.
#pragma once

#include <cstdint>

struct sFrameBufferOps {
    void (*fill)(uint32_t* buffer, uint32_t colour, int n);
    void (*copy)(uint32_t* destination, const uint32_t* source, int n);
    void (*addColor)(uint32_t* buffer, uint32_t colour, int n);
    void (*subColor)(uint32_t* buffer, uint32_t colour, int n);
    void (*addBuffer)(uint32_t* destination, const uint32_t* source, int n);
    void (*subBuffer)(uint32_t* destination, const uint32_t* source, int n);
    void (*invert)(uint32_t* buffer, int n);
    // weight already clamped to 0..255 by the caller
    void (*crossFade)(uint32_t* destination, const uint32_t* first, const uint32_t* second, int n,
                      int weight);
    void (*smear)(uint32_t* buffer, int strength, int n);
};

extern const sFrameBufferOps kFrameBufferOpsReference;
#if defined(__x86_64__)
extern const sFrameBufferOps kFrameBufferOpsSse2;
extern const sFrameBufferOps kFrameBufferOpsAvx2;
#endif

namespace framebuffer_detail {

// Byte i (0 = blue, 3 = top) of a pixel.
inline uint32_t Byte(uint32_t pixel, int i) { return (pixel >> (8 * i)) & 0xFF; }

// min(255, a + b) per byte
inline uint32_t AddBytesSaturated(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t sum = Byte(a, i) + Byte(b, i);
        result |= (sum > 255 ? 255 : sum) << (8 * i);
    }
    return result;
}

// max(0, a - b) per byte
inline uint32_t SubBytesSaturated(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t x = Byte(a, i), y = Byte(b, i);
        result |= (x > y ? x - y : 0) << (8 * i);
    }
    return result;
}

// (a * (255 - w)) >> 8 + (b * w) >> 8 per byte, w in 0..255; each product
// fits in 16 bits and the sum in 0..254, so the saturation never triggers.
inline uint32_t CrossFadePixel(uint32_t a, uint32_t b, uint32_t w) {
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t sum = ((Byte(a, i) * (255 - w)) >> 8) + ((Byte(b, i) * w) >> 8);
        result |= (sum > 255 ? 255 : sum) << (8 * i);
    }
    return result;
}

}  // namespace framebuffer_detail

// A render target of width x height with guard rows above and below, set as
// the renderer's current target size, so a write outside the target shows up
// as a changed guard pixel.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/render/render_state.h"

struct sGuardedTarget {
    static constexpr uint32_t kGuard = 0xA5A5A5A5u;
    static constexpr int32_t kGuardRows = 4;
    int32_t width, height;
    std::vector<uint32_t> pixels;

    sGuardedTarget(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * (h + 2 * kGuardRows), kGuard) {
        g_targetWidth = w;
        g_targetHeight = h;
        std::fill(Target(), Target() + w * h, fill);
    }
    uint32_t* Target() { return pixels.data() + kGuardRows * width; }
    uint32_t At(int32_t x, int32_t y) { return Target()[y * width + x]; }
    bool GuardsIntact() const {
        const size_t guard = static_cast<size_t>(kGuardRows) * width;
        for (size_t i = 0; i < guard; ++i)
            if (pixels[i] != kGuard || pixels[pixels.size() - 1 - i] != kGuard) return false;
        return true;
    }
};

// Frame presentation, independent of the window system.
#include "video/video.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "kernel/keys.h"
#include "kernel/services.h"
#include "kernel/window.h"
#include "resources/screenshot.h"

namespace {

struct sVideoState {
    cNullVideoBackend nullBackend;
    cVideoBackend* backend = &nullBackend;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> frame;
    std::vector<uint32_t> work;
    bool windowed = true;
    // Frame-rate display in the title: frames since the last update and when.
    int fpsFrames = 0;
    std::chrono::steady_clock::time_point fpsSince = std::chrono::steady_clock::now();
    bool titleShowsFps = false;
};

sVideoState g_video;

void UpdateFpsTitle() {
    using namespace std::chrono;
    if (!g_demoSys.showFps) {
        if (g_video.titleShowsFps) {
            g_video.backend->SetTitle(g_demoSys.title.c_str());
            g_video.titleShowsFps = false;
        }
        return;
    }
    ++g_video.fpsFrames;
    auto now = steady_clock::now();
    double seconds = duration<double>(now - g_video.fpsSince).count();
    if (seconds < 0.5 && g_video.titleShowsFps) return;
    char title[256];
    std::snprintf(title, sizeof title, "%s - %.1f fps", g_demoSys.title.c_str(),
                  seconds > 0 ? g_video.fpsFrames / seconds : 0.0);
    g_video.backend->SetTitle(title);
    g_video.titleShowsFps = true;
    g_video.fpsFrames = 0;
    g_video.fpsSince = now;
}

}  // namespace

void SetVideoBackend(cVideoBackend* backend) {
    g_video.backend = backend ? backend : &g_video.nullBackend;
    g_video.windowed = true;
}

cVideoBackend& VideoBackend() { return *g_video.backend; }

void InitVideo(bool fullscreen, int width, int height) {
    Log("   [DEMOVIDEO] Initializing video");
    g_video.width = width;
    g_video.height = height;
    g_video.windowed = true;
    if (fullscreen) ToggleFullscreen();
}

void SetResolution(int width, int height, bool allocate) {
    Log("   [DEMOVIDEO] SetResolution: %d, %d", width, height);
    g_video.width = width;
    g_video.height = height;
    if (allocate) {
        g_video.frame.assign(static_cast<size_t>(width) * height, 0);
        g_video.work.assign(static_cast<size_t>(width) * height, 0);
    }
}

uint32_t* FrameBuffer() { return g_video.frame.data(); }
uint32_t* WorkBuffer() { return g_video.work.data(); }
bool Windowed() { return g_video.windowed; }

void ClearBorder(uint32_t* frame) {
    constexpr int kW = 512, kH = 384;
    std::fill(frame, frame + kW, 0u);
    std::fill(frame + (kH - 1) * kW, frame + kH * kW, 0u);
    for (int y = 0; y < kH; ++y) {
        frame[y * kW] = 0;
        frame[y * kW + kW - 1] = 0;
    }
}

void PresentFrame(uint32_t* frame) {
    g_video.backend->PumpMessages();
    if (WaitKeyRelease(vk::k0 + 1)) SaveScreenshot(frame);
    ClearBorder(frame);
    g_video.backend->Show(frame, 512, 384);
    NotifyFramePresented();
    UpdateFpsTitle();
}

void ToggleFullscreen() {
    if (!g_video.windowed) {
        g_video.backend->SetFullscreen(false);
        g_video.windowed = true;
        return;
    }
    if (g_video.backend->SetFullscreen(true)) {
        g_video.windowed = false;
        Log("Setting %d %d %d fullscreen", g_video.width, g_video.height, 32);
    } else {
        Log("!!![DEMOVIDEO] Unable to switch to fullscreen");
    }
}

void ConvertTo24(const uint32_t* source, uint8_t* destination, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = source[i];
        destination[3 * i] = static_cast<uint8_t>(p);
        destination[3 * i + 1] = static_cast<uint8_t>(p >> 8);
        destination[3 * i + 2] = static_cast<uint8_t>(p >> 16);
    }
}

void ConvertTo555(const uint32_t* source, uint16_t* destination, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = source[i];
        destination[i] = static_cast<uint16_t>(((p & 0xF80000) >> 9) + ((p & 0x00F800) >> 6) + ((p & 0x0000F8) >> 3));
    }
}

void ConvertTo565(const uint32_t* source, uint16_t* destination, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = source[i];
        destination[i] = static_cast<uint16_t>(((p & 0xF80000) >> 8) + ((p & 0x00FC00) >> 5) + ((p & 0x0000F8) >> 3));
    }
}

sScreenRect ScaleFrame(ScaleMode mode, int outW, int outH, int frameW, int frameH) {
    if (mode == ScaleMode::Stretch || mode == ScaleMode::Default || outW <= 0 || outH <= 0)
        return {0, 0, outW, outH};
    int w, h;
    if (mode == ScaleMode::Integer) {
        int factor = std::max(1, std::min(outW / frameW, outH / frameH));
        w = frameW * factor;
        h = frameH * factor;
    } else {
        // Fit: the largest frame of the same shape; compare cross products to
        // avoid rounding the aspect ratio.
        if (static_cast<int64_t>(outW) * frameH > static_cast<int64_t>(outH) * frameW) {
            h = outH;
            w = static_cast<int>(static_cast<int64_t>(outH) * frameW / frameH);
        } else {
            w = outW;
            h = static_cast<int>(static_cast<int64_t>(outW) * frameH / frameW);
        }
    }
    return {(outW - w) / 2, (outH - h) / 2, w, h};
}

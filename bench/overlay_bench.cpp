// Overlay: a steady overlay (one saturating pass), both forms in one frame
// (two inversions and two passes), and the load after a number change.
// Compare with "Memcpy" (one frame's 0xC0000 bytes) from the frame buffer
// benchmarks in the same run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "effects/overlay.h"
#include "effects/parameters.h"
#include "video/video.h"

namespace {

// A plain 8-bit PCX: every index byte below 192 is itself, the others go
// as runs of one.
std::vector<uint8_t> Pcx(int w, int h, uint32_t seed) {
    std::vector<uint8_t> out(128, 0);
    out[0] = 10, out[1] = 5, out[2] = 1, out[3] = 8;
    out[8] = static_cast<uint8_t>(w - 1), out[9] = static_cast<uint8_t>((w - 1) >> 8);
    out[10] = static_cast<uint8_t>(h - 1), out[11] = static_cast<uint8_t>((h - 1) >> 8);
    std::mt19937 random(seed);
    for (int i = 0; i < w * h; ++i) {
        uint8_t b = static_cast<uint8_t>(random());
        if (b >= 192) out.push_back(193);
        out.push_back(b);
    }
    out.push_back(12);
    out.resize(out.size() + 768, 0);
    return out;
}

class OverlayFiles {
public:
    OverlayFiles() : previous_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() /
               ("hdrift-bench-overlay-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        std::ofstream("overlay.ini") << "a.pcx\nb.pcx\n";
        for (int i = 0; i < 2; ++i) {
            std::vector<uint8_t> pcx = Pcx(512, 384, i + 1);
            std::ofstream(i ? "b.pcx" : "a.pcx", std::ios::binary)
                .write(reinterpret_cast<const char*>(pcx.data()), static_cast<std::streamsize>(pcx.size()));
        }
        SetResolution(512, 384, true);
        OverlayInit();
    }
    ~OverlayFiles() {
        overlay::number = 0.0f, overlay::add = 1.0f, overlay::colour = 0.0f;
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

private:
    std::filesystem::path previous_, dir_;
};

void OverlaySteady(benchmark::State& state) {
    OverlayFiles files;
    overlay::number = 0.0f, overlay::add = 0.0f, overlay::colour = 0.0f;
    for (auto _ : state) {
        OverlayRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
}

void OverlayBothForms(benchmark::State& state) {
    OverlayFiles files;
    overlay::number = 0.0f, overlay::add = 1.0f;
    for (auto _ : state) {
        overlay::colour = 0.0f;
        OverlayRender(FrameBuffer());
        overlay::colour = 1.0f;
        OverlayRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
}

void OverlayNumberChange(benchmark::State& state) {
    OverlayFiles files;
    overlay::add = 1.0f, overlay::colour = 0.0f;
    float number = 0.0f;
    for (auto _ : state) {
        number = number == 0.0f ? 1.0f : 0.0f;
        overlay::number = number;
        OverlayRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(OverlaySteady)->Unit(benchmark::kMillisecond);
BENCHMARK(OverlayBothForms)->Unit(benchmark::kMillisecond);
BENCHMARK(OverlayNumberChange)->Unit(benchmark::kMillisecond);

}  // namespace

// Chrome balls: one frame at a fixed clock on each path, and the one-time
// build of the 70 sphere sprites. Compare with "Memcpy" (one frame's
// 0xC0000 bytes) from the frame buffer benchmarks in the same run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "effects/balls.h"
#include "effects/framebuffer.h"
#include "kernel/services.h"
#include "resources/png_writer.h"
#include "video/video.h"

namespace {

// A scratch directory holding a random environment picture; the working
// directory is inside it for the object's life.
class BallsFiles {
public:
    BallsFiles() : previous_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() / ("hdrift-bench-balls-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        std::vector<uint32_t> env(256 * 256);
        std::mt19937 random(3);
        for (uint32_t& p : env) p = random() & 0x00FFFFFF;
        std::string error;
        WritePng("eball.png", env.data(), 256, 256, &error);
        SetResolution(512, 384, true);
    }
    ~BallsFiles() {
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

private:
    std::filesystem::path previous_, dir_;
};

void BallsRenderFrame(benchmark::State& state, SimdPath path) {
    BallsFiles files;
    ManualClock clock(98765);
    SetClock(&clock);
    const SimdPath previous = ActiveSimdPath();
    ForceSimdPath(path);
    BallsInit();
    for (auto _ : state) {
        BallsRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
    BallsStop();
    ForceSimdPath(previous);
    SetClock(nullptr);
}

void BallsInitSprites(benchmark::State& state) {
    BallsFiles files;
    for (auto _ : state) {
        BallsInit();
        benchmark::ClobberMemory();
    }
    BallsStop();
}

BENCHMARK_CAPTURE(BallsRenderFrame, reference, SimdPath::Reference)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BallsRenderFrame, sse2, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(BallsInitSprites)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

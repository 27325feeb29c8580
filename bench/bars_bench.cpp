// Rotating bars: one frame at a fixed clock on each slice path (the clock
// stands still, so every frame draws the same picture), and the
// initialisation (five pictures, the profile table). Compare with "Memcpy"
// from the frame buffer benchmarks in the same run.
#include <benchmark/benchmark.h>

#include "effects/bars.h"
#include "effects/framebuffer.h"
#include "kernel/services.h"
#include "bench_files.h"
#include "video/video.h"

namespace {

void BarsFiles(cBenchFiles& dir) {
    for (const char* name : {"bar1.jpg", "bar2.jpg", "bar3.jpg"}) dir.NoisePicture(name, 256, 256);
    dir.NoisePicture("barboven.jpg", 512, 92);
    dir.NoisePicture("baronder.jpg", 512, 92);
    SetResolution(512, 384, true);
}

void BarsRenderFrame(benchmark::State& state, SimdPath path) {
    cBenchFiles dir;
    BarsFiles(dir);
    ManualClock clock(54321);
    SetClock(&clock);
    const SimdPath previous = ActiveSimdPath();
    ForceSimdPath(path);
    BarsInit();
    for (auto _ : state) {
        BarsRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
    BarsStop();
    ForceSimdPath(previous);
    SetClock(nullptr);
}

void BarsInitialise(benchmark::State& state) {
    cBenchFiles dir;
    BarsFiles(dir);
    for (auto _ : state) {
        BarsInit();
        benchmark::ClobberMemory();
    }
    BarsStop();
}

BENCHMARK_CAPTURE(BarsRenderFrame, reference, SimdPath::Reference)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BarsRenderFrame, sse2, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(BarsInitialise)->Unit(benchmark::kMillisecond);

}  // namespace

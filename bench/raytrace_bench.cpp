// Raytraced planes: one frame at a fixed clock on each row path, and the
// initialisation (three pictures, tables). Compare with "Memcpy" (one
// frame's 0xC0000 bytes) from the frame buffer benchmarks in the same run.
#include <benchmark/benchmark.h>

#include "effects/framebuffer.h"
#include "effects/raytrace.h"
#include "kernel/services.h"
#include "bench_files.h"
#include "video/video.h"

namespace {

void RaytraceFiles(cBenchFiles& dir) {
    dir.NoisePicture("textuur.jpg", 256, 256);
    dir.NoisePicture("rayboven.jpg", 512, 92);
    dir.NoisePicture("rayonder.jpg", 512, 92);
    SetResolution(512, 384, true);
}

void RaytraceRenderFrame(benchmark::State& state, SimdPath path) {
    cBenchFiles dir;
    RaytraceFiles(dir);
    ManualClock clock(12345);
    SetClock(&clock);
    const SimdPath previous = ActiveSimdPath();
    ForceSimdPath(path);
    RaytraceInit();
    for (auto _ : state) {
        RaytraceRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
    RaytraceStop();
    ForceSimdPath(previous);
    SetClock(nullptr);
}

void RaytraceInitialise(benchmark::State& state) {
    cBenchFiles dir;
    RaytraceFiles(dir);
    for (auto _ : state) {
        RaytraceInit();
        benchmark::ClobberMemory();
    }
    RaytraceStop();
}

BENCHMARK_CAPTURE(RaytraceRenderFrame, reference, SimdPath::Reference)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RaytraceRenderFrame, sse2, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(RaytraceInitialise)->Unit(benchmark::kMillisecond);

}  // namespace

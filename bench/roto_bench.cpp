// The rotozoomer: one frame at a fixed clock on each path (0.5 s into the
// effect, all three layers drawn), one layer alone, and the
// initialisation. Compare with "FrameMemcpy" from the tunnel benchmarks in
// the same run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench_files.h"
#include "effects/framebuffer.h"
#include "effects/roto.h"
#include "effects/roto_p.h"
#include "kernel/services.h"
#include "video/video.h"

namespace {

using namespace roto_detail;

void RotoRenderFrame(benchmark::State& state, SimdPath path) {
    cBenchFiles files;
    files.Picture("roto.jpg", 256, 256);
    SetResolution(512, 384, true);
    ManualClock clock(10000);
    Clock* previousClock = SetClock(&clock);
    const SimdPath previous = ActiveSimdPath();
    ForceSimdPath(path);
    RotoInit();
    ForgetFirstFrame();
    RotoRender(FrameBuffer());  // the first frame starts the effect's clock
    clock.Set(10500);
    for (auto _ : state) {
        RotoRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
    RotoStop();
    ForceSimdPath(previous);
    SetClock(previousClock);
}

void RotoInitialise(benchmark::State& state) {
    cBenchFiles files;
    files.Picture("roto.jpg", 256, 256);
    for (auto _ : state) {
        RotoInit();
        benchmark::ClobberMemory();
    }
    RotoStop();
}

void RotoLayer(benchmark::State& state, bool sse2) {
    std::vector<uint32_t> texture(65536), band(kBandWidth * kBandHeight);
    std::mt19937 random(3);
    for (uint32_t& p : texture) p = random() & 0x00FFFFFF;
    sLayer layer;
    LayerFor(0.9f, 0.7f, layer);
    for (auto _ : state) {
        (sse2 ? DrawLayerSse2 : DrawLayerReference)(band.data(), texture.data(), layer, true);
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(RotoRenderFrame, reference, SimdPath::Reference)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RotoRenderFrame, sse2, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(RotoInitialise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RotoLayer, reference, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RotoLayer, sse2, true)->Unit(benchmark::kMillisecond);

}  // namespace

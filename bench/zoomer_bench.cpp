// The zoom tunnel: one frame at a fixed clock on each path (zoom held at
// 100 by a speed of 0 between frames), the band pass at the zoom limits,
// and the initialisation (three pictures, the 512 x 256 polar table).
// Compare with "FrameMemcpy" from the tunnel benchmarks in the same run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench_files.h"
#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/zoomer.h"
#include "effects/zoomer_p.h"
#include "kernel/services.h"
#include "video/video.h"

namespace {

using namespace zoomer_detail;

void ZoomerPictures(cBenchFiles& files) {
    files.Picture("texture1.jpg", 256, 256);
    files.Picture("texture2.jpg", 256, 256);
    files.Picture("zoommap.jpg", 64, 32);
}

void ZoomerRenderFrame(benchmark::State& state, SimdPath path) {
    cBenchFiles files;
    ZoomerPictures(files);
    SetResolution(512, 384, true);
    ManualClock clock(0);
    Clock* previousClock = SetClock(&clock);
    const SimdPath previous = ActiveSimdPath();
    ForceSimdPath(path);
    ResetRunState();
    ZoomerInit();
    zoomer::speed = 100.0f;
    ZoomerRender(FrameBuffer());  // zoom 4
    clock.Set(3840);
    ZoomerRender(FrameBuffer());  // 4 + 3840 * 0.00025 * 100 = 100
    zoomer::speed = 0.0f;
    for (auto _ : state) {
        ZoomerRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
    ZoomerStop();
    ForceSimdPath(previous);
    SetClock(previousClock);
}

void ZoomerInitialise(benchmark::State& state) {
    cBenchFiles files;
    ZoomerPictures(files);
    for (auto _ : state) {
        ZoomerInit();
        benchmark::ClobberMemory();
    }
    ZoomerStop();
}

void ZoomerPass(benchmark::State& state, bool sse2) {
    static const struct Data {
        std::vector<uint32_t> textures, map;
        std::vector<int32_t> polar;
        Data() : textures(2 * 65536), map(kMapWidth * kMapHeight), polar(kPolarWidth * kPolarHeight) {
            std::mt19937 random(2);
            for (uint32_t& p : textures) p = random() & 0x00FFFFFF;
            for (uint32_t& p : map) p = (random() >> 1) & 0x007F7F7F;
            for (int i = 0; i < kPolarHeight; ++i)
                for (int j = 0; j < kPolarWidth; ++j) polar[i * kPolarWidth + j] = PolarEntry(i, j);
        }
    } data;
    std::vector<uint32_t> band(kBandWidth * kBandHeight);
    const sZoomFrame f = FrameFor(static_cast<float>(state.range(0)), 123456, 255.0f, 257.0f);
    for (auto _ : state) {
        (sse2 ? ZoomPassSse2 : ZoomPassReference)(band.data(), data.polar.data(), data.textures.data(),
                                                   data.map.data(), f);
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(ZoomerRenderFrame, reference, SimdPath::Reference)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZoomerRenderFrame, sse2, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(ZoomerInitialise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZoomerPass, reference, false)->Arg(4)->Arg(248)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZoomerPass, sse2, true)->Arg(4)->Arg(248)->Unit(benchmark::kMillisecond);

}  // namespace

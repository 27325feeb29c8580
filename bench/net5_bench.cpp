// Colour stripes: one frame at a fixed clock half-way between two steps, and
// the initialisation (two source pictures). Compare with "Memcpy" from the
// frame buffer benchmarks in the same run.
#include <benchmark/benchmark.h>

#include "effects/net5.h"
#include "kernel/services.h"
#include "bench_files.h"
#include "video/video.h"

namespace {

void Net5Files(cBenchFiles& dir) {
    dir.NoisePicture("net5.jpg", 200, 260);
    dir.NoisePicture("net5kwal.jpg", 200, 260);
    dir.NoisePicture("net5boven.jpg", 512, 92);
    dir.NoisePicture("net5onder.jpg", 512, 92);
    SetResolution(512, 384, true);
}

void Net5RenderFrame(benchmark::State& state) {
    cBenchFiles dir;
    Net5Files(dir);
    ManualClock clock(1000);
    SetClock(&clock);
    Net5Init();
    Net5Render(FrameBuffer());  // the first frame takes the start time
    clock.Set(1000 + 7 * 350 + 175);
    for (auto _ : state) {
        Net5Render(FrameBuffer());
        benchmark::ClobberMemory();
    }
    ClearLog();  // one line per frame
    SetClock(nullptr);
}

void Net5Initialise(benchmark::State& state) {
    cBenchFiles dir;
    Net5Files(dir);
    for (auto _ : state) {
        Net5Init();
        benchmark::ClobberMemory();
    }
}

BENCHMARK(Net5RenderFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(Net5Initialise)->Unit(benchmark::kMillisecond);

}  // namespace

// Dot wall: one frame at a fixed clock and the build of the dot table.
// Compare with "Memcpy" from the frame buffer benchmarks in the same run.
#include <benchmark/benchmark.h>

#include "effects/dotwall.h"
#include "kernel/services.h"
#include "video/video.h"

namespace {

void DotwallRenderFrame(benchmark::State& state) {
    SetResolution(512, 384, true);
    ManualClock clock(7777);
    SetClock(&clock);
    DotwallInit();
    for (auto _ : state) {
        DotwallRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
    DotwallStop();
    SetClock(nullptr);
}

void DotwallInitialise(benchmark::State& state) {
    for (auto _ : state) {
        DotwallInit();
        benchmark::ClobberMemory();
    }
    DotwallStop();
}

BENCHMARK(DotwallRenderFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(DotwallInitialise)->Unit(benchmark::kMillisecond);

}  // namespace

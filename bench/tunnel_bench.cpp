// The interference tunnel: one frame at a fixed clock on each path, its two
// passes apart, and the initialisation (picture and the 1024 x 400 table).
// "FrameMemcpy" copies one frame's 0xC0000 bytes as the yardstick.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_files.h"
#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/tunnel.h"
#include "effects/tunnel_p.h"
#include "kernel/services.h"
#include "video/video.h"

namespace {

using namespace tunnel_detail;

void FrameMemcpy(benchmark::State& state) {
    std::vector<uint32_t> a(512 * 384, 0x00102030), b(512 * 384);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), 0xC0000);
        benchmark::ClobberMemory();
    }
}

void TunnelRenderFrame(benchmark::State& state, SimdPath path) {
    cBenchFiles files;
    files.Picture("tunnel.jpg", 256, 256);
    SetResolution(512, 384, true);
    ManualClock clock(123456);
    Clock* previousClock = SetClock(&clock);
    const SimdPath previous = ActiveSimdPath();
    ForceSimdPath(path);
    TunnelInit();
    TunnelRender(FrameBuffer());  // the first frame also clears the frame
    for (auto _ : state) {
        TunnelRender(FrameBuffer());
        benchmark::ClobberMemory();
    }
    TunnelStop();
    ForceSimdPath(previous);
    SetClock(previousClock);
}

void TunnelInitialise(benchmark::State& state) {
    cBenchFiles files;
    files.Picture("tunnel.jpg", 256, 256);
    for (auto _ : state) {
        TunnelInit();
        benchmark::ClobberMemory();
    }
    TunnelStop();
}

// The passes alone on synthetic data: the glow at the default zoom and at
// the extremes of its range, where the rows' dependencies differ most.
struct sPassData {
    std::vector<uint32_t> table, texture, band;
    sGlowTable glow;
    sPassData() : table(kTableWidth * kTableHeight), texture(65536 + 512), band(kBandWidth * kBandHeight) {
        for (int j = 0; j < kTableHeight; ++j)
            for (int i = 0; i < kTableWidth; ++i) table[j * kTableWidth + i] = TableEntry(i, j);
        std::mt19937 random(1);
        for (uint32_t& t : texture) t = random() & 0x00FFFFFF;
        BuildGlowTable(0.24f, glow);
    }
};

sPassData& PassData() {
    static sPassData data;
    return data;
}

void TunnelPass(benchmark::State& state, bool sse2) {
    sPassData& d = PassData();
    const sLayerWindows w = WindowsForPhase(157.0f);
    for (auto _ : state) {
        (sse2 ? TunnelPassSse2 : TunnelPassReference)(d.band.data(), d.table.data(), d.texture.data(), w, 0x4321);
        benchmark::ClobberMemory();
    }
}

using GlowFn = void (*)(uint32_t*, int, const sGlowTable&);

void Glow(benchmark::State& state, GlowFn glow) {
    sPassData& d = PassData();
    const int zoom = static_cast<int>(state.range(0));
    TunnelPassReference(d.band.data(), d.table.data(), d.texture.data(), WindowsForPhase(157.0f), 0x4321);
    const std::vector<uint32_t> source = d.band;
    for (auto _ : state) {
        // The glow works in place; restoring the band costs about a
        // quarter of a frame copy and is part of the figure.
        std::memcpy(d.band.data(), source.data(), source.size() * 4);
        glow(d.band.data(), zoom, d.glow);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(FrameMemcpy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TunnelRenderFrame, reference, SimdPath::Reference)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TunnelRenderFrame, sse2, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(TunnelInitialise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TunnelPass, reference, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TunnelPass, sse2, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TunnelRenderFrame, avx2, SimdPath::Avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Glow, reference, GlowReference)->Arg(244)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Glow, sse2, GlowSse2)->Arg(0)->Arg(128)->Arg(244)->Arg(248)->Arg(250)->Arg(255)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Glow, avx2, GlowAvx2)->Arg(0)->Arg(128)->Arg(244)->Arg(248)->Arg(250)->Arg(255)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace

// Speed of the whole-buffer pixel operations on one 512 x 384 frame, for
// every implementation path the processor supports, next to memset and
// memcpy of the same 0xC0000 bytes as the yardstick. Three frame-sized
// buffers are used, as the show has (frame buffer, work buffer, a picture),
// so they stay warm in the cache the way they do between operations.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "effects/framebuffer.h"

namespace {

constexpr int kPixels = 512 * 384;
constexpr int64_t kFrameBytes = int64_t{kPixels} * 4;

struct Frames {
    std::vector<uint32_t> first, second, work;
    Frames() : first(kPixels), second(kPixels), work(kPixels) {
        std::mt19937 random(7);
        for (int i = 0; i < kPixels; ++i) {
            first[i] = random() & 0x00FFFFFF;
            second[i] = random() & 0x00FFFFFF;
            work[i] = random() & 0x00FFFFFF;
        }
    }
};

Frames& SharedFrames() {
    static Frames frames;
    return frames;
}

template <typename Op>
void Run(benchmark::State& state, SimdPath path, Op op) {
    const SimdPath previous = ActiveSimdPath();
    ForceSimdPath(path);
    Frames& f = SharedFrames();
    for (auto _ : state) {
        op(f);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
    ForceSimdPath(previous);
}

void Memset(benchmark::State& state) {
    Frames& f = SharedFrames();
    for (auto _ : state) {
        std::memset(f.work.data(), 0x40, kFrameBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

void Memcpy(benchmark::State& state) {
    Frames& f = SharedFrames();
    for (auto _ : state) {
        std::memcpy(f.work.data(), f.first.data(), kFrameBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

// The in-place colour and buffer operations soon saturate the work buffer;
// the SIMD paths do not care, and the reference loops are branch-free, so
// the figures stay those of live data.
struct Operation {
    const char* name;
    void (*run)(Frames&);
};

const Operation kOperations[] = {
    {"Fill", [](Frames& f) { FillBuffer(f.work.data(), 0x00102030, kPixels); }},
    {"Copy", [](Frames& f) { CopyBuffer(f.work.data(), f.first.data(), kPixels); }},
    {"AddColor", [](Frames& f) { AddColor(f.work.data(), 0x00030201, kPixels); }},
    {"SubColor", [](Frames& f) { SubColor(f.work.data(), 0x00010203, kPixels); }},
    {"AddBuffer", [](Frames& f) { AddBuffer(f.work.data(), f.first.data(), kPixels); }},
    {"SubBuffer", [](Frames& f) { SubBuffer(f.work.data(), f.second.data(), kPixels); }},
    {"Invert", [](Frames& f) { InvertBuffer(f.work.data(), kPixels); }},
    {"CrossFade",
     [](Frames& f) { CrossFade(f.work.data(), f.first.data(), f.second.data(), kPixels, 77); }},
    {"Smear", [](Frames& f) { SmearBuffer(f.work.data(), 40, kPixels); }},
};

[[maybe_unused]] const bool kRegistered = [] {
    benchmark::RegisterBenchmark("Memset", Memset);
    benchmark::RegisterBenchmark("Memcpy", Memcpy);
    for (const Operation& op : kOperations) {
        for (SimdPath path : {SimdPath::Reference, SimdPath::Sse2, SimdPath::Avx2}) {
            if (!SimdPathSupported(path)) continue;
            std::string name = std::string(op.name) + "/" + SimdPathName(path);
            benchmark::RegisterBenchmark(name.c_str(), [path, run = op.run](benchmark::State& s) {
                Run(s, path, run);
            });
        }
    }
    return true;
}();

}  // namespace

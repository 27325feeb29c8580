// Frame buffer operations: the reference loops (plain per-byte code, the
// definition every SIMD variant is tested against) and the dispatch that
// picks a variant once at start-up.
#include "effects/framebuffer.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "effects/framebuffer_p.h"

using namespace framebuffer_detail;

namespace {

void FillReference(uint32_t* buffer, uint32_t colour, int n) {
    for (int i = 0; i < n; ++i) buffer[i] = colour;
}

void CopyReference(uint32_t* destination, const uint32_t* source, int n) {
    for (int i = 0; i < n; ++i) destination[i] = source[i];
}

void AddColorReference(uint32_t* buffer, uint32_t colour, int n) {
    for (int i = 0; i < n; ++i) buffer[i] = AddBytesSaturated(buffer[i], colour);
}

void SubColorReference(uint32_t* buffer, uint32_t colour, int n) {
    for (int i = 0; i < n; ++i) buffer[i] = SubBytesSaturated(buffer[i], colour);
}

void AddBufferReference(uint32_t* destination, const uint32_t* source, int n) {
    for (int i = 0; i < n; ++i) destination[i] = AddBytesSaturated(destination[i], source[i]);
}

void SubBufferReference(uint32_t* destination, const uint32_t* source, int n) {
    for (int i = 0; i < n; ++i) destination[i] = SubBytesSaturated(destination[i], source[i]);
}

void InvertReference(uint32_t* buffer, int n) {
    for (int i = 0; i < n; ++i) buffer[i] = ~buffer[i];
}

void CrossFadeReference(uint32_t* destination, const uint32_t* first, const uint32_t* second,
                        int n, int weight) {
    for (int i = 0; i < n; ++i) destination[i] = CrossFadePixel(first[i], second[i], weight);
}

void SmearReference(uint32_t* buffer, int strength, int n) {
    if (n <= 0) return;
    // All arithmetic is modulo 2^32: the difference goes negative whenever
    // the pixel is darker than the running value, and strengths outside
    // 0..256 make the accumulator overshoot and wrap.
    const uint32_t k = static_cast<uint32_t>(strength);
    uint32_t acc[3];
    for (int c = 0; c < 3; ++c) acc[c] = Byte(buffer[0], c) << 8;
    for (int i = 0; i < n; ++i) {
        uint32_t pixel = buffer[i];
        uint32_t result = pixel & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            acc[c] += k * ((Byte(pixel, c) << 8) - (acc[c] >> 8));
            result |= ((acc[c] >> 16) & 0xFF) << (8 * c);
        }
        buffer[i] = result;
    }
}

// The active table. It starts as the reference, so anything that runs
// before the start-up selection below still gets correct results.
std::atomic<const sFrameBufferOps*> g_ops{&kFrameBufferOpsReference};
std::atomic<SimdPath> g_path{SimdPath::Reference};

const sFrameBufferOps& Ops() { return *g_ops.load(std::memory_order_acquire); }

const sFrameBufferOps* TableFor(SimdPath path) {
    switch (path) {
#if defined(__x86_64__)
    case SimdPath::Sse2: return &kFrameBufferOpsSse2;
    case SimdPath::Avx2: return &kFrameBufferOpsAvx2;
#endif
    default: return &kFrameBufferOpsReference;
    }
}

// Runs once while the program's static objects are constructed, before
// main and so before any test or option can force a path.
struct StartUpSelection {
    StartUpSelection() {
        const char* requested = std::getenv(kSimdPathVariable);
        SimdPath path = ChooseSimdPath(requested);
        SimdPath named;
        if (requested && *requested && !ParseSimdPath(requested, &named)) {
            std::fprintf(stderr, "%s=%s is not one of reference, sse2, avx2; using %s\n",
                         kSimdPathVariable, requested, SimdPathName(path));
        } else if (requested && *requested && named != path) {
            std::fprintf(stderr, "%s=%s: this processor lacks it; using %s\n", kSimdPathVariable,
                         requested, SimdPathName(path));
        }
        ForceSimdPath(path);
    }
};
StartUpSelection g_startUpSelection;

}  // namespace

const sFrameBufferOps kFrameBufferOpsReference = {
    FillReference,      CopyReference,      AddColorReference,
    SubColorReference,  AddBufferReference, SubBufferReference,
    InvertReference,    CrossFadeReference, SmearReference,
};

bool SimdPathSupported(SimdPath path) {
    switch (path) {
    case SimdPath::Reference: return true;
#if defined(__x86_64__)
    case SimdPath::Sse2: return true;  // part of the x86-64 baseline
    case SimdPath::Avx2:
        // Needed when called from a static constructor that may run before
        // the one that fills in the processor model.
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
#endif
    default: return false;
    }
}

SimdPath BestSimdPath() {
    for (SimdPath path : {SimdPath::Avx2, SimdPath::Sse2}) {
        if (SimdPathSupported(path)) return path;
    }
    return SimdPath::Reference;
}

SimdPath ForceSimdPath(SimdPath path) {
    if (!SimdPathSupported(path)) path = BestSimdPath();
    g_ops.store(TableFor(path), std::memory_order_release);
    g_path.store(path, std::memory_order_release);
    return path;
}

SimdPath ChooseSimdPath(const char* requested) {
    SimdPath path;
    if (ParseSimdPath(requested, &path) && SimdPathSupported(path)) return path;
    return BestSimdPath();
}

SimdPath ActiveSimdPath() { return g_path.load(std::memory_order_acquire); }

const char* SimdPathName(SimdPath path) {
    switch (path) {
    case SimdPath::Reference: return "reference";
    case SimdPath::Sse2: return "sse2";
    case SimdPath::Avx2: return "avx2";
    }
    return "unknown";
}

bool ParseSimdPath(const char* name, SimdPath* path) {
    if (!name) return false;
    for (SimdPath candidate : {SimdPath::Reference, SimdPath::Sse2, SimdPath::Avx2}) {
        const char* a = name;
        const char* b = SimdPathName(candidate);
        while (*a && *b) {
            char lower = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
            if (lower != *b) break;
            ++a, ++b;
        }
        if (*a == '\0' && *b == '\0') {
            *path = candidate;
            return true;
        }
    }
    return false;
}

void FillBuffer(uint32_t* buffer, uint32_t colour, int n) {
    if (n > 0) Ops().fill(buffer, colour, n);
}

void CopyBuffer(uint32_t* destination, const uint32_t* source, int n) {
    if (n > 0 && destination != source) Ops().copy(destination, source, n);
}

void AddColor(uint32_t* buffer, uint32_t colour, int n) {
    if (n > 0) Ops().addColor(buffer, colour, n);
}

void SubColor(uint32_t* buffer, uint32_t colour, int n) {
    if (n > 0) Ops().subColor(buffer, colour, n);
}

void AddBuffer(uint32_t* destination, const uint32_t* source, int n) {
    if (n > 0) Ops().addBuffer(destination, source, n);
}

void SubBuffer(uint32_t* destination, const uint32_t* source, int n) {
    if (n > 0) Ops().subBuffer(destination, source, n);
}

void InvertBuffer(uint32_t* buffer, int n) {
    if (n > 0) Ops().invert(buffer, n);
}

void CrossFade(uint32_t* destination, const uint32_t* first, const uint32_t* second, int n,
               int weight) {
    // The per-byte formula only makes sense for 0..255: 256 would make
    // 255 - w negative and the 16-bit products wrap.
    if (weight < 0) weight = 0;
    if (weight > 255) weight = 255;
    if (n > 0) Ops().crossFade(destination, first, second, n, weight);
}

void SmearBuffer(uint32_t* buffer, int strength, int n) {
    if (n > 0) Ops().smear(buffer, strength, n);
}

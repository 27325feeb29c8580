// The whole-buffer pixel operations: the reference loops against a per-byte
// model written here, every SIMD path the processor has against the
// reference (odd counts, unaligned pointers, aliasing), whole-domain checks
// of the byte arithmetic, and the path selection.
#include "effects/framebuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Pixels = std::vector<uint32_t>;

constexpr SimdPath kAllPaths[] = {SimdPath::Reference, SimdPath::Sse2, SimdPath::Avx2};

std::vector<SimdPath> SupportedPaths() {
    std::vector<SimdPath> paths;
    for (SimdPath path : kAllPaths) {
        if (SimdPathSupported(path)) paths.push_back(path);
    }
    return paths;
}

// Forces a path for the life of the object, then puts the previous one back.
class ScopedSimdPath {
public:
    explicit ScopedSimdPath(SimdPath path) : previous_(ActiveSimdPath()) {
        EXPECT_EQ(ForceSimdPath(path), path);
    }
    ~ScopedSimdPath() { ForceSimdPath(previous_); }

private:
    SimdPath previous_;
};

Pixels RandomPixels(size_t n, std::mt19937& random) {
    Pixels pixels(n);
    for (uint32_t& p : pixels) p = random();
    return pixels;
}

// ---- An independent per-byte model, working on the bytes as they lie in
// memory (blue, green, red, top on a little-endian machine).

using Bytes = std::array<uint8_t, 4>;

Bytes ToBytes(uint32_t pixel) {
    Bytes b;
    std::memcpy(b.data(), &pixel, 4);
    return b;
}

uint32_t FromBytes(const Bytes& b) {
    uint32_t pixel;
    std::memcpy(&pixel, b.data(), 4);
    return pixel;
}

template <typename F>
uint32_t PerByte(uint32_t x, uint32_t y, F f) {
    Bytes a = ToBytes(x), b = ToBytes(y), r;
    for (int i = 0; i < 4; ++i) r[i] = static_cast<uint8_t>(f(int{a[i]}, int{b[i]}));
    return FromBytes(r);
}

int ModelAdd(int a, int b) { return std::min(255, a + b); }
int ModelSub(int a, int b) { return std::max(0, a - b); }
int ModelFade(int a, int b, int w) {
    return std::min(255, a * (255 - w) / 256 + b * w / 256);
}

// The smear filter in 64-bit arithmetic, reduced modulo 2^32 after each
// step; the stored byte is (acc / 65536) mod 256.
void ModelSmear(Pixels& pixels, int64_t k) {
    if (pixels.empty()) return;
    const uint64_t mask = 0xFFFFFFFF;
    const Bytes first = ToBytes(pixels[0]);
    uint64_t acc[3] = {first[0] * 256u, first[1] * 256u, first[2] * 256u};
    for (uint32_t& p : pixels) {
        Bytes b = ToBytes(p);
        for (int c = 0; c < 3; ++c) {
            int64_t step = k * (int64_t{b[c]} * 256 - static_cast<int64_t>(acc[c] / 256));
            acc[c] = (acc[c] + static_cast<uint64_t>(step)) & mask;
            b[c] = static_cast<uint8_t>((acc[c] / 65536) % 256);
        }
        p = FromBytes(b);
    }
}

TEST(FrameBufferOps, ReferenceFollowsThePerByteDefinitions) {
    ScopedSimdPath path(SimdPath::Reference);
    std::mt19937 random(1);
    const int n = 777;
    const Pixels a = RandomPixels(n, random), b = RandomPixels(n, random);
    const uint32_t colour = 0x80FF017F;

    auto expectEach = [&](const char* what, const Pixels& got, auto model) {
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(got[i], model(i)) << what << " at pixel " << i;
        }
    };
    Pixels d = a;
    AddColor(d.data(), colour, n);
    expectEach("AddColor", d, [&](int i) { return PerByte(a[i], colour, ModelAdd); });
    d = a;
    SubColor(d.data(), colour, n);
    expectEach("SubColor", d, [&](int i) { return PerByte(a[i], colour, ModelSub); });
    d = a;
    AddBuffer(d.data(), b.data(), n);
    expectEach("AddBuffer", d, [&](int i) { return PerByte(a[i], b[i], ModelAdd); });
    d = a;
    SubBuffer(d.data(), b.data(), n);
    expectEach("SubBuffer", d, [&](int i) { return PerByte(a[i], b[i], ModelSub); });
    d = a;
    InvertBuffer(d.data(), n);
    expectEach("InvertBuffer", d, [&](int i) { return 0xFFFFFFFF - a[i]; });
    d = a;
    FillBuffer(d.data(), colour, n);
    expectEach("FillBuffer", d, [&](int) { return colour; });
    CopyBuffer(d.data(), b.data(), n);
    expectEach("CopyBuffer", d, [&](int i) { return b[i]; });
    for (int w : {0, 1, 100, 128, 255}) {
        CrossFade(d.data(), a.data(), b.data(), n, w);
        expectEach("CrossFade", d, [&](int i) {
            return PerByte(a[i], b[i], [w](int x, int y) { return ModelFade(x, y, w); });
        });
    }
    for (int64_t k : {0, 1, 40, 128, 255, 256, 257, 5000, -3, INT_MAX, INT_MIN}) {
        Pixels got = a, want = a;
        SmearBuffer(got.data(), static_cast<int>(k), n);
        ModelSmear(want, k);
        ASSERT_EQ(got, want) << "SmearBuffer strength " << k;
    }
}

// ---- Every path against the reference.

// One call of an operation with fixed arguments on (destination, first,
// second, n); operations that need fewer buffers ignore the rest.
struct Call {
    std::string name;
    std::function<void(uint32_t*, const uint32_t*, const uint32_t*, int)> run;
};

std::vector<Call> Calls() {
    std::vector<Call> calls = {
        {"Fill", [](uint32_t* d, const uint32_t*, const uint32_t*, int n) {
             FillBuffer(d, 0xA5123456, n);
         }},
        {"Copy", [](uint32_t* d, const uint32_t* a, const uint32_t*, int n) { CopyBuffer(d, a, n); }},
        {"AddBuffer",
         [](uint32_t* d, const uint32_t* a, const uint32_t*, int n) { AddBuffer(d, a, n); }},
        {"SubBuffer",
         [](uint32_t* d, const uint32_t* a, const uint32_t*, int n) { SubBuffer(d, a, n); }},
        {"Invert", [](uint32_t* d, const uint32_t*, const uint32_t*, int n) { InvertBuffer(d, n); }},
    };
    for (uint32_t colour : {0x00000000u, 0x00405060u, 0x7F80FF01u}) {
        calls.push_back({"AddColor " + std::to_string(colour),
                         [colour](uint32_t* d, const uint32_t*, const uint32_t*, int n) {
                             AddColor(d, colour, n);
                         }});
        calls.push_back({"SubColor " + std::to_string(colour),
                         [colour](uint32_t* d, const uint32_t*, const uint32_t*, int n) {
                             SubColor(d, colour, n);
                         }});
    }
    for (int w : {0, 1, 77, 128, 200, 255}) {
        calls.push_back({"CrossFade " + std::to_string(w),
                         [w](uint32_t* d, const uint32_t* a, const uint32_t* b, int n) {
                             CrossFade(d, a, b, n, w);
                         }});
    }
    // Strengths outside 0..256 overshoot and wrap; every path must still
    // store the same low byte.
    for (int k : {0, 1, 40, 128, 256, 300, 65536 + 7, -9, INT_MAX, INT_MIN}) {
        calls.push_back({"Smear " + std::to_string(k),
                         [k](uint32_t* d, const uint32_t*, const uint32_t*, int n) {
                             SmearBuffer(d, k, n);
                         }});
    }
    return calls;
}

TEST(FrameBufferOps, EveryPathMatchesTheReference) {
    // Offsets move each pointer off the vector's 16-byte alignment in
    // different ways, so the vector blocks start at every possible place.
    // The buffers end exactly at n pixels so the sanitizer build catches
    // any access past the run; the pixels before the offset must survive.
    const int counts[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 100, 0x30000};
    const int offsets[][3] = {{0, 0, 0}, {1, 2, 3}, {3, 0, 5}, {7, 6, 1}};
    std::mt19937 random(2);
    const std::vector<Call> calls = Calls();
    for (int n : counts) {
        for (const auto& offset : offsets) {
            const Pixels dest = RandomPixels(offset[0] + n, random);
            const Pixels first = RandomPixels(offset[1] + n, random);
            const Pixels second = RandomPixels(offset[2] + n, random);
            for (const Call& call : calls) {
                Pixels want = dest;
                {
                    ScopedSimdPath use(SimdPath::Reference);
                    call.run(want.data() + offset[0], first.data() + offset[1],
                             second.data() + offset[2], n);
                }
                for (SimdPath path : SupportedPaths()) {
                    if (path == SimdPath::Reference) continue;
                    Pixels got = dest;
                    ScopedSimdPath use(path);
                    call.run(got.data() + offset[0], first.data() + offset[1],
                             second.data() + offset[2], n);
                    ASSERT_TRUE(got == want) << SimdPathName(path) << " " << call.name
                                             << " n=" << n << " offset=" << offset[0];
                }
            }
        }
    }
}

TEST(FrameBufferOps, NothingOutsideTheRunIsTouched) {
    // n <= 0 is a no-op; otherwise the pixels just past the run keep their
    // values whatever the count's remainder.
    const uint32_t guard = 0xDEADBEEF;
    for (SimdPath path : SupportedPaths()) {
        ScopedSimdPath use(path);
        for (const Call& call : Calls()) {
            for (int n : {-5, 0, 1, 2, 3, 5, 9, 13, 19, 23, 31}) {
                Pixels dest(40, guard), source(40, 0x01020304);
                call.run(dest.data(), source.data(), source.data(), n);
                for (int i = std::max(n, 0); i < 40; ++i) {
                    ASSERT_EQ(dest[i], guard) << SimdPathName(path) << " " << call.name
                                              << " n=" << n << " pixel " << i;
                }
            }
        }
    }
}

TEST(FrameBufferOps, DestinationMayBeASource) {
    std::mt19937 random(3);
    const int n = 1003;
    const Pixels a = RandomPixels(n, random), b = RandomPixels(n, random);
    for (SimdPath path : SupportedPaths()) {
        ScopedSimdPath use(path);
        for (int w : {0, 90, 255}) {
            Pixels separate(n), onFirst = a, onSecond = b;
            CrossFade(separate.data(), a.data(), b.data(), n, w);
            CrossFade(onFirst.data(), onFirst.data(), b.data(), n, w);
            CrossFade(onSecond.data(), a.data(), onSecond.data(), n, w);
            EXPECT_EQ(onFirst, separate) << SimdPathName(path) << " w=" << w;
            EXPECT_EQ(onSecond, separate) << SimdPathName(path) << " w=" << w;
        }
        Pixels d = a;
        AddBuffer(d.data(), d.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_EQ(d[i], PerByte(a[i], a[i], ModelAdd));
        SubBuffer(d.data(), d.data(), n);
        EXPECT_EQ(d, Pixels(n, 0)) << SimdPathName(path);
        d = a;
        CopyBuffer(d.data(), d.data(), n);
        EXPECT_EQ(d, a) << SimdPathName(path);
    }
}

// ---- Whole input domains, through every path.

// 65536 pixels in which every (a, b) byte pair appears in every byte
// position, each time at a different pixel position within a register.
void AllBytePairs(Pixels& a, Pixels& b) {
    a.assign(65536, 0);
    b.assign(65536, 0);
    for (uint32_t i = 0; i < 65536; ++i) {
        Bytes x, y;
        for (int j = 0; j < 4; ++j) {
            uint32_t pair = (i + 16411u * j) & 0xFFFF;
            x[j] = static_cast<uint8_t>(pair & 0xFF);
            y[j] = static_cast<uint8_t>(pair >> 8);
        }
        a[i] = FromBytes(x);
        b[i] = FromBytes(y);
    }
}

// Counts pixels that differ from model(i) and reports the first one.
template <typename Model>
void ExpectAll(const Pixels& got, Model model, const std::string& what) {
    int wrong = 0, first = -1;
    for (int i = 0; i < static_cast<int>(got.size()); ++i) {
        if (got[i] != model(i) && wrong++ == 0) first = i;
    }
    EXPECT_EQ(wrong, 0) << what << ": first at pixel " << first << " got " << std::hex
                        << (first >= 0 ? got[first] : 0) << " want "
                        << (first >= 0 ? model(first) : 0);
}

TEST(FrameBufferOps, SaturatingArithmeticOverAllBytePairs) {
    Pixels a, b;
    AllBytePairs(a, b);
    const int n = static_cast<int>(a.size());
    for (SimdPath path : SupportedPaths()) {
        ScopedSimdPath use(path);
        const std::string name = SimdPathName(path);
        Pixels d = a;
        AddBuffer(d.data(), b.data(), n);
        ExpectAll(d, [&](int i) { return PerByte(a[i], b[i], ModelAdd); }, name + " AddBuffer");
        d = a;
        SubBuffer(d.data(), b.data(), n);
        ExpectAll(d, [&](int i) { return PerByte(a[i], b[i], ModelSub); }, name + " SubBuffer");
        // The colour operations take one colour per call: every colour byte
        // against every pixel byte.
        Pixels ramp(256);
        for (uint32_t i = 0; i < 256; ++i) ramp[i] = i * 0x01010101u;
        for (uint32_t c = 0; c < 256; ++c) {
            const uint32_t colour = c * 0x01010101u;
            Pixels up = ramp, down = ramp;
            AddColor(up.data(), colour, 256);
            SubColor(down.data(), colour, 256);
            ExpectAll(up, [&](int i) { return PerByte(ramp[i], colour, ModelAdd); },
                      name + " AddColor " + std::to_string(c));
            ExpectAll(down, [&](int i) { return PerByte(ramp[i], colour, ModelSub); },
                      name + " SubColor " + std::to_string(c));
        }
    }
}

TEST(FrameBufferOps, CrossFadeOverAllBytePairsAndWeights) {
    Pixels a, b;
    AllBytePairs(a, b);
    const int n = static_cast<int>(a.size());
    // Raw byte views: 2^26 byte checks per path, also in unoptimised builds.
    const uint8_t* aBytes = reinterpret_cast<const uint8_t*>(a.data());
    const uint8_t* bBytes = reinterpret_cast<const uint8_t*>(b.data());
    Pixels d(n);
    std::vector<uint8_t> want(65536);  // want[a * 256 + b] for the current w
    for (int w = 0; w < 256; ++w) {
        for (int x = 0; x < 256; ++x) {
            for (int y = 0; y < 256; ++y) want[x * 256 + y] = static_cast<uint8_t>(ModelFade(x, y, w));
        }
        for (SimdPath path : SupportedPaths()) {
            // The reference loop is the same scalar formula for every weight,
            // and slow in a sanitizer build; a sample of weights covers it.
            if (path == SimdPath::Reference && w % 16 != 0 && w % 128 > 2 && w < 253) continue;
            ScopedSimdPath use(path);
            CrossFade(d.data(), a.data(), b.data(), n, w);
            const uint8_t* got = reinterpret_cast<const uint8_t*>(d.data());
            const uint8_t* table = want.data();
            int wrong = 0;
            for (int i = 0; i < 4 * n; ++i) wrong += got[i] != table[aBytes[i] * 256 + bBytes[i]];
            ASSERT_EQ(wrong, 0) << SimdPathName(path) << " w=" << w;
        }
    }
}

// ---- Named cases, through every path.

TEST(FrameBufferOps, KnownResults) {
    const uint32_t white = 0x00FFFFFF, black = 0;
    for (SimdPath path : SupportedPaths()) {
        ScopedSimdPath use(path);
        SCOPED_TRACE(SimdPathName(path));
        const int n = 37;

        Pixels p(n, white);
        AddColor(p.data(), 0x000A0A0A, n);
        EXPECT_EQ(p, Pixels(n, white));
        p.assign(n, black);
        SubColor(p.data(), 0x000A0A0A, n);
        EXPECT_EQ(p, Pixels(n, black));

        // Full-strength colours reach white or black; the top byte, 0 in
        // the colour, is left as it was.
        p.assign(n, 0x5A123456);
        AddColor(p.data(), white, n);
        EXPECT_EQ(p, Pixels(n, 0x5AFFFFFF));
        p.assign(n, 0x5A123456);
        SubColor(p.data(), white, n);
        EXPECT_EQ(p, Pixels(n, 0x5A000000));

        // The two products are truncated separately, so the mix is not
        // symmetric and w = 0 or 255 does not copy a buffer exactly.
        struct Fade {
            uint32_t first, second;
            int w;
            uint32_t result;
        };
        for (const Fade& f : {Fade{white, black, 128, 0x007E7E7E}, Fade{black, white, 128, 0x007F7F7F},
                              Fade{0x00FF8001, white, 0, 0x00FE7F00},
                              Fade{white, 0x00FF8001, 255, 0x00FE7F00},
                              Fade{white, white, 300, 0x00FEFEFE},  // clamped to 255
                              Fade{white, black, -40, 0x00FEFEFE}}) {  // clamped to 0
            Pixels first(n, f.first), second(n, f.second), out(n);
            CrossFade(out.data(), first.data(), second.data(), n, f.w);
            EXPECT_EQ(out, Pixels(n, f.result)) << "w=" << f.w;
        }

        std::mt19937 random(4);
        const Pixels original = RandomPixels(n, random);
        p = original;
        InvertBuffer(p.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_EQ(p[i], ~original[i]);
        InvertBuffer(p.data(), n);
        EXPECT_EQ(p, original);
    }
}

TEST(FrameBufferOps, SmearConvergesOnThePicture) {
    std::mt19937 random(5);
    for (SimdPath path : SupportedPaths()) {
        ScopedSimdPath use(path);
        SCOPED_TRACE(SimdPathName(path));

        // Uniform grey 200 with k = 128: the running value starts near 0 and
        // halves its distance to 200 at every pixel (100, 150, 175, ...),
        // truncated; the top byte is kept.
        Pixels grey(24, 0x33C8C8C8);
        SmearBuffer(grey.data(), 128, 24);
        for (int i = 0; i < 24; ++i) {
            const double ideal = 200.0 - 200.0 / double(1ull << (i + 1));
            const Bytes b = ToBytes(grey[i]);
            for (int c = 0; c < 3; ++c) {
                EXPECT_LE(b[c], ideal + 0.01) << "pixel " << i;
                EXPECT_GE(b[c], ideal - 1.0) << "pixel " << i;
            }
            EXPECT_EQ(b[3], 0x33);
        }
        EXPECT_EQ(ToBytes(grey[0])[0], 100);
        EXPECT_EQ(ToBytes(grey[1])[0], 150);

        // k = 256 reproduces the picture; k = 0 never leaves the start value
        // (the first byte * 256, below one step of 65536), so all colour
        // bytes become 0.
        const Pixels picture = RandomPixels(501, random);
        Pixels p = picture;
        SmearBuffer(p.data(), 256, 501);
        EXPECT_EQ(p, picture);
        SmearBuffer(p.data(), 0, 501);
        for (int i = 0; i < 501; ++i) ASSERT_EQ(p[i], picture[i] & 0xFF000000) << i;
    }
}

// ---- Path selection.

TEST(FrameBufferOps, PathSelection) {
    const SimdPath best = BestSimdPath();
    EXPECT_TRUE(SimdPathSupported(SimdPath::Reference));
    EXPECT_TRUE(SimdPathSupported(best));
#if defined(__x86_64__)
    EXPECT_TRUE(SimdPathSupported(SimdPath::Sse2));
#else
    EXPECT_EQ(best, SimdPath::Reference);
#endif
    const SimdPath previous = ActiveSimdPath();
    for (SimdPath path : kAllPaths) {
        const SimdPath expected = SimdPathSupported(path) ? path : best;
        EXPECT_EQ(ForceSimdPath(path), expected) << SimdPathName(path);
        EXPECT_EQ(ActiveSimdPath(), expected);

        SimdPath parsed = SimdPath::Reference;
        EXPECT_TRUE(ParseSimdPath(SimdPathName(path), &parsed));
        EXPECT_EQ(parsed, path);
        EXPECT_EQ(ChooseSimdPath(SimdPathName(path)), expected);
    }
    ForceSimdPath(previous);

    struct Name {
        const char* text;
        bool valid;
        SimdPath path;
    };
    for (const Name& name : {Name{"AVX2", true, SimdPath::Avx2}, Name{"Sse2", true, SimdPath::Sse2},
                             Name{"reference", true, SimdPath::Reference},
                             Name{"", false, best}, Name{"avx", false, best},
                             Name{"avx2 ", false, best}, Name{"avx512", false, best},
                             Name{nullptr, false, best}}) {
        SimdPath parsed = SimdPath::Reference;
        EXPECT_EQ(ParseSimdPath(name.text, &parsed), name.valid) << (name.text ? name.text : "null");
        if (name.valid) {
            EXPECT_EQ(parsed, name.path);
        } else {
            EXPECT_EQ(ChooseSimdPath(name.text), best);
        }
    }
}

// Outside the tests' scoped overrides the active path is the one start-up
// chose; run alone in a child process, this checks the environment was read.
TEST(FrameBufferOps, StartUpPathFollowsTheEnvironment) {
    EXPECT_EQ(ActiveSimdPath(), ChooseSimdPath(std::getenv(kSimdPathVariable)));
}

TEST(FrameBufferOps, EnvironmentVariableForcesThePath) {
#if defined(__linux__)
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    for (const char* value : {"reference", "SSE2", "avx2", "nonsense"}) {
        const std::string command = std::string(kSimdPathVariable) + "=" + value + " '" + self +
                                    "' --gtest_filter=FrameBufferOps.StartUpPathFollowsTheEnvironment"
                                    " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
#else
    GTEST_SKIP() << "needs /proc/self/exe";
#endif
}

}  // namespace

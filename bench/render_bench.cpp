// The software renderer's costs: the fill rate of each triangle routine on
// one fixed set of triangles, whole frames of a spinning torus of 10,800
// faces (about 5,000 of them face the camera and are drawn) through the
// camera's Render, and the render-list radix sort next to std::stable_sort.
// Every input is made here by code; nothing is read from disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "engine/render/engine.h"
#include "engine/render/mesh.h"
#include "engine/render/pipeline.h"
#include "engine/render/polygon_routines.h"
#include "engine/render/rasterizer.h"
#include "engine/render/render_item.h"
#include "engine/render/render_state.h"
#include "engine/scene/camera.h"
#include "engine/scene/helper.h"
#include "engine/scene/scene.h"
#include "resources/picture.h"

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 384;
constexpr size_t kFramePixels = static_cast<size_t>(kWidth) * kHeight;

// A uniform float in [0, 1) from the generator's raw output, so the inputs
// are the same with every standard library (the distributions are not).
float Uniform(std::mt19937& random) { return static_cast<float>(random() >> 8) * (1.0f / 16777216.0f); }

// Smooth colour waves: reads walk the texture with the locality of real
// pictures.
std::vector<uint32_t> WaveTexels(float a, float b, float c) {
    std::vector<uint32_t> texels(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            auto channel = [&](float fx, float fy) {
                return static_cast<uint32_t>(127.5f + 127.5f * std::sin(fx * static_cast<float>(x) +
                                                                       fy * static_cast<float>(y)));
            };
            texels[y * 256 + x] = channel(a, 0.02f) << 16 | channel(0.03f, b) << 8 | channel(c, c);
        }
    return texels;
}

// An environment map: a bright spot in the middle fading to a dark rim.
std::vector<uint32_t> SpotTexels() {
    std::vector<uint32_t> texels(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float dx = (static_cast<float>(x) - 127.5f) / 128.0f, dy = (static_cast<float>(y) - 127.5f) / 128.0f;
            const float k = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
            const auto level = static_cast<uint32_t>(255.0f * k * k);
            texels[y * 256 + x] = level << 16 | level << 8 | (level / 2 + 64);
        }
    return texels;
}

// ---------------------------------------------------------------------------
// Fill rate

struct sCorner3 {
    float x, y, z, u, v, eu, ev;
};
using sTriangle = std::array<sCorner3, 3>;

// 500 triangles, a hundred each of five sizes (vertices within 6, 12, 24,
// 48 and 96 pixels of a centre), inside the 512 x 384 target. Texture
// coordinates are a rotated, roughly one-to-one mapping of the screen, so
// the texel walk is that of a real textured face; depths run from 2 to 8.
std::vector<sTriangle> TriangleSet() {
    std::mt19937 random(20240611);
    constexpr float kRadii[] = {6.0f, 12.0f, 24.0f, 48.0f, 96.0f};
    std::vector<sTriangle> set;
    for (int i = 0; i < 500; ++i) {
        const float radius = kRadii[i % 5];
        const float cx = Uniform(random) * kWidth, cy = Uniform(random) * kHeight;
        const float angle = Uniform(random) * 6.2831853f;
        const float scale = 0.75f + 0.5f * Uniform(random);
        const float ca = std::cos(angle) * scale, sa = std::sin(angle) * scale;
        const float u0 = Uniform(random) * 256.0f, v0 = Uniform(random) * 256.0f;
        sTriangle t;
        for (sCorner3& c : t) {
            c.x = std::clamp(cx + (2.0f * Uniform(random) - 1.0f) * radius, 0.0f, kWidth - 0.01f);
            c.y = std::clamp(cy + (2.0f * Uniform(random) - 1.0f) * radius, 0.0f, kHeight - 0.01f);
            c.z = 2.0f + 6.0f * Uniform(random);
            c.u = u0 + ca * c.x - sa * c.y;
            c.v = v0 + sa * c.x + ca * c.y;
            c.eu = 0.5f * c.x;
            c.ev = 0.5f * c.y + 40.0f;
        }
        set.push_back(t);
    }
    return set;
}

// The pixels the set covers, overlaps counted as often as they are drawn:
// every routine shares FillFlat's coverage, so one count serves them all.
int64_t CoveredPixels(const std::vector<sTriangle>& set) {
    std::vector<uint32_t> target(kFramePixels, 0);
    int64_t covered = 0;
    for (const sTriangle& t : set) {
        FillFlat(t[0].x, t[0].y, t[1].x, t[1].y, t[2].x, t[2].y, target.data(), 1u);
        for (uint32_t& p : target) {
            covered += p;
            p = 0;
        }
    }
    return covered;
}

struct sFillInputs {
    std::vector<sTriangle> triangles = TriangleSet();
    int64_t pixels = 0;
    std::vector<uint32_t> texture = WaveTexels(0.05f, 0.07f, 0.04f);
    std::vector<uint32_t> environment = SpotTexels();
    std::vector<uint32_t> target = std::vector<uint32_t>(kFramePixels, 0x00402010u);

    sFillInputs() {
        g_targetWidth = kWidth;
        g_targetHeight = kHeight;
        pixels = CoveredPixels(triangles);
    }
};

sFillInputs& FillInputs() {
    static sFillInputs inputs;
    return inputs;
}

// One pass over the whole set per iteration. Blending routines keep
// blending into what the earlier passes left; their per-pixel work does
// not depend on the values.
template <typename Draw>
void FillRate(benchmark::State& state, Draw draw) {
    sFillInputs& in = FillInputs();
    g_targetWidth = kWidth;
    g_targetHeight = kHeight;
    uint32_t* target = in.target.data();
    for (auto _ : state) {
        for (const sTriangle& t : in.triangles) draw(t[0], t[1], t[2], target, in.texture.data(), in.environment.data());
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] =
        benchmark::Counter(static_cast<double>(in.pixels), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles"] =
        benchmark::Counter(static_cast<double>(in.triangles.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["px/tri"] = static_cast<double>(in.pixels) / static_cast<double>(in.triangles.size());
}

using C = const sCorner3&;
using T = const uint32_t*;

#define FLAT_FILL(Routine, colour)                                                                  \
    void EngineFill_##Routine(benchmark::State& state) {                                            \
        FillRate(state, [](C a, C b, C c, uint32_t* target, T, T) {                                 \
            Routine(a.x, a.y, b.x, b.y, c.x, c.y, target, colour);                                  \
        });                                                                                         \
    }                                                                                               \
    BENCHMARK(EngineFill_##Routine)->Unit(benchmark::kMicrosecond)

#define PERSPECTIVE_FILL(Routine)                                                                   \
    void EngineFill_##Routine(benchmark::State& state) {                                            \
        FillRate(state, [](C a, C b, C c, uint32_t* target, T texture, T) {                         \
            Routine(a.x, a.y, a.z, a.u, a.v, b.x, b.y, b.z, b.u, b.v, c.x, c.y, c.z, c.u, c.v, target, \
                    texture);                                                                       \
        });                                                                                         \
    }                                                                                               \
    BENCHMARK(EngineFill_##Routine)->Unit(benchmark::kMicrosecond)

#define AFFINE_FILL(Routine)                                                                        \
    void EngineFill_##Routine(benchmark::State& state) {                                            \
        FillRate(state, [](C a, C b, C c, uint32_t* target, T texture, T) {                         \
            Routine(a.x, a.y, a.u, a.v, b.x, b.y, b.u, b.v, c.x, c.y, c.u, c.v, target, texture);   \
        });                                                                                         \
    }                                                                                               \
    BENCHMARK(EngineFill_##Routine)->Unit(benchmark::kMicrosecond)

#define DUAL_FILL(Routine)                                                                                  \
    void EngineFill_##Routine(benchmark::State& state) {                                                    \
        FillRate(state, [](C a, C b, C c, uint32_t* target, T texture, T environment) {                     \
            Routine(a.x, a.y, a.u, a.v, a.eu, a.ev, b.x, b.y, b.u, b.v, b.eu, b.ev, c.x, c.y, c.u, c.v, c.eu, \
                    c.ev, target, texture, environment);                                                    \
        });                                                                                                 \
    }                                                                                                       \
    BENCHMARK(EngineFill_##Routine)->Unit(benchmark::kMicrosecond)

FLAT_FILL(FillFlat, 0x00C08040u);
FLAT_FILL(FillFlatHalf, 0x00C08040u);
FLAT_FILL(FillFlatAdd, 0x00010203u);
PERSPECTIVE_FILL(FillPerspective);
PERSPECTIVE_FILL(FillPerspectiveHalf);
PERSPECTIVE_FILL(FillPerspectiveAdd);
AFFINE_FILL(FillAffineHalf);
AFFINE_FILL(FillAffineAdd);
DUAL_FILL(FillDualAdd);
DUAL_FILL(FillDualAddHalf);
DUAL_FILL(FillDualMultiply);

#undef FLAT_FILL
#undef PERSPECTIVE_FILL
#undef AFFINE_FILL
#undef DUAL_FILL

// ---------------------------------------------------------------------------
// A scene frame

constexpr int kRingSegments = 108;  // around the torus's axis
constexpr int kTubeSegments = 50;   // around the tube
constexpr uint16_t kSpinFrames = 240;

// A closed torus (major radius 1, tube radius 0.4) of 2 x 108 x 50 =
// 10,800 faces with texture coordinates wrapping four times around the
// ring. The seam vertices are doubled so the coordinates do not run
// backwards across the last column.
//
// Winding: with a(i) around the ring and b(j) around the tube, dP/da x
// dP/db points outwards, and a face's normal is (p2 - p0) x (p1 - p0), so
// each quad splits into (i,j) (i,j+1) (i+1,j) and (i+1,j) (i,j+1)
// (i+1,j+1). The faces turned away from the camera are then the ones the
// pipeline drops.
c3dObject* Torus(sMaterial* material) {
    auto* mesh = new c3dObject();
    constexpr int kColumns = kRingSegments + 1, kRows = kTubeSegments + 1;
    mesh->SetVertexCount(static_cast<uint16_t>(kColumns * kRows));
    mesh->SetFaceCount(static_cast<uint16_t>(2 * kRingSegments * kTubeSegments));
    for (int i = 0; i < kColumns; ++i)
        for (int j = 0; j < kRows; ++j) {
            const float a = 6.2831853f * static_cast<float>(i) / kRingSegments;
            const float b = 6.2831853f * static_cast<float>(j) / kTubeSegments;
            const float ring = 1.0f + 0.4f * std::cos(b);
            sVertex& v = mesh->vertices[i * kRows + j];
            v.x = ring * std::cos(a);
            v.y = ring * std::sin(a);
            v.z = 0.4f * std::sin(b);
            v.u = 4.0f * static_cast<float>(i) / kRingSegments;
            v.v = static_cast<float>(j) / kTubeSegments;
        }
    int f = 0;
    for (int i = 0; i < kRingSegments; ++i)
        for (int j = 0; j < kTubeSegments; ++j) {
            const uint32_t p = static_cast<uint32_t>(i * kRows + j);
            const uint32_t down = p + 1, across = p + kRows, diagonal = p + kRows + 1;
            for (auto corners : {std::array<uint32_t, 3>{p, down, across}, {across, down, diagonal}}) {
                sPoly& face = mesh->faces[f++];
                face.cornerCount = 3;
                for (int c = 0; c < 3; ++c) face.corners[c].vertexIndex = corners[c];
            }
        }
    mesh->SetMaterial(material);
    mesh->LinkFaces();
    mesh->CopyTextureCoords();
    mesh->ComputeNormals();
    mesh->restScale = cVector(1, 1, 1);
    return mesh;
}

// Tumbling about a tilted axis: a key every 30 frames, a quarter turn
// apart, over the 240 frames the benchmark loops through.
std::unique_ptr<cRotationTrack> Tumble() {
    auto track = std::make_unique<cRotationTrack>();
    for (int k = 0; k <= kSpinFrames / 30; ++k) {
        const float angle = 1.5707964f * static_cast<float>(k);
        const float h = 0.5f * angle;
        // Axis (0.6, 0.8, 0) scaled by sin h: unit quaternions.
        track->AddKey(static_cast<float>(k * 30), cQuat(std::cos(h), 0.6f * std::sin(h), 0.8f * std::sin(h), 0.0f),
                      {});
    }
    track->Setup();
    return track;
}

enum eSceneMaterial { kDual, kPerspective, kFlatLit };

// The torus five units in front of the camera (it fills about 40 % of the
// frame and never leaves it, so nothing is clipped), drawn with one
// material: texture plus environment ("t", "e"), perspective texture ("p")
// or flat lit ("f").
struct sTorusScene {
    cEngineSoftware engine{kWidth, kHeight, "."};
    std::vector<uint32_t> frame = std::vector<uint32_t>(kFramePixels, 0);
    cScene scene{&engine};
    cCamera* camera = nullptr;
    c3dObject* torus = nullptr;

    explicit sTorusScene(eSceneMaterial kind) {
        engine.renderTarget = engine.defaultRenderTarget = frame.data();
        engine.AddScene(&scene);
        auto picture = [](std::vector<uint32_t> texels) {
            sPicture p;
            p.width = p.height = 256;
            p.bits = 32;
            p.pixels = std::move(texels);
            return p;
        };
        sTexture* texture = engine.Textures().Add(picture(WaveTexels(0.1f, 0.13f, 0.05f)), "torus", 0, 0);
        sTexture* environment = engine.Textures().Add(picture(SpotTexels()), "spot", 0, 0);
        sMaterial* material = scene.materials.Add("torus", texture, environment, 0, 0,
                                                  kMaterialTextured | kMaterialHasSecondMap);
        material->red = 0.9f;
        material->green = 0.6f;
        material->blue = 0.3f;
        material->routine = kind == kDual ? RoutineFor(1, 5, 0) : kind == kPerspective ? RoutineFor(2, 0, 0)
                                                                                       : RoutineFor(0, 1, 0);

        auto* target = new cHelper();
        target->restScale = cVector(1, 1, 1);
        scene.hierarchy.AppendTopLevel(target);
        camera = new cCamera();
        camera->restPosition = cVector(0.0f, 0.0f, -5.0f);
        camera->restScale = cVector(1, 1, 1);
        scene.hierarchy.AppendTopLevel(camera);
        torus = Torus(material);
        torus->rotationTrack = Tumble();
        scene.hierarchy.AppendTopLevel(torus);
        scene.lastFrame = kSpinFrames;
        scene.camera = camera;
        scene.Animate(0.0f);
        camera->SetTarget(target);
        camera->SetViewport(kWidth, kHeight);
    }
};

// One frame per iteration, as a scene effect draws it: Animate at the next
// frame, then the camera's Render. `faces` is the average length of the
// render list, the faces that passed back-face rejection and were drawn.
void EngineTorusFrame(benchmark::State& state, eSceneMaterial kind) {
    sTorusScene s(kind);
    float frame = 0.0f;
    double faces = 0.0;
    for (auto _ : state) {
        s.scene.Animate(frame);
        s.camera->Render();
        faces += static_cast<double>(s.scene.renderList.size());
        benchmark::ClobberMemory();
        frame = frame + 1.0f >= kSpinFrames ? 0.0f : frame + 1.0f;
    }
    state.counters["faces"] = benchmark::Counter(faces, benchmark::Counter::kAvgIterations);
    state.counters["meshFaces"] = s.torus->faceCount;
}
BENCHMARK_CAPTURE(EngineTorusFrame, dual_te, kDual)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EngineTorusFrame, perspective_p, kPerspective)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EngineTorusFrame, flat_f, kFlatLit)->Unit(benchmark::kMillisecond);

// The same frames without drawing: Animate, the camera update, Setup and
// BuildRenderList (transform, back faces, keys, gathering, sort). The
// difference to the whole frame is DrawRenderList.
void EngineTorusFrontEnd(benchmark::State& state) {
    sTorusScene s(kDual);
    float frame = 0.0f;
    for (auto _ : state) {
        s.scene.Animate(frame);
        s.camera->UpdateView();
        s.scene.Setup();
        BuildRenderList(s.scene);
        benchmark::ClobberMemory();
        frame = frame + 1.0f >= kSpinFrames ? 0.0f : frame + 1.0f;
    }
}
BENCHMARK(EngineTorusFrontEnd)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Sorting the render list

constexpr size_t kSortItems = 50000;

// Items with random keys: all 32 bits (range 0) or depths below `range`,
// as a scene's keys are. Faces and owners are distinct dummy addresses.
std::vector<sRenderItem> RandomItems(uint32_t range) {
    std::mt19937 random(77);
    std::vector<sRenderItem> items(kSortItems);
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].key = range ? random() % range : random();
        items[i].face = reinterpret_cast<sPoly*>(static_cast<uintptr_t>(16 * (i + 1)));
    }
    return items;
}

// Each iteration sorts a fresh copy of the same random items; the copy is
// left out of the timing.
template <typename Sort>
void SortBench(benchmark::State& state, Sort sort) {
    const std::vector<sRenderItem> input = RandomItems(static_cast<uint32_t>(state.range(0)));
    std::vector<sRenderItem> items(input.size()), scratch(input.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(input.begin(), input.end(), items.begin());
        state.ResumeTiming();
        sort(items, scratch);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSortItems));
}

void EngineSort_radix(benchmark::State& state) {
    SortBench(state, [](std::vector<sRenderItem>& items, std::vector<sRenderItem>& scratch) {
        SortRenderList(items.data(), items.size(), scratch.data());
    });
}
void EngineSort_stable_sort(benchmark::State& state) {
    SortBench(state, [](std::vector<sRenderItem>& items, std::vector<sRenderItem>&) {
        std::stable_sort(items.begin(), items.end(),
                         [](const sRenderItem& a, const sRenderItem& b) { return a.key < b.key; });
    });
}
// Range 0: keys over all 32 bits; 4096: depth-like keys.
BENCHMARK(EngineSort_radix)->Arg(0)->Arg(4096)->Unit(benchmark::kMicrosecond);
BENCHMARK(EngineSort_stable_sort)->Arg(0)->Arg(4096)->Unit(benchmark::kMicrosecond);

}  // namespace

// Cost of one animation frame of a scene: Animate over 50 animated nodes plus
// the per-frame mesh work of deforming effects (normals of about 5,000
// faces), and the cost of evaluating a keyframe track while playing forward,
// which the cursor keeps independent of the number of keys.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/render/engine.h"
#include "engine/render/mesh.h"
#include "engine/scene/helper.h"
#include "engine/scene/scene.h"

namespace {

constexpr int kNodes = 50;      // animated helpers, each with a mesh below it
constexpr int kGridSide = 7;    // 7 x 7 quads = 98 faces per mesh, 4,900 in all
constexpr uint16_t kLastFrame = 600;

std::unique_ptr<cPositionTrack> Track(int keys, float phase, float amplitude) {
    auto track = std::make_unique<cPositionTrack>();
    for (int k = 0; k < keys; ++k) {
        float frame = static_cast<float>(k) * kLastFrame / static_cast<float>(keys - 1);
        float a = phase + static_cast<float>(k);
        track->AddKey(frame, cVector(amplitude * std::sin(a), amplitude * std::cos(a), 1 + 0.1f * std::sin(2 * a)),
                      {0.1f, 0.2f, -0.1f, 0.0f, 0.0f});
    }
    track->Setup();
    return track;
}

std::unique_ptr<cRotationTrack> Spin(int keys, float phase) {
    auto track = std::make_unique<cRotationTrack>();
    for (int k = 0; k < keys; ++k)
        track->AddRelativeKey(static_cast<float>(k) * kLastFrame / static_cast<float>(keys - 1),
                              0.3f + 0.1f * std::sin(phase + k), cVector(0.3f, 0.9f, 0.3f), {});
    track->Setup();
    return track;
}

c3dObject* GridMesh(sMaterial* material) {
    auto* mesh = new c3dObject();
    const int side = kGridSide + 1;
    mesh->SetVertexCount(static_cast<uint16_t>(side * side));
    mesh->SetFaceCount(static_cast<uint16_t>(2 * kGridSide * kGridSide));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            sVertex& v = mesh->vertices[y * side + x];
            v.x = static_cast<float>(x);
            v.y = static_cast<float>(y);
            v.z = 0.2f * std::sin(static_cast<float>(x * y));
        }
    int f = 0;
    for (int y = 0; y < kGridSide; ++y)
        for (int x = 0; x < kGridSide; ++x) {
            uint32_t i = static_cast<uint32_t>(y * side + x);
            for (auto corners : {std::array<uint32_t, 3>{i, i + 1, i + side + 1}, {i, i + side + 1, i + side}}) {
                sPoly& face = mesh->faces[f++];
                face.cornerCount = 3;
                for (int c = 0; c < 3; ++c) face.corners[c].vertexIndex = corners[c];
            }
        }
    mesh->SetMaterial(material);
    mesh->LinkFaces();
    mesh->ComputeNormals();
    return mesh;
}

struct sBenchScene {
    cEngineSoftware engine{512, 384, "."};
    cScene scene{&engine};
    std::vector<c3dObject*> meshes;
    int faces = 0;

    explicit sBenchScene(int keys) {
        sMaterial* material = scene.materials.Add("grid", nullptr, nullptr, 0, 0, 0);
        for (int n = 0; n < kNodes; ++n) {
            auto* helper = new cHelper();
            helper->restScale = cVector(1, 1, 1);
            helper->positionTrack = Track(keys, static_cast<float>(n), 50.0f);
            helper->rotationTrack = Spin(keys, static_cast<float>(n));
            helper->scaleTrack = Track(keys, static_cast<float>(n) * 0.5f, 0.2f);
            sHierarchyEntry* entry = scene.hierarchy.AppendTopLevel(helper);
            c3dObject* mesh = GridMesh(material);
            mesh->restScale = cVector(1, 1, 1);
            scene.hierarchy.InsertChild(entry, mesh);
            meshes.push_back(mesh);
            faces += mesh->faceCount;
        }
        scene.lastFrame = kLastFrame;
    }
};

// One frame: Animate, then every mesh's normals as a deforming effect
// recomputes them. Frames advance by one per iteration, wrapping at the end.
void BM_AnimateAndNormals(benchmark::State& state) {
    sBenchScene bench(static_cast<int>(state.range(0)));
    float frame = 0.0f;
    for (auto _ : state) {
        bench.scene.Animate(frame);
        for (c3dObject* mesh : bench.meshes) mesh->ComputeNormals();
        benchmark::DoNotOptimize(bench.meshes.back()->position);
        frame = frame + 1.0f > kLastFrame ? 0.0f : frame + 1.0f;
    }
    state.counters["faces"] = bench.faces;
    state.counters["nodes"] = 2 * kNodes;
}
BENCHMARK(BM_AnimateAndNormals)->Arg(10)->Unit(benchmark::kMicrosecond);

void BM_Animate(benchmark::State& state) {
    sBenchScene bench(static_cast<int>(state.range(0)));
    float frame = 0.0f;
    for (auto _ : state) {
        bench.scene.Animate(frame);
        benchmark::DoNotOptimize(bench.meshes.back()->position);
        frame = frame + 1.0f > kLastFrame ? 0.0f : frame + 1.0f;
    }
}
BENCHMARK(BM_Animate)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

// One evaluation per iteration, playing forward by a quarter frame: with the
// cursor the cost is the same for 10 and for 1,000 keys.
void BM_TrackForward(benchmark::State& state) {
    auto track = Track(static_cast<int>(state.range(0)), 0.0f, 10.0f);
    float frame = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(track->Evaluate(frame));
        frame = frame + 0.25f > kLastFrame ? 0.0f : frame + 0.25f;
    }
}
BENCHMARK(BM_TrackForward)->Arg(10)->Arg(1000);

void BM_RotationTrackForward(benchmark::State& state) {
    auto track = Spin(static_cast<int>(state.range(0)), 0.0f);
    float frame = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(track->Evaluate(frame));
        frame = frame + 0.25f > kLastFrame ? 0.0f : frame + 0.25f;
    }
}
BENCHMARK(BM_RotationTrackForward)->Arg(10)->Arg(1000);

}  // namespace

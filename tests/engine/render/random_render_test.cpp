// Random input through the drawing paths a frame takes: faces handed
// straight to every polygon routine, with corners anywhere (far outside the
// target, huge, on its edges), and random scenes (meshes in any placement and
// scale, cameras inside, behind or touching them, flares and particles)
// through the camera's Render. Nothing may be written outside the target.
// The seeds are fixed, so a failure repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/render/engine.h"
#include "engine/render/lines.h"
#include "engine/render/mesh.h"
#include "engine/render/polygon_routines.h"
#include "engine/render/render_item.h"
#include "engine/render/render_state.h"
#include "engine/render/textures.h"
#include "engine/scene/camera.h"
#include "engine/scene/helper.h"
#include "engine/scene/light.h"
#include "engine/scene/material.h"
#include "engine/scene/particles.h"
#include "engine/scene/scene.h"
#include "guarded_target.h"
#include "resources/png_writer.h"
#include "test_util.h"

namespace {

using Rng = std::mt19937;

float Uniform(Rng& rng, float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); }
int Below(Rng& rng, int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); }
// Log-uniform between a and b (both positive).
float Magnitude(Rng& rng, float a, float b) { return std::exp(Uniform(rng, std::log(a), std::log(b))); }
template <typename T, size_t N>
T Pick(Rng& rng, const T (&values)[N]) {
    return values[Below(rng, int(N))];
}

std::vector<uint32_t> NoiseTexels(Rng& rng) {
    std::vector<uint32_t> t(kTextureTexels);
    for (uint32_t& texel : t) texel = rng() & 0x00FFFFFFu;
    return t;
}

// ---- Polygon routines -----------------------------------------------------

// A screen coordinate for a target `extent` pixels long: mostly around the
// target, sometimes on its edges, far off, or at the ends of the float range.
// Heights above the target stay within 1e4 rows of it: a triangle whose top
// vertex alone lies above the target steps its edges through every row down
// to row 0 (seconds from -1e9), which writes nothing but would stall the
// test.
float ScreenCoordinate(Rng& rng, float extent, bool vertical) {
    static const float kExtremes[] = {-3.0e38f, 3.0e38f, -1.0e20f, 1.0e20f, -1.0e9f, 1.0e9f, -65536.0f, 65536.0f};
    static const float kTallest[] = {-1.0e4f, -4096.0f, 3.0e38f, 1.0e20f, 1.0e9f, 65536.0f};
    switch (Below(rng, 12)) {
        case 0: return vertical ? Pick(rng, kTallest) : Pick(rng, kExtremes);
        case 1: return Uniform(rng, vertical ? -1.0e4f : -1.0e5f, 1.0e5f);
        case 2: {
            const float edges[] = {0.0f, -1.0f, 0.5f, extent - 1.0f, extent, extent + 1.0f};
            return Pick(rng, edges);
        }
        default: return Uniform(rng, -0.5f * extent, 1.5f * extent);
    }
}

// A texture coordinate (0..1 is one copy of the texture), mostly near it.
float TextureCoordinate(Rng& rng) {
    return Below(rng, 8) == 0 ? Uniform(rng, -1.0e4f, 1.0e4f) : Uniform(rng, -2.0f, 3.0f);
}

// A face as the pipeline hands it to a routine: up to 8 corners (a triangle
// clipped by five planes), each with its own vertex record.
struct sRandomFace {
    sVertex vertices[8];
    sCorner corners[8];
    int count = 3;
    sPoly poly;
    sRenderItem item;

    void Randomise(Rng& rng, float width, float height) {
        count = 3 + Below(rng, 6);
        for (int i = 0; i < count; ++i) {
            sVertex& v = vertices[i];
            v.screenX = ScreenCoordinate(rng, width, false);
            v.screenY = ScreenCoordinate(rng, height, true);
            v.z = Below(rng, 6) == 0 ? 1.0f : Magnitude(rng, 1.0e-3f, 1.0e6f);
            v.u = TextureCoordinate(rng);
            v.v = TextureCoordinate(rng);
            corners[i].transformed = &v;
            corners[i].u = TextureCoordinate(rng);
            corners[i].v = TextureCoordinate(rng);
        }
        poly.cameraNormal = cVector{Uniform(rng, -1, 1), Uniform(rng, -1, 1), Uniform(rng, -1, 1)};
        item.face = &poly;
    }
    std::string Describe() const {
        std::string text;
        char corner[160];
        for (int i = 0; i < count; ++i) {
            const sVertex& v = vertices[i];
            std::snprintf(corner, sizeof corner, " (%.9g, %.9g, z %.9g, env %.9g %.9g, uv %.9g %.9g)", v.screenX,
                          v.screenY, v.z, v.u, v.v, corners[i].u, corners[i].v);
            text += corner;
        }
        return text;
    }
    // Whether every corner lies within `limit` pixels of the target's
    // origin. Only for such faces is the covered area checked: farther out
    // the edge slopes may overflow, and the edges, which are stepped row by
    // row from a top vertex above the target, drift by many pixels over tens
    // of thousands of rows.
    bool Moderate(float limit) const {
        for (int i = 0; i < count; ++i)
            if (std::fabs(vertices[i].screenX) > limit || std::fabs(vertices[i].screenY) > limit) return false;
        return true;
    }
};

// Draws the face with the routine and checks that no guard row changed and,
// for a moderate face, that every changed pixel lies within two pixels of
// the corners' bounding box: a span or line that runs past a row's end
// would reappear at the other side of the next row.
void DrawAndCheck(ePolygonRoutine routine, sRandomFace& face, const sMaterial& material, sGuardedTarget& target,
                  int iteration) {
    const std::vector<uint32_t> before = target.pixels;
    g_polygonRoutines[routine].draw(face.corners, face.count - 2, face.item, material, target.Target());
    ASSERT_TRUE(target.GuardsIntact()) << g_polygonRoutines[routine].fillName << ", face " << iteration;
    if (!face.Moderate(4.0f * float(std::max(target.width, target.height)))) return;

    float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
    for (int i = 0; i < face.count; ++i) {
        x0 = std::min(x0, face.vertices[i].screenX);
        x1 = std::max(x1, face.vertices[i].screenX);
        y0 = std::min(y0, face.vertices[i].screenY);
        y1 = std::max(y1, face.vertices[i].screenY);
    }
    const int left = int(std::floor(x0)) - 2, right = int(std::ceil(x1)) + 2;
    const int top = int(std::floor(y0)) - 2, bottom = int(std::ceil(y1)) + 2;
    const size_t offset = size_t(sGuardedTarget::kGuardRows) * target.width;
    for (int y = 0; y < target.height; ++y)
        for (int x = 0; x < target.width; ++x) {
            const size_t i = offset + size_t(y) * target.width + x;
            if (before[i] == target.pixels[i]) continue;
            ASSERT_TRUE(x >= left && x <= right && y >= top && y <= bottom)
                << g_polygonRoutines[routine].fillName << ", face " << iteration << ": pixel " << x << "," << y
                << " outside " << left << ".." << right << " x " << top << ".." << bottom << ";" << face.Describe();
        }
}

TEST(RandomRender, PolygonRoutinesWriteOnlyNearTheirFaces) {
    Rng rng(11);
    sTexture texture, environment;
    texture.texels = NoiseTexels(rng);
    environment.texels = NoiseTexels(rng);
    // A tinted line table, so every channel of the wireframe's additions
    // differs; white again afterwards, as the engine leaves it.
    SetLineColor(1.0f, 0.8f, 0.6f);
    struct sRestoreLines {
        ~sRestoreLines() { SetLineColor(1.0f, 1.0f, 1.0f); }
    } restoreLines;

    struct sTargetSize {
        int32_t width, height, faces;
    };
    // Odd sizes, the band and the whole frame.
    const sTargetSize sizes[] = {{61, 47, 1200}, {512, 200, 100}, {512, 384, 40}};
    for (const sTargetSize& size : sizes) {
        sGuardedTarget target(size.width, size.height, 0x00302010u);
        sRandomFace face;
        for (int i = 0; i < size.faces; ++i) {
            sMaterial material;
            material.texture = &texture;
            material.secondMap = &environment;
            material.red = Uniform(rng, 0, 1);
            material.green = Uniform(rng, 0, 1);
            material.blue = Uniform(rng, 0, 1);
            face.Randomise(rng, float(size.width), float(size.height));
            const auto routine = static_cast<ePolygonRoutine>(i % kPolygonRoutineCount);
            DrawAndCheck(routine, face, material, target, i);
            if (HasFatalFailure()) return;
        }
    }
}

// ---- Random scenes --------------------------------------------------------

// The materials of a random scene: every supported combination, two-sided
// where the material file would make it so, and one without a routine.
struct sKinds {
    int mapping, shading, glenz;
};
const sKinds kSupported[] = {{0, 0, 0}, {0, 0, 2}, {0, 1, 0}, {0, 1, 1}, {0, 5, 0}, {0, 5, 1}, {1, 5, 0}, {1, 5, 1},
                             {1, 6, 0}, {2, 0, 0}, {2, 0, 1}, {2, 0, 2}, {2, 5, 2}, {3, 0, 0}, {3, 0, 2}};

class RandomScene {
public:
    explicit RandomScene(Rng& rng) : rng_(rng) {}

    // Textures for the flares' and particles' pictures, which lights and
    // particle systems load by name.
    static void WritePictures(const TempDir& dir, Rng& rng) {
        std::vector<uint8_t> png;
        std::vector<uint32_t> texels(64 * 64);
        for (uint32_t& t : texels) t = rng() & 0x00FFFFFFu;
        ASSERT_TRUE(EncodePng(texels.data(), 64, 64, 1, &png));
        dir.Write("spark.png", png);
    }

    void Build() {
        sPicture picture;
        picture.width = picture.height = 256;
        picture.bits = 32;
        picture.pixels = NoiseTexels(rng_);
        // The scene gives back one reference per material when it goes, as
        // for textures the loader requested for each of them.
        sTexture* texture = engine_.Textures().Add(picture, "noise", 0, 0);
        picture.pixels = NoiseTexels(rng_);
        sTexture* environment = engine_.Textures().Add(picture, "env", 0, 0);
        auto reference = [](sTexture* t) {
            ++t->references;
            return t;
        };
        for (const sKinds& k : kSupported) {
            uint16_t flags = 0;
            if ((k.mapping == 0 && k.shading == 0) || k.glenz != 0) flags |= kMaterialTwoSided;
            if (Below(rng_, 6) == 0) flags |= kMaterialNoCull;
            const bool second = k.mapping != 0 && (k.shading == 5 || k.shading == 6);
            if (second) flags |= kMaterialHasSecondMap;
            sMaterial* m = scene_.materials.Add("m" + std::to_string(scene_.materials.Count()), reference(texture),
                                                second ? reference(environment) : nullptr, 0, 0, flags);
            m->routine = RoutineFor(k.mapping, k.shading, k.glenz);
            m->red = Uniform(rng_, 0, 1);
            m->green = Uniform(rng_, 0, 1);
            m->blue = Uniform(rng_, 0, 1);
        }
        scene_.materials.Add("no routine", reference(texture), nullptr, 0, 0, 0);

        const int meshes = 1 + Below(rng_, 4);
        for (int i = 0; i < meshes; ++i) AddMesh();
        const int lights = Below(rng_, 3);
        for (int i = 0; i < lights; ++i) AddLight(i);
        if (Below(rng_, 3) == 0) AddEmitter();
        AddCamera();
    }

    // Renders a few frames, each into a guarded target of a random size.
    void RenderFrames(int scene) {
        static const std::array<uint32_t, 2> kViewports[] = {{512, 384}, {512, 200}, {640, 480},
                                                             {320, 240}, {64, 48},   {17, 9}};
        for (int frame = 0; frame < 3; ++frame) {
            const std::array<uint32_t, 2> viewport = Pick(rng_, kViewports);
            sGuardedTarget target{int32_t(viewport[0]), int32_t(viewport[1])};
            camera_->SetViewport(viewport[0], viewport[1]);
            scene_.Animate(float(frame) * Uniform(rng_, 0.0f, 20.0f));
            engine_.renderTarget = target.Target();
            camera_->Render();
            ASSERT_TRUE(target.GuardsIntact()) << "scene " << scene << ", frame " << frame << ", viewport "
                                               << viewport[0] << " x " << viewport[1];
        }
    }

private:
    template <typename T>
    T* Node(const std::string& name, T* node) {
        node->name = String(name);
        scene_.hierarchy.AppendTopLevel(node);
        return node;
    }
    sMaterial* AnyMaterial() { return &scene_.materials.At(size_t(Below(rng_, int(scene_.materials.Count())))); }
    cVector Point(float extent) {
        // Braces evaluate left to right, so the same seed gives the same scene
        // with any compiler.
        return cVector{Uniform(rng_, -extent, extent), Uniform(rng_, -extent, extent),
                       Uniform(rng_, -extent, extent)};
    }
    void Place(cSceneObject& node, const cVector& position, const cVector& scale) {
        node.position = position;
        node.scale = scale;
        const float angle = Uniform(rng_, -7, 7);
        const cVector axis = Point(1.0f);
        node.rotation = cQuat::FromAngleAxis(angle, axis.x, axis.y, axis.z);
        node.rotation = node.rotation * (1.0f / node.rotation.Length());
        node.KeepAsRest();
    }

    // A soup of triangles, degenerate ones included, at any scale from tiny
    // to huge, sometimes flat or mirrored on one axis, sometimes skinned to a
    // helper bone.
    void AddMesh() {
        auto* mesh = Node("mesh" + std::to_string(meshes_.size()), new c3dObject);
        const uint16_t vertices = uint16_t(3 + Below(rng_, 30));
        const uint16_t faces = uint16_t(1 + Below(rng_, 40));
        mesh->SetVertexCount(vertices);
        mesh->SetFaceCount(faces);
        for (sVertex& v : mesh->vertices) {
            v.x = Uniform(rng_, -1, 1);
            v.y = Uniform(rng_, -1, 1);
            v.z = Uniform(rng_, -1, 1);
        }
        for (uint16_t f = 0; f < faces; ++f) {
            sPoly& face = mesh->faces[f];
            face.cornerCount = 3;
            face.globalNumber = f;
            for (sCorner& corner : face.corners) {
                corner.vertexIndex = uint32_t(Below(rng_, vertices));
                corner.u = TextureCoordinate(rng_);
                corner.v = TextureCoordinate(rng_);
            }
            face.material = AnyMaterial();
        }
        mesh->LinkFaces();
        mesh->ComputeNormals();

        float s = Magnitude(rng_, 1.0e-3f, 1.0e4f);
        cVector scale(s, s, s);
        switch (Below(rng_, 6)) {
            case 0: scale.y = 0.0f; break;
            case 1: scale.x = -s; break;
            case 2: scale.z = s * Magnitude(rng_, 1.0e-3f, 1.0e3f); break;
            default: break;
        }
        const float far[] = {0.0f, 3.0f, 50.0f, 1.0e4f};
        Place(*mesh, Point(Pick(rng_, far)), scale);

        if (Below(rng_, 4) == 0) {
            auto* bone = Node("bone" + std::to_string(meshes_.size()), new cHelper(kHelperBone));
            Place(*bone, Point(5.0f), cVector(1, 1, 1));
            mesh->bones.assign(vertices, nullptr);
            mesh->boneOffsets.assign(vertices, cVector());
            for (uint16_t i = 0; i < vertices; ++i)
                if (Below(rng_, 2)) {
                    mesh->bones[i] = bone;
                    mesh->boneOffsets[i] = Point(2.0f);
                }
        }
        meshes_.push_back(mesh);
    }

    // A shown flare of any size with a drawable material, sometimes with
    // secondary flares and dynamic lighting of the meshes.
    void AddLight(int index) {
        auto* light = Node("light" + std::to_string(index), new cLight(Magnitude(rng_, 1.0e-3f, 1.0e5f), false));
        Place(*light, Point(Pick(rng_, {2.0f, 30.0f, 1.0e4f})), cVector(1, 1, 1));
        light->flareMaterial = AnyMaterial();
        if (Below(rng_, 2)) {
            // A routine material named after the picture, found before the
            // one the secondary flare adds.
            if (!scene_.materials.FindByName("spark.png"))
                scene_.materials.Add("spark.png", engine_.Textures().Load("spark.png", 0, 0), nullptr, 0, 0,
                                     kMaterialAlwaysDrawn)->routine = RoutineFor(2, 0, 2);
            for (int i = Below(rng_, 4); i >= 0; --i) {
                const cVector along{Uniform(rng_, -2, 3), Uniform(rng_, -2, 3), 0.0f};
                const cVector size{Uniform(rng_, 0, 3), Uniform(rng_, 0, 3), 0.0f};
                light->AddSecondaryFlare("spark.png", along.x, along.y, size.x, size.y, Below(rng_, 2) == 0);
            }
        }
        if (Below(rng_, 2)) {
            light->dynamic = 1;
            light->SetIntensity(Magnitude(rng_, 0.1f, 1.0e3f));
        }
    }

    // A fountain whose sparks are shown, so their quads have a size.
    void AddEmitter() {
        auto* node = Node("fountain", new cHelper);
        Place(*node, Point(10.0f), cVector(1, 1, 1));
        scene_.materials.Add("particle_fountain", engine_.Textures().Load("spark.png", 0, 0), nullptr, 0, 0,
                             kMaterialAlwaysDrawn)->routine = RoutineFor(2, 0, 2);
        sParticleInfo info;
        info.texture = "spark.png";
        info.size = Magnitude(rng_, 1.0e-2f, 1.0e3f);
        info.density = Uniform(rng_, 0.2f, 3.0f);
        info.life = Uniform(rng_, 1.0f, 15.0f);
        info.speed = Point(Pick(rng_, {0.1f, 5.0f, 1.0e3f}));
        info.gravity = Point(1.0f);
        AttachParticleSystem(node, info);
        for (sParticle& p : node->particles->particles) p.light->Hide(false);
    }

    // A camera far away, inside a mesh, touching one of its vertices, or
    // with the meshes behind it; looking anywhere, with any roll, a wide or
    // narrow view and a near distance above or below 1.
    void AddCamera() {
        camera_ = Node("camera", new cCamera);
        auto* target = Node("target", new cHelper);
        c3dObject* mesh = meshes_[size_t(Below(rng_, int(meshes_.size())))];
        cVector at;
        switch (Below(rng_, 4)) {
            case 0: at = Point(Pick(rng_, {20.0f, 1.0e5f})); break;
            case 1: at = mesh->position + Point(0.01f); break;
            case 2: {
                const sVertex& v = mesh->vertices[size_t(Below(rng_, mesh->vertexCount))];
                const cMatrix placement = mesh->rotation.ToMatrix() * cMatrix::Scale(mesh->scale);
                at = placement * cVector(v.x, v.y, v.z) + mesh->position + Point(1.0e-4f);
                break;
            }
            default: at = mesh->position + cVector(0, 0, -Uniform(rng_, 0.5f, 30.0f)); break;
        }
        Place(*camera_, at, cVector(1, 1, 1));
        const bool behind = Below(rng_, 4) == 0;
        cVector look = Below(rng_, 2) ? mesh->position : at + Point(10.0f);
        if (behind) look = at + (at - mesh->position);
        Place(*target, look, cVector(1, 1, 1));
        camera_->fov = Uniform(rng_, 5.0f, 170.0f);
        camera_->roll = Uniform(rng_, -4.0f, 4.0f);
        const float nears[] = {1.0f, 0.01f, 10.0f};
        camera_->nearDistance = Pick(rng_, nears);
        camera_->SetTarget(target);
        scene_.camera = camera_;
    }

    Rng& rng_;
    cEngineSoftware engine_{512, 384, "."};
    cScene scene_{&engine_};
    cCamera* camera_ = nullptr;
    std::vector<c3dObject*> meshes_;
};

TEST(RandomRender, ScenesStayInsideTheirTarget) {
    TempDir dir;
    Rng rng(77);
    RandomScene::WritePictures(dir, rng);
    for (int i = 0; i < 100; ++i) {
        RandomScene scene(rng);
        scene.Build();
        scene.RenderFrames(i);
        if (HasFatalFailure()) return;
    }
}

}  // namespace

// Whole scenes through the program's loader and the camera's Render, checked
// as golden frames: a grid of objects with one material for every entry of
// the routine table, a camera flying through rings and a glass box (faces
// cut by the screen edges and the near plane), a lens flare with a secondary
// flare and a particle fountain, and the 512 x 200 band drawn 92 rows down
// the frame. Scenes, materials and pictures are all made here.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "effects/golden_frame.h"
#include "engine/render/engine.h"
#include "engine/render/polygon_routines.h"
#include "engine/scene/camera.h"
#include "engine/scene/light.h"
#include "engine/scene/material.h"
#include "engine/scene/particles.h"
#include "engine/scene/scene.h"
#include "engine/scene/scene_loader.h"
#include "resources/jpeg_writer.h"
#include "resources/png_writer.h"
#include "scene_writer.h"
#include "support/random.h"
#include "test_util.h"

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr float kTau = 6.2831853f;

// ---- Geometry -------------------------------------------------------------

Vec3 Add(Vec3 a, Vec3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 Scale(Vec3 a, float k) { return {a[0] * k, a[1] * k, a[2] * k}; }
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float Dot(Vec3 a, Vec3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Appends a face wound to face `outward`. The engine's front faces are those
// whose (p2 - p0) x (p1 - p0) points at the viewer (its camera looks down +z
// with y up), which is also the normal the flat shading lights.
void AddFace(sMeshOut& m, std::array<uint16_t, 3> v, std::array<uint16_t, 3> t, Vec3 outward) {
    const Vec3 p0 = m.vertices[v[0]];
    const Vec3 n = Cross(Sub(m.vertices[v[2]], p0), Sub(m.vertices[v[1]], p0));
    if (Dot(n, outward) < 0.0f) {
        std::swap(v[1], v[2]);
        std::swap(t[1], t[2]);
    }
    m.faces.push_back({v[0], v[1], v[2], 0, 0});
    m.textureFaces.push_back(t);
}

// A torus around the z axis: `segments` steps round the ring, `sides` round
// the tube; the texture wraps twice round the ring and once round the tube.
sMeshOut Torus(const std::string& name, uint16_t material, float ring, float tube, int segments, int sides) {
    sMeshOut m;
    m.name = name;
    m.materialNumber = material;
    auto normal = [&](float i, float j) {
        const float a = kTau * i / segments, b = kTau * j / sides;
        return Vec3{std::cos(b) * std::cos(a), std::cos(b) * std::sin(a), std::sin(b)};
    };
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j) {
            const Vec3 n = normal(float(i), float(j));
            const float a = kTau * float(i) / segments;
            m.vertices.push_back(Add({ring * std::cos(a), ring * std::sin(a), 0.0f}, Scale(n, tube)));
        }
    for (int i = 0; i <= segments; ++i)
        for (int j = 0; j <= sides; ++j) m.textureVertices.push_back({2.0f * i / segments, float(j) / sides, 0});
    auto vertex = [&](int i, int j) { return uint16_t((i % segments) * sides + j % sides); };
    auto texel = [&](int i, int j) { return uint16_t(i * (sides + 1) + j); };
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j) {
            const Vec3 out = normal(i + 0.5f, j + 0.5f);
            AddFace(m, {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1)},
                    {texel(i, j), texel(i + 1, j), texel(i + 1, j + 1)}, out);
            AddFace(m, {vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1)},
                    {texel(i, j), texel(i + 1, j + 1), texel(i, j + 1)}, out);
        }
    return m;
}

// A sheet of nu x nv quads from `origin` along `du` and `dv`, facing
// `outward`, the texture repeated once per quad.
sMeshOut Sheet(const std::string& name, uint16_t material, Vec3 origin, Vec3 du, Vec3 dv, int nu, int nv,
               Vec3 outward) {
    sMeshOut m;
    m.name = name;
    m.materialNumber = material;
    for (int i = 0; i <= nu; ++i)
        for (int j = 0; j <= nv; ++j) {
            m.vertices.push_back(Add(origin, Add(Scale(du, float(i)), Scale(dv, float(j)))));
            m.textureVertices.push_back({float(i), float(j), 0});
        }
    auto at = [&](int i, int j) { return uint16_t(i * (nv + 1) + j); };
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            AddFace(m, {at(i, j), at(i + 1, j), at(i + 1, j + 1)}, {at(i, j), at(i + 1, j), at(i + 1, j + 1)},
                    outward);
            AddFace(m, {at(i, j), at(i + 1, j + 1), at(i, j + 1)}, {at(i, j), at(i + 1, j + 1), at(i, j + 1)},
                    outward);
        }
    return m;
}

// A cube of half-size `h` about the origin, four vertices of its own per side
// so that each side keeps a flat normal.
sMeshOut Cube(const std::string& name, uint16_t material, float h) {
    sMeshOut m;
    m.name = name;
    m.materialNumber = material;
    m.textureVertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    for (int axis = 0; axis < 3; ++axis)
        for (float sign : {-1.0f, 1.0f}) {
            Vec3 n{0, 0, 0}, u{0, 0, 0}, v{0, 0, 0};
            n[axis] = sign;
            u[(axis + 1) % 3] = h;
            v[(axis + 2) % 3] = h;
            const Vec3 c = Scale(n, h);
            const uint16_t base = uint16_t(m.vertices.size());
            m.vertices.push_back(Sub(Sub(c, u), v));
            m.vertices.push_back(Sub(Add(c, u), v));
            m.vertices.push_back(Add(Add(c, u), v));
            m.vertices.push_back(Add(Sub(c, u), v));
            AddFace(m, {base, uint16_t(base + 1), uint16_t(base + 2)}, {0, 1, 2}, n);
            AddFace(m, {base, uint16_t(base + 2), uint16_t(base + 3)}, {0, 2, 3}, n);
        }
    return m;
}

void Place(sNodeOut& node, Vec3 position, float angle = 0.0f, Vec3 axis = {0, 0, 1}, Vec3 scale = {1, 1, 1}) {
    node.placement->position = position;
    node.placement->angle = angle;
    node.placement->axis = Scale(axis, 1.0f / std::sqrt(Dot(axis, axis)));
    node.placement->scale = scale;
}

// A spin of `turn` radians about `axis` between frames 0 and `last`, on top
// of the placement's rotation (the first key holds it).
void Spin(sNodeOut& node, uint16_t last, float turn, Vec3 axis) {
    const sPlacementOut& p = *node.placement;
    node.rotation = {{0, p.axis, p.angle, {}},
                     {last, Scale(axis, 1.0f / std::sqrt(Dot(axis, axis))), turn, {}}};
}

// ---- Pictures -------------------------------------------------------------

uint32_t Rgb(float r, float g, float b) {
    auto byte = [](float c) { return uint32_t(std::clamp(c, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

template <typename Fn>
std::vector<uint32_t> Picture(Fn colourAt) {  // colourAt(x, y) with x, y in 0..1
    std::vector<uint32_t> p(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) p[y * 256 + x] = colourAt((x + 0.5f) / 256.0f, (y + 0.5f) / 256.0f);
    return p;
}

// Coloured tiles with dark joints: where a texture lands and how it is
// oriented is easy to read.
std::vector<uint32_t> Tiles() {
    return Picture([](float x, float y) {
        const int cx = int(x * 4), cy = int(y * 4);
        const float fx = x * 4 - cx, fy = y * 4 - cy;
        if (fx < 0.06f || fy < 0.06f) return Rgb(0.1f, 0.1f, 0.12f);
        const float hue = float((cx + 2 * cy) % 6) / 6.0f;
        return Rgb(0.5f + 0.5f * std::cos(kTau * hue), 0.5f + 0.5f * std::cos(kTau * (hue - 0.33f)),
                   0.5f + 0.5f * std::cos(kTau * (hue - 0.67f))) &
               (((cx + cy) & 1) ? 0xFFFFFFu : 0xC0C0C0u);
    });
}

// An environment: a horizon from a dark blue sky to a warm floor with a
// bright spot up and to the left.
std::vector<uint32_t> Sky() {
    return Picture([](float x, float y) {
        const float spot = std::exp(-((x - 0.3f) * (x - 0.3f) + (y - 0.25f) * (y - 0.25f)) * 40.0f);
        const float horizon = y < 0.5f ? y * 2.0f : 1.0f;
        const float r = y < 0.5f ? 0.1f + 0.4f * horizon : 0.6f - 0.4f * (y - 0.5f);
        const float g = y < 0.5f ? 0.2f + 0.4f * horizon : 0.35f - 0.2f * (y - 0.5f);
        const float b = y < 0.5f ? 0.5f + 0.3f * horizon : 0.15f;
        return Rgb(r + spot, g + spot, b + spot);
    });
}

// A dim checker for the backdrop, so blended objects show what is behind.
std::vector<uint32_t> Stone() {
    return Picture([](float x, float y) {
        const bool odd = (int(x * 8) + int(y * 8)) & 1;
        return odd ? Rgb(0.25f, 0.22f, 0.2f) : Rgb(0.08f, 0.1f, 0.16f);
    });
}

// Radial pictures for flares and sparks: black at the border, so that added
// quads leave no edge.
std::vector<uint32_t> Glow(float r, float g, float b, float ringAt) {
    return Picture([=](float x, float y) {
        const float d = std::sqrt((x - 0.5f) * (x - 0.5f) + (y - 0.5f) * (y - 0.5f)) * 2.0f;
        float k = ringAt > 0.0f ? std::exp(-(d - ringAt) * (d - ringAt) * 120.0f) : std::exp(-d * d * 6.0f);
        if (d > 0.98f) k = 0.0f;
        return Rgb(r * k, g * k, b * k);
    });
}

// ---- The fixture ----------------------------------------------------------

class SceneRender : public ::testing::Test {
protected:
    void SetUp() override {
        SetLoaderMaterialNumber(0);
        SeedRandom(1);
        WriteJpeg("tiles.jpg", Tiles());
        WriteJpeg("sky.jpg", Sky());
        WriteJpeg("stone.jpg", Stone());
        WriteJpeg("glow.jpg", Glow(1.0f, 0.85f, 0.5f, 0.0f));
        WriteJpeg("ring.jpg", Glow(0.4f, 0.7f, 1.0f, 0.7f));
        WriteJpeg("spark.jpg", Glow(1.0f, 0.5f, 0.9f, 0.0f));
        // The particle file names these; they are loaded, but the quads draw
        // with the scene's own materials of the same names, found first.
        WritePngFile("flare.png", Glow(1, 1, 1, 0.0f));
        WritePngFile("halo.png", Glow(1, 1, 1, 0.5f));
        WritePngFile("drop.png", Glow(1, 1, 1, 0.0f));
    }

    void WriteJpeg(const std::string& name, const std::vector<uint32_t>& pixels) {
        dir.Write(name, EncodeJpegWords(256, 256, pixels, 95));
    }
    void WritePngFile(const std::string& name, const std::vector<uint32_t>& pixels) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(EncodePng(pixels.data(), 256, 256, 1, &bytes));
        dir.Write(name, bytes);
    }

    void Load(cSceneWriter& writer, const std::vector<sMaterialBlockOut>& blocks, const std::string& ini = "") {
        dir.Write("scene.ooz", writer.Bytes());
        dir.Write("scene.mtl", MaterialFileText(blocks));
        dir.Write("scene.ini", ini);
        ::Load(scene, "scene", true);
        camera = static_cast<cCamera*>(scene.FindNode("cam"));
        ASSERT_NE(camera, nullptr);
        scene.camera = camera;
    }

    // One frame as an effect draws it: animate, then the camera's Render
    // into `target` with the given viewport.
    void Render(float time, uint32_t* target, uint32_t width = kWidth, uint32_t height = kHeight) {
        camera->SetViewport(width, height);
        scene.Animate(time);
        engine.renderTarget = target;
        camera->Render();
    }
    // A whole frame cleared to black first.
    const uint32_t* Frame(float time) {
        std::fill(frame.begin(), frame.end(), 0u);
        Render(time, frame.data());
        return frame.data();
    }

    TempDir dir;  // first: the engine's base path "." is this directory
    cEngineSoftware engine{kWidth, kHeight, "."};
    cScene scene{&engine};
    cCamera* camera = nullptr;
    std::vector<uint32_t> frame = std::vector<uint32_t>(kWidth * kHeight);
};

struct sGolden {
    const char* name;
    float time;
    uint64_t hash;
};

// A camera "cam" at `position` looking at a helper "cam.target" at `target`.
void Camera(cSceneWriter& w, Vec3 position, Vec3 target) {
    sCameraOut cam;
    cam.name = "cam";
    Place(cam, position);
    w.Camera(cam);
    sHelperOut look;
    look.name = "cam.target";
    look.parent = "cam";
    Place(look, target);
    w.Helper(look);
}

// ---- The routine table ----------------------------------------------------

// One material per row of the routine table, with the textures it needs.
struct sRoutineMaterial {
    const char* name;
    const char* mapping;
    const char* shading;
    const char* glenz;
    const char* texture;
    const char* secondMap;
    Vec3 colour;
};
const sRoutineMaterial kRoutineMaterials[] = {
    {"wire", "", "", "", "", "", {1, 1, 1}},
    {"unlit_add", "", "", "d", "", "", {0.2f, 0.35f, 0.6f}},
    {"flat", "", "f", "", "", "", {1.0f, 0.55f, 0.2f}},
    {"flat_half", "", "f", "h", "", "", {0.3f, 1.0f, 0.4f}},
    {"env", "", "e", "", "sky", "", {1, 1, 1}},
    {"env_add", "", "e", "h", "sky", "", {1, 1, 1}},
    {"dual_add", "t", "e", "", "tiles", "sky", {1, 1, 1}},
    {"dual_half", "t", "e", "h", "tiles", "sky", {1, 1, 1}},
    {"dual_mul", "t", "m", "", "tiles", "sky", {1, 1, 1}},
    {"tex", "p", "", "", "tiles", "", {1, 1, 1}},
    {"tex_half", "p", "", "h", "tiles", "", {1, 1, 1}},
    {"tex_add", "p", "", "d", "tiles", "", {1, 1, 1}},
    {"env_half", "p", "e", "d", "sky", "tiles", {1, 1, 1}},
    {"emap", "e", "", "", "sky", "", {1, 1, 1}},
    {"emap_add", "e", "", "d", "sky", "", {1, 1, 1}},
};

// Five columns by three rows of spinning tori and cubes, one per routine,
// in front of a checkered backdrop that reaches past every screen edge.
void RoutineGrid(cSceneWriter& w, std::vector<sMaterialBlockOut>& blocks) {
    w.Scene("routines", 0, 40);
    w.Material({"backdrop", "stone", "", 0.3f, 1, 0, 0});
    blocks.push_back({"backdrop", "p", "", "", Vec3{1, 1, 1}});
    uint16_t number = 2;
    for (const sRoutineMaterial& m : kRoutineMaterials) {
        w.Material({m.name, m.texture, m.secondMap, 0.5f, number++, 0, 0});
        blocks.push_back({m.name, m.mapping, m.shading, m.glenz, m.colour});
    }
    sMeshOut back = Sheet("backdrop", 1, {-10, -7.5f, 4}, {2.5f, 0, 0}, {0, 2.5f, 0}, 8, 6, {0, 0, -1});
    w.Mesh(back);
    for (int k = 0; k < 15; ++k) {
        const uint16_t material = uint16_t(2 + k);
        const std::string name = std::string("obj.") + kRoutineMaterials[k].name;
        sMeshOut m = k % 2 ? Cube(name, material, 0.75f) : Torus(name, material, 0.75f, 0.32f, 18, 8);
        const Vec3 at{(k % 5 - 2) * 2.4f, (1 - k / 5) * 2.3f, 0};
        Place(m, at, 0.5f + 0.15f * k, {1.0f, 0.6f + 0.1f * (k % 3), 0.2f});
        Spin(m, 40, 2.5f, {0.2f, 1.0f, 0.3f * (k % 2)});
        w.Mesh(m);
    }
    Camera(w, {0, 0.6f, -13.5f}, {0, 0, 0});
}

TEST_F(SceneRender, EveryRoutineOfTheTable) {
    cSceneWriter w;
    std::vector<sMaterialBlockOut> blocks;
    RoutineGrid(w, blocks);
    Load(w, blocks);

    // Every routine of the table is drawn by some object here.
    std::set<const sPolygonRoutine*> routines;
    for (size_t i = 0; i < scene.materials.Count(); ++i) {
        ASSERT_NE(scene.materials.At(i).routine, nullptr) << scene.materials.At(i).name.Str();
        routines.insert(scene.materials.At(i).routine);
    }
    EXPECT_EQ(routines.size(), size_t(kPolygonRoutineCount));

    const sGolden goldens[] = {
        {"scene-routines-0", 0.0f, 0x238f031a393606dfull},
        {"scene-routines-25", 25.0f, 0x84458cba468835f3ull},
    };
    for (const sGolden& g : goldens) golden::ExpectFrame(g.name, Frame(g.time), g.hash);
}

// ---- Flying through -------------------------------------------------------

// A camera flying along +z over a tiled floor, through four rings, past
// blocks and a mirror column, into a glass box: faces are cut by the screen
// edges all the time and by the near plane at the rings and in the box.
void FlyThrough(cSceneWriter& w, std::vector<sMaterialBlockOut>& blocks) {
    w.Scene("fly", 0, 100);
    w.Material({"floor", "tiles", "", 0.3f, 1, 0, 0});
    w.Material({"ring", "tiles", "sky", 0.5f, 2, 0, 0});
    w.Material({"block", "", "", 0.3f, 3, 0, 0});
    w.Material({"column", "sky", "", 0.3f, 4, 0, 0});
    w.Material({"glass", "", "", 0.3f, 5, 0, 0});
    blocks = {{"floor", "p", "", "", Vec3{1, 1, 1}},
              {"ring", "t", "e", "", Vec3{1, 1, 1}},
              {"block", "", "f", "", Vec3{0.95f, 0.6f, 0.3f}},
              {"column", "e", "", "", Vec3{1, 1, 1}},
              {"glass", "", "f", "h", Vec3{0.4f, 0.85f, 1.0f}}};

    w.Mesh(Sheet("floor", 1, {-10, -2, -10}, {2.5f, 0, 0}, {0, 0, 2.5f}, 8, 26, {0, 1, 0}));
    for (int i = 0; i < 4; ++i) {
        sMeshOut ring = Torus("ring" + std::to_string(i), 2, 1.6f, 0.3f, 20, 8);
        // The third ring stands aside: the camera flies into its tube.
        Place(ring, {i == 2 ? 1.75f : 0.0f, 0, 10.0f + 10.0f * i}, 0.4f * i, {0, 0, 1});
        w.Mesh(ring);
    }
    const Vec3 blockAt[] = {{1.5f, -1.2f, 14}, {-1.4f, 0.9f, 24}, {0.9f, 1.3f, 33}};
    for (int i = 0; i < 3; ++i) {
        sMeshOut block = Cube("block" + std::to_string(i), 3, 0.55f);
        Place(block, blockAt[i], 0.7f + i, {1, 1, 0.3f});
        Spin(block, 100, 6.0f, {0.3f, 1, 0});
        w.Mesh(block);
    }
    sMeshOut column = Torus("column", 4, 0.6f, 0.35f, 16, 8);
    Place(column, {-2.8f, 0.5f, 20}, 1.5708f, {1, 0, 0}, {1, 1, 5});
    w.Mesh(column);
    sMeshOut glass = Cube("glass", 5, 1.0f);
    Place(glass, {0, 0.2f, 46}, 0.8f, {0, 1, 0});
    w.Mesh(glass);

    sCameraOut cam;
    cam.name = "cam";
    Place(cam, {0, 0, -5});
    cam.position = {{0, {0, 0.0f, -5}, {}}, {50, {0.25f, 0.1f, 21}, {}}, {100, {0, 0.25f, 47}, {}}};
    cam.rollKeys = {{0, 0.0f, {}}, {100, 0.5f, {}}};
    w.Camera(cam);
    sHelperOut look;
    look.name = "cam.target";
    look.parent = "cam";
    Place(look, {0, 0, 5});
    look.position = {{0, {0, 0, 5}, {}}, {50, {0.5f, 0, 31}, {}}, {100, {0, 0.2f, 60}, {}}};
    w.Helper(look);
}

TEST_F(SceneRender, FlyingThroughRingsAndBox) {
    cSceneWriter w;
    std::vector<sMaterialBlockOut> blocks;
    FlyThrough(w, blocks);
    Load(w, blocks);

    const sGolden goldens[] = {
        {"scene-fly-0", 0.0f, 0xdc35aba1be06c61cull},
        {"scene-fly-28", 28.0f, 0x39b45469e159b55full},
        {"scene-fly-65", 65.0f, 0x4aec95f023c420ccull},  // inside the third ring's tube
        {"scene-fly-94", 94.0f, 0x0b919e0829b31639ull},  // the glass box's front edge cut away
    };
    for (const sGolden& g : goldens) {
        golden::ExpectFrame(g.name, Frame(g.time), g.hash);
        // Some faces of the frame were cut by the view volume.
        bool clipped = false;
        for (const sRenderItem& item : scene.renderList) clipped |= item.face->clipped != 0;
        EXPECT_TRUE(clipped) << g.name;
    }
}

// The band effects draw: a 512 x 200 viewport with the render target 92 rows
// down the frame. Rows outside 92..290 keep what was there.
TEST_F(SceneRender, BandLeavesTheRestOfTheFrame) {
    cSceneWriter w;
    std::vector<sMaterialBlockOut> blocks;
    FlyThrough(w, blocks);
    Load(w, blocks);

    constexpr uint32_t kUntouched = 0x00402010u;
    std::fill(frame.begin(), frame.end(), kUntouched);
    Render(65.0f, frame.data() + 92 * kWidth, kWidth, 200);
    for (int y = 0; y < kHeight; ++y) {
        if (y >= 92 && y <= 290) continue;
        for (int x = 0; x < kWidth; ++x) ASSERT_EQ(frame[y * kWidth + x], kUntouched) << x << "," << y;
    }
    golden::ExpectFrame("scene-band-65", frame.data(), 0xfac090d1613790b5ull);
}

// ---- Lights and particles -------------------------------------------------

// A light crossing the sky behind a torus, with a flare and two secondary
// flares, and a fountain of sparks in front.
void FlareScene(cSceneWriter& w, std::vector<sMaterialBlockOut>& blocks, std::string& ini) {
    w.Scene("flare", 0, 60);
    w.Material({"donut", "tiles", "sky", 0.5f, 1, 0, 0});
    // Named like the light, the secondary flare's picture and the emitter's
    // particles, so the material file gives their quads a routine.
    w.Material({"sun", "glow", "", 0.3f, 2, 0, 0});
    w.Material({"halo.png", "ring", "", 0.3f, 3, 0, 0});
    w.Material({"particle_fountain", "spark", "", 0.3f, 4, 0, 0});
    blocks = {{"donut", "t", "m", "", Vec3{1, 1, 1}},
              {"sun", "p", "", "d", Vec3{1, 1, 1}},
              {"halo.png", "p", "", "h", Vec3{1, 1, 1}},
              {"particle_fountain", "p", "", "d", Vec3{1, 1, 1}}};

    sMeshOut donut = Torus("donut", 1, 2.2f, 0.8f, 24, 10);
    Place(donut, {0, 0.5f, 14}, 1.1f, {1, 0.2f, 0});
    Spin(donut, 60, 3.0f, {0, 1, 0.4f});
    w.Mesh(donut);
    sNodeOut sun;
    sun.name = "sun";
    Place(sun, {-12, 7, 40});
    sun.position = {{0, {-12, 7, 40}, {}}, {60, {10, 4, 40}, {}}};
    w.Light(sun);
    sHelperOut fountain;
    fountain.name = "fountain";
    Place(fountain, {1.5f, -2.5f, 7});
    w.Helper(fountain);
    Camera(w, {0, 0, -4}, {0, 0.5f, 10});

    sParticleFileOut file;
    file.lights.push_back({.name = "sun",
                           .file = "flare.png",
                           .secondary = {{"halo.png", 0.6f, 0.6f, 0.8f, 0.8f}, {"halo.png", 1.3f, 1.3f, 0.3f, 0.3f, true}},
                           .size = 4.0f,
                           .noHide = true});
    file.emitters.push_back({.name = "fountain",
                             .file = "drop.png",
                             .size = 0.35f,
                             .density = 1.0f,
                             .life = 30.0f,
                             .speed = Vec3{0.08f, 0.12f, 0.08f},
                             .gravity = Vec3{0, 0.06f, 0}});
    ini = ParticleFileText(file);
}

TEST_F(SceneRender, FlareAndParticles) {
    cSceneWriter w;
    std::vector<sMaterialBlockOut> blocks;
    std::string ini;
    FlareScene(w, blocks, ini);
    Load(w, blocks, ini);

    // The flare grows over the frames it is drawn in, and particles are
    // emitted as time advances, so the frames are drawn one after another.
    auto* sun = static_cast<cLight*>(scene.FindNode("sun"));
    ASSERT_NE(sun, nullptr);
    for (int t = 0; t < 12; ++t) Frame(float(t));
    EXPECT_EQ(sun->currentSize, sun->flareSize);
    // As loaded, particle lights are hidden and their quads have no size.
    golden::ExpectFrame("scene-flare-12", Frame(12.0f), 0xc870fe51669b3b68ull);

    // Shown, as an effect may switch them, the sparks grow and are drawn.
    cParticleSystem& fountain = *scene.FindNode("fountain")->particles;
    ASSERT_EQ(fountain.Count(), 30u);
    for (sParticle& p : fountain.particles) p.light->Hide(false);
    for (int t = 13; t < 40; ++t) Frame(float(t));
    golden::ExpectFrame("scene-flare-40", Frame(40.0f), 0x0593300bad798883ull);
}

}  // namespace

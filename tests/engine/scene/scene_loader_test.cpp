#include <gtest/gtest.h>

#include <cmath>

#include "engine/render/polygon_routines.h"
#include "engine/scene/chunk_trace.h"
#include "engine/scene/light.h"
#include "engine/scene/particles.h"
#include "engine/scene/scene_loader.h"
#include "engine/scene_fixture.h"
#include "resources/library.h"
#include "resources/packer.h"
#include "scene_writer.h"

namespace {

// A unit quad of two faces with material indices 0 and 1.
sMeshOut Quad(const std::string& name, std::optional<uint16_t> materialNumber = 0) {
    sMeshOut m;
    m.name = name;
    m.materialNumber = materialNumber;
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2, 0, 0}, {0, 2, 3, 7, 1}};
    return m;
}

class SceneLoader : public SceneFixture {
protected:
    void SetUp() override { SetLoaderMaterialNumber(0); }

    // Writes base.ooz from the writer, base.mtl with a wireframe block for
    // each named material, and base.ini, then loads.
    void Load(cSceneWriter& writer, const std::vector<std::string>& materials, const std::string& ini = "",
              const char* base = "scene") {
        std::vector<sMaterialBlockOut> blocks;
        for (const std::string& m : materials) blocks.push_back({.name = m});
        dir.Write(std::string(base) + ".ooz", writer.Bytes());
        dir.Write(std::string(base) + ".mtl", MaterialFileText(blocks));
        dir.Write(std::string(base) + ".ini", ini);
        ::Load(scene, base, true);
    }
    // The chunk loader alone, on bytes in memory.
    void LoadBytes(const std::vector<uint8_t>& bytes) { LoadSceneChunks(scene, bytes, "bad.ooz"); }
    c3dObject* MeshNamed(const char* name) { return static_cast<c3dObject*>(scene.FindNode(name)); }
};

TEST_F(SceneLoader, FullSceneLoads) {
    WriteTexture("brick.jpg");
    WriteTexture("chrome.jpg");
    WriteTexture("flare.jpg");
    cSceneWriter w;
    w.Scene("Demo", 0, 9);
    w.Material({"wall", "brick", "", 0.3f, 4, 0, 0});
    w.Material({"shiny", "brick", "chrome", 0.6f, 4, 1, 0x08});
    w.Material({"omni", "", "", 0.3f, 9, 0, 0});
    sHelperOut root;
    root.name = "root";
    root.className = "dummy";
    root.placement->position = {10, 0, 0};
    root.rotation = {{0, {0, 0, 1}, kPi / 2, {}}, {10, {0, 0, 1}, kPi / 2, {}}};
    w.Helper(root);
    sMeshOut box = Quad("box", 4);
    box.parent = "root";
    box.placement->scale = {2, 2, 2};
    box.textureVertices = {{0.25f, 0.75f, 0}, {1, 1, 0}};
    box.textureFaces = {{0, 1, 0}, {1, 1, 1}};
    box.colourVertices = {{1, 0, 0}, {0, 0, 1}};
    box.colourFaces = {{0, 0, 0}, {1, 1, 1}};
    box.position = {{0, {0, 0, 0}, {}}, {10, {0, 10, 0}, {}}};
    w.Mesh(box);
    sNodeOut bone;
    bone.name = "bone01";
    w.Bone(bone);
    sMeshOut skin = Quad("skin", std::nullopt);  // number 4 carries over
    for (int i = 0; i < 4; ++i) skin.boneVertices.push_back({"BONE01", {float(i), 0, 0}});
    w.Mesh(skin);
    sCameraOut cam;
    cam.name = "Camera01";
    cam.fov = 0.7853982f;
    cam.roll = 0.25f;
    cam.placement->position = {0, 0, -10};
    cam.rollKeys = {{0, 0.5f, {}}};
    w.Camera(cam);
    sHelperOut target;
    target.name = "Camera01.Target";
    target.parent = "camera01";
    w.Helper(target);
    sNodeOut light;
    light.name = "omni";
    w.Light(light);
    // 4 mesh faces: one byte per frame; face 1 visible in every frame.
    w.Visibility("CAMERA01", std::vector<std::vector<uint8_t>>(10, {0x02}));

    sParticleFileOut ini;
    ini.fps = 25;
    ini.lights.push_back({.name = "omni", .file = "flare.jpg", .size = 20.0f, .noHide = true});
    ini.emitters.push_back({.name = "root", .file = "flare.jpg", .size = 8.0f, .density = 1.0f, .life = 5.0f});
    dir.Write("scene.mtl", MaterialFileText({{.name = "wall", .mapping = "p"},
                                             {.name = "shiny", .mapping = "t", .shading = "e"},
                                             {.name = "omni", .glenz = "d"}}));
    dir.Write("scene.ini", ParticleFileText(ini));
    dir.Write("scene.ooz", w.Bytes());
    ASSERT_TRUE(::Load(scene, "scene", true));

    EXPECT_EQ(scene.name, "Demo");
    EXPECT_EQ(scene.lastFrame, 9);
    EXPECT_EQ(scene.framesPerSecond, 25);
    // Materials: textures through the texture manager, the second map flags.
    sMaterial* wall = scene.materials.FindByName("wall");
    sMaterial* shiny = scene.materials.FindByName("shiny");
    ASSERT_NE(shiny, nullptr);
    EXPECT_EQ(wall->texture->name, "./brick.jpg");
    EXPECT_EQ(wall->texture, shiny->texture);
    EXPECT_EQ(wall->texture->references, 2u);
    EXPECT_EQ(shiny->secondMap->name, "./chrome.jpg");
    EXPECT_EQ(shiny->secondMap->user[0], 1u);  // a first texture was obtained
    EXPECT_EQ(shiny->flags, 0x08 | kMaterialHasSecondMap | kMaterialTextured);
    EXPECT_EQ(shiny->secondMapAmount, 0.6f);
    EXPECT_EQ(wall->secondMapAmount, 0.3f);
    EXPECT_STREQ(shiny->routine->fillName, "FillDualAdd");

    // Hierarchy: box under root, the target under the camera.
    auto* rootNode = static_cast<cHelper*>(scene.FindNode("root"));
    EXPECT_EQ(rootNode->helperKind, kHelperWithClass);
    EXPECT_EQ(scene.hierarchy.Find(MeshNamed("box"))->parent->object, rootNode);
    EXPECT_EQ(MeshNamed("box")->parentName, "root");
    auto* camera = static_cast<cCamera*>(scene.FindNode("camera01"));
    EXPECT_EQ(camera->target, scene.FindNode("camera01.target"));
    EXPECT_NEAR(camera->fov, 45.0f, 1e-4);
    EXPECT_EQ(camera->roll, 0.25f);
    EXPECT_EQ(static_cast<cHelper*>(scene.FindNode("bone01"))->helperKind, kHelperBone);

    // Mesh: faces, flags, global numbers, sub-materials, texture and colour data.
    c3dObject* boxMesh = MeshNamed("box");
    ASSERT_EQ(boxMesh->faceCount, 2);
    EXPECT_EQ(boxMesh->faces[0].material, wall);
    EXPECT_EQ(boxMesh->faces[1].material, shiny);
    EXPECT_EQ(boxMesh->faces[1].flags, 7u);
    EXPECT_EQ(boxMesh->faces[1].index, 1u);
    EXPECT_EQ(MeshNamed("skin")->faces[1].globalNumber, 3u);
    EXPECT_EQ(MeshNamed("skin")->faces[1].material, shiny);
    EXPECT_EQ(boxMesh->faces[0].corners[0].u, 0.25f);
    EXPECT_EQ(boxMesh->faces[0].corners[0].v, 0.25f);  // 1 - 0.75
    EXPECT_EQ(boxMesh->faces[0].corners[1].v, 0.0f);
    EXPECT_EQ(wall->flags, kMaterialTextured);
    // Vertex 0 is shared: the colour written last (face 1's) stays.
    EXPECT_EQ(boxMesh->transformed[0].b, 1.0f);
    EXPECT_EQ(boxMesh->transformed[1].r, 1.0f);
    EXPECT_EQ(boxMesh->transformed[1].g, 0.0f);
    EXPECT_NEAR(boxMesh->faces[0].normal.z, -1.0f, 1e-6);
    EXPECT_EQ(MeshNamed("skin")->bones[2], scene.FindNode("bone01"));
    EXPECT_EQ(MeshNamed("skin")->boneOffsets[3].x, 3.0f);

    // Rest placement, tracks and visibility through Animate.
    EXPECT_EQ(boxMesh->restScale.x, 2.0f);
    scene.camera = camera;
    scene.Animate(10);
    // Its track's (0, 10, 0) turned 180 degrees about z by root, then moved by root's (10, 0, 0).
    EXPECT_NEAR(boxMesh->position.x, 10.0f, 1e-5);
    EXPECT_NEAR(boxMesh->position.y, -10.0f, 1e-5);
    EXPECT_EQ(camera->roll, 0.5f);
    EXPECT_EQ(boxMesh->faces[1].visible, 1);
    EXPECT_EQ(boxMesh->faces[0].visible, 0);

    // The light and the emitter from the particle file.
    auto* omni = static_cast<cLight*>(scene.FindNode("omni"));
    EXPECT_TRUE(omni->Shown());
    EXPECT_EQ(omni->flareMaterial, scene.materials.FindByName("omni"));
    EXPECT_STREQ(omni->flareMaterial->routine->fillName, "FillFlatAdd");
    ASSERT_NE(rootNode->particles, nullptr);
    EXPECT_EQ(rootNode->particles->Count(), 5u);
}

TEST_F(SceneLoader, SingleChunkRules) {
    // Two names after the scene chunk: the second wins. An unknown chunk of
    // length 10 is skipped with its payload.
    cSceneWriter w;
    w.Chunks().Begin(CHK_SCN);
    w.Chunks().NameChunk(CHK_NAME, "first");
    w.Chunks().NameChunk(CHK_NAME, "second");
    w.Chunks().End();
    w.Chunks().Begin(0x7777);
    w.Chunks().U32(0xFFFFFFFF);
    w.Chunks().End();
    sCameraOut cam;
    cam.name = "cam";
    w.Camera(cam);
    w.Chunks().Bytes()[0] = 0x05;  // the low version byte is ignored
    LoadBytes(w.Bytes());
    EXPECT_EQ(scene.name, "second");
    ASSERT_NE(scene.FindNode("cam"), nullptr);
    EXPECT_EQ(static_cast<cCamera*>(scene.FindNode("cam"))->fov, 45.0f);

    std::vector<uint8_t> old = {0x02, 0x01};
    ExpectFatal([&] { LoadBytes(old); }, "Incorrect file version!");
}

TEST_F(SceneLoader, MaterialNumbersCarryOverAndSubMaterialsWrap) {
    cSceneWriter w;
    for (uint16_t sub = 0; sub < 3; ++sub) w.Material({"m" + std::to_string(sub), "", "", 0.3f, 6, sub, 0});
    w.Material({"other", "", "", 0.3f, 2, 0, 0});
    sMeshOut a = Quad("a", 6);
    a.faces[1].material = 5;  // 5 mod 3
    w.Mesh(a);
    w.Mesh(Quad("b", std::nullopt));
    Load(w, {"m0", "m1", "m2", "other"});
    EXPECT_EQ(MeshNamed("a")->faces[1].material->name, "m2");
    EXPECT_EQ(MeshNamed("b")->faces[0].material->name, "m0");

    // The number also carries into the next load.
    cScene second(&engine);
    cSceneWriter w2;
    w2.Material({"next", "", "", 0.3f, 6, 0, 0});
    w2.Mesh(Quad("c", std::nullopt));
    dir.Write("two.ooz", w2.Bytes());
    dir.Write("two.mtl", "");
    ::Load(second, "two", false);
    EXPECT_EQ(static_cast<c3dObject*>(second.FindNode("c"))->faces[0].material->name, "next");
    EXPECT_EQ(static_cast<c3dObject*>(second.FindNode("c"))->faces[0].globalNumber, 0u);  // counted per load
}

TEST_F(SceneLoader, VisibilityBitmapSizes) {
    cSceneWriter w;
    w.Scene("s", 0, 9);
    w.Material({"m", "", "", 0.3f, 0, 0, 0});
    sMeshOut big;
    big.name = "big";
    big.materialNumber = 0;
    big.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    big.faces.assign(20, {0, 1, 2, 0, 0});
    w.Mesh(big);
    sCameraOut cam;
    cam.name = "cam";
    w.Camera(cam);
    std::vector<std::vector<uint8_t>> bitmaps(10, {0, 0, 0});  // 20 faces: 20/8 + 1 = 3 bytes
    bitmaps[9][2] = 0x08;                                    // face 19 in the last frame
    w.Visibility("cam", bitmaps);
    Load(w, {"m"});
    auto* cam3 = static_cast<cCamera*>(scene.FindNode("cam"));
    ASSERT_NE(cam3->visibility, nullptr);
    EXPECT_EQ(cam3->visibility->frames, 10u);
    EXPECT_EQ(cam3->visibility->bytesPerFrame, 3u);
    EXPECT_TRUE(cam3->visibility->Bit(9, 19));
    EXPECT_FALSE(cam3->visibility->Bit(8, 19));
}

TEST_F(SceneLoader, TraceListsChunksAndSingleValues) {
    cSceneWriter w;
    w.Scene("s", 1, 2);
    w.Chunks().Begin(0x0ABC);
    w.Chunks().End();
    sCameraOut cam;
    cam.name = "c";
    cam.fov = 0.5f;
    w.Camera(cam);
    SetChunkTrace(true);
    testing::internal::CaptureStdout();
    LoadBytes(w.Bytes());
    std::string out = testing::internal::GetCapturedStdout();
    SetChunkTrace(false);
    EXPECT_EQ(out,
              "Found chunk: CHK_SCN\nFound chunk: CHK_NAME\nS: s\nFound chunk: CHK_SCN_FRAMES\nW: 1\nW: 2\n"
              "Unknown chunk: 0xABC\n"
              "Found chunk: CHK_CAM\nFound chunk: CHK_NAME\nS: c\nFound chunk: CHK_MATRIX\n"
              "Found chunk: CHK_CAM_FOV\nF: 0.500000\n");
}

TEST_F(SceneLoader, MalformedFilesFailNamingFileAndChunk) {
    auto withMesh = [](auto&& body) {
        cSceneWriter w;
        w.Material({"m", "", "", 0.3f, 0, 0, 0});
        body(w);
        return w.Bytes();
    };
    auto raw = [](std::vector<uint8_t> chunkBytes) {
        std::vector<uint8_t> file{0, 2};
        for (uint8_t b : chunkBytes) file.push_back(b);
        return file;
    };
    struct Case {
        std::vector<uint8_t> file;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({raw({0x02, 0x00, 0x0A, 0, 0, 0, 1, 2, 3, 4}), "CHK_MATRIX at offset 2: there is no node"});
    cases.push_back({raw({0x99, 0x00, 0x03, 0, 0, 0}), "chunk 0x99 at offset 2: length 3 is below"});
    cases.push_back({raw({0x01, 0x00, 0x20, 0, 0, 0, 1}), "CHK_NAME at offset 2: its 32 bytes run past the end of its file"});
    cases.push_back({raw({0x01, 0x00, 0x08, 0, 0, 0, 5, 'a'}), "CHK_NAME at offset 2: a name needs 5 bytes"});
    cases.push_back({raw({0x01, 0x00}), "chunk header at offset 2 runs past the end of its file"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sHelperOut h;
                         h.name = "h";
                         w.Helper(h);
                         w.Chunks().WordChunk(CHK_OBJ_NUMVERTEX, 3);
                     }),
                     "CHK_OBJ_NUMVERTEX at offset"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sHelperOut h;
                         h.name = "h";
                         h.parent = "nobody";
                         w.Helper(h);
                     }),
                     "CHK_PARENT at offset 130: parent nobody of node h not found"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sHelperOut h;
                         h.name = "h";
                         h.parent = "H";
                         w.Helper(h);
                     }),
                     "node h cannot be placed under itself"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sMeshOut m = Quad("q");
                         m.faces[1].c = 4;
                         w.Mesh(m);
                     }),
                     "face 1 of mesh q uses vertex 4 of 4"});
    cases.push_back({withMesh([](cSceneWriter& w) { w.Mesh(Quad("q", 3)); }),
                     "face 0 of mesh q: no material with number 3 and sub-material 0"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sMeshOut m = Quad("q");
                         m.textureVertices = {{0, 0, 0}};
                         m.textureFaces = {{0, 0, 1}};
                         w.Mesh(m);
                     }),
                     "texture face 0 of mesh q uses texture vertex 1 of 1"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sMeshOut m = Quad("q");
                         m.colourVertices = {{0, 0, 0}};
                         m.colourFaces = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
                         w.Mesh(m);
                     }),
                     "3 colour faces for the 2 faces of mesh q"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sMeshOut m = Quad("q");
                         m.boneVertices.assign(4, {"ghost", {}});
                         w.Mesh(m);
                     }),
                     "bone ghost of vertex 0 of mesh q not found"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         w.Mesh(Quad("q"));
                         w.Chunks().WordChunk(CHK_OBJ_NUMVERTEX, 2);
                         w.Chunks().Begin(CHK_OBJ_VERTEXLIST);
                         for (int i = 0; i < 6; ++i) w.Chunks().F32(0);
                         w.Chunks().End();
                     }),
                     "vertex list of mesh q comes after its face list"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sHelperOut h;
                         h.name = "h";
                         w.Helper(h);
                         w.Chunks().WordChunk(CHK_OBJ_NUMFACES, 1);
                     }),
                     "node h is not a mesh"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         w.Scene("s", 0, 1);
                         w.Mesh(Quad("q"));
                         w.Visibility("q", {{0}, {0}});
                     }),
                     "CHK_VIS at offset"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         w.Scene("s", 0, 1);
                         sCameraOut c;
                         c.name = "c";
                         w.Camera(c);
                         w.Visibility("c", {{0}});
                     }),
                     "the visibility bitmaps needs 2 bytes, the chunk has 1 left"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sMeshOut m = Quad("q");
                         m.position = {{0, {0, 0, 0}, {}}};
                         w.Mesh(m);
                         std::vector<uint8_t>& b = w.Chunks().Bytes();
                         // Claim three position keys where one is stored.
                         b[b.size() - 2 - 34] = 3;
                     }),
                     "the keys needs 102 bytes, the chunk has 34 left"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sHelperOut h;
                         h.name = "h";
                         h.placement.reset();
                         w.Helper(h);
                         w.Chunks().Begin(CHK_MATRIX);
                         for (int i = 0; i < 18; ++i) w.Chunks().F32(1);
                         w.Chunks().End();
                     }),
                     "a placement needs 76 bytes, the chunk has 72 left"});
    cases.push_back({withMesh([](cSceneWriter& w) {
                         sCameraOut c;
                         c.name = "c";
                         w.Camera(c);
                         w.Chunks().Begin(CHK_HLP_CLASS);
                         w.Chunks().Name("x");
                         w.Chunks().End();
                     }),
                     "node c is not a helper"});
    for (const Case& c : cases) {
        cScene fresh(&engine);
        try {
            LoadSceneChunks(fresh, c.file, "bad.ooz");
            ADD_FAILURE() << "loaded: " << c.message;
        } catch (const FatalCalled& e) {
            std::string message = e.what();
            EXPECT_EQ(message.rfind("bad.ooz: CHK", 0) == 0 || message.rfind("bad.ooz: chunk", 0) == 0, true)
                << message;
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        }
    }
}

TEST_F(SceneLoader, ACameraChunkOnANonCameraAndAChildOutsideItsContainerAreRefused) {
    cSceneWriter w;
    w.Chunks().Begin(CHK_OBJ);
    w.Chunks().FloatChunk(CHK_CAM_FOV, 1.0f);
    w.Chunks().End();
    ExpectFatal([&] { LoadBytes(w.Bytes()); }, "CHK_CAM_FOV at offset 8: node  is not a camera");

    std::vector<uint8_t> file{0, 2, 0x00, 0x20, 12, 0, 0, 0, 0x01, 0x00, 8, 0, 0, 0, 1, 'a'};
    ExpectFatal([&] { LoadBytes(file); }, "CHK_NAME at offset 8: its 8 bytes run past the end of its container");
}

TEST_F(SceneLoader, TexturesComeFromTheLibrary) {
    std::vector<uint32_t> pixels(16 * 16, 0x00FF0000);
    std::vector<sPackEntry> entries{{"Brick.jpg", EncodeJpegWords(16, 16, pixels, 95)}};
    std::string error;
    ASSERT_TRUE(WriteLibrary("drift", entries, &error)) << error;
    OpenLibrary("drift", 0);
    cSceneWriter w;
    w.Material({"wall", "brick", "", 0.3f, 0, 0, 0});
    LoadBytes(w.Bytes());
    CloseLibrary();
    sTexture* t = scene.materials.FindByName("wall")->texture;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 16);
    EXPECT_EQ(t->texels.size(), kTextureTexels);  // padded to the addressable 256 x 256
    EXPECT_GT(t->texels[0] >> 16 & 0xFF, 0xF0u);
    EXPECT_EQ(t->texels[kTextureTexels - 1], 0u);
}

TEST_F(SceneLoader, TexturesAreSharedAndReleasedWithTheScene) {
    WriteTexture("brick.jpg");
    cTexturesSoftware& textures = engine.Textures();
    {
        cScene a(&engine);
        cSceneWriter w;
        w.Material({"wall", "brick", "brick", 0.3f, 0, 0, 0});
        LoadSceneChunks(a, w.Bytes(), "a.ooz");
        ASSERT_EQ(textures.Count(), 1u);
        EXPECT_EQ(textures.FindByName("./brick.jpg")->references, 2u);
        engine.ReleaseTextures();
        EXPECT_EQ(textures.FindByName("./brick.jpg")->references, 1u);
        ++textures.FindByName("./brick.jpg")->references;
    }
    EXPECT_EQ(textures.Count(), 0u);
}

// Every truncation and many single-bit flips of a valid file either load or
// fail through FatalError; none may crash, hang or read out of bounds (the
// sanitizer build checks the last).
TEST_F(SceneLoader, DamagedFilesLoadOrFailCleanly) {
    WriteTexture("brick.jpg");
    cSceneWriter w;
    w.Scene("s", 0, 3);
    w.Material({"m", "brick", "", 0.3f, 0, 0, 0});
    w.Material({"n", "", "", 0.3f, 0, 1, 0});
    sHelperOut root;
    root.name = "root";
    root.rotation = {{0, {0, 1, 0}, 1, {}}, {5, {1, 0, 0}, 1, {}}};
    w.Helper(root);
    sMeshOut q = Quad("q");
    q.parent = "root";
    q.textureVertices = {{0, 0, 0}, {1, 1, 0}};
    q.textureFaces = {{0, 1, 1}, {1, 0, 0}};
    q.colourVertices = {{1, 1, 1}};
    q.colourFaces = {{0, 0, 0}};
    q.boneVertices.assign(4, {"root", {1, 2, 3}});
    q.position = {{0, {1, 2, 3}, {}}, {4, {3, 2, 1}, {}}};
    w.Mesh(q);
    sCameraOut cam;
    cam.name = "cam";
    cam.fov = 1.0f;
    cam.rollKeys = {{0, 1, {}}, {3, 2, {}}};
    w.Camera(cam);
    w.Visibility("cam", std::vector<std::vector<uint8_t>>(4, {0x01}));
    const std::vector<uint8_t> good = w.Bytes();
    LoadBytes(good);  // the original loads

    int loaded = 0, refused = 0;
    auto attempt = [&](const std::vector<uint8_t>& bytes) {
        cScene s(&engine);
        try {
            LoadSceneChunks(s, bytes, "fuzz.ooz");
            cCamera* c = static_cast<cCamera*>(s.FindNode("cam"));
            if (c && c->kind == kNodeCamera) s.camera = c;
            s.Animate(2.5f);
            ++loaded;
        } catch (const FatalCalled&) {
            ++refused;
        }
    };
    for (size_t n = 0; n < good.size(); ++n) attempt(std::vector<uint8_t>(good.begin(), good.begin() + n));
    uint32_t state = 12345;
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> bytes = good;
        for (int flips = 0; flips < 1 + i % 3; ++flips) {
            state = state * 1103515245u + 12345u;
            size_t at = (state >> 8) % bytes.size();
            bytes[at] ^= static_cast<uint8_t>(1u << ((state >> 4) & 7));
        }
        attempt(bytes);
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 100);
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "engine/render/guarded_target.h"
#include "engine/render/pipeline.h"
#include "engine/render/polygon_routines.h"
#include "engine/scene_fixture.h"

namespace {

using Triangle = std::array<cVector, 3>;

// A camera at the origin looking down +z, so world and camera coordinates
// agree: x right, y up, z away. Scale 618.04 at 512 x 384 and 45 degrees.
class Pipeline : public SceneFixture {
protected:
    Pipeline() {
        camera = Add<cCamera>("camera");
        cHelper* target = Add<cHelper>("target");
        target->position = cVector(0, 0, 10);
        camera->SetViewport(512, 384);
        camera->SetTarget(target);
    }

    // A flat-lit material of one colour (0..1 channels).
    sMaterial* Flat(const char* name, float r, float g, float b, uint16_t flags = 0) {
        sMaterial* m = scene.materials.Add(name, nullptr, nullptr, 0, 0, flags);
        m->routine = RoutineFor(0, 1, 0);
        m->red = r;
        m->green = g;
        m->blue = b;
        return m;
    }

    // Corners a, a - y, a + x: on screen down then right, which faces the
    // camera (its camera normal points back along -z).
    static Triangle Facing(float x, float y, float z, float size) {
        return {cVector(x, y, z), cVector(x, y - size, z), cVector(x + size, y, z)};
    }
    static Triangle Reversed(const Triangle& t) { return {t[0], t[2], t[1]}; }

    void Render() {
        engine.renderTarget = frame.Target();
        camera->Render();
    }

    cCamera* camera;
    sGuardedTarget frame{512, 384};
};

TEST_F(Pipeline, BackFaceRules) {
    struct sCase {
        const char* what;
        Triangle triangle;
        uint16_t flags;
        bool kept;
    };
    const sCase cases[] = {
        {"facing", Facing(-1, 1, 5, 2), 0, true},
        {"turned away", Reversed(Facing(-1, 1, 5, 2)), 0, false},
        {"turned away, two-sided", Reversed(Facing(-1, 1, 5, 2)), kMaterialTwoSided, true},
        {"turned away, always drawn", Reversed(Facing(-1, 1, 5, 2)), kMaterialAlwaysDrawn, true},
        {"turned away, no cull", Reversed(Facing(-1, 1, 5, 2)), kMaterialNoCull, true},
        // Only the depth 1.0 counts, not the near distance (0.1 here).
        {"all nearer than 1", Facing(-0.1f, 0.1f, 0.5f, 0.2f), 0, false},
        {"all nearer than 1, two-sided", Facing(-0.1f, 0.1f, 0.5f, 0.2f), kMaterialTwoSided, true},
        {"partly nearer than 1, turned away",
         {cVector(-0.1f, 0.0f, 0.5f), cVector(1, 0, 5), cVector(0, -1, 5)}, 0, true},
        {"zero area", {cVector(0, 0, 5), cVector(1, 1, 5), cVector(2, 2, 5)}, 0, false},
        {"zero area, two-sided", {cVector(0, 0, 5), cVector(1, 1, 5), cVector(2, 2, 5)}, kMaterialTwoSided, true},
    };
    camera->nearDistance = 0.1f;
    camera->UpdateProjection();
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.what);
        sMaterial* m = Flat(c.what, 1, 1, 1, c.flags);
        c3dObject* mesh = AddTriangles(c.what, {c.triangle}, m);
        Render();
        EXPECT_EQ(scene.renderList.size(), c.kept ? 1u : 0u);
        scene.hierarchy.Remove(mesh);
        delete mesh;
    }
}

TEST_F(Pipeline, UnclippedFacesKeyDepthAndLitColour) {
    // Facing the camera squarely: camera normal (0, 0, -1), full intensity.
    sMaterial* orange = Flat("orange", 1.0f, 0.5f, 0.0f);
    AddTriangles("square", {Facing(-1, 1, 5, 2)}, orange);
    AddTriangles("slanted", {{cVector(0.5f, -0.5f, 4.0f), cVector(0.5f, -1, 5.5f), cVector(1, -0.5f, 5.0f)}}, orange);
    Render();
    ASSERT_EQ(scene.renderList.size(), 2u);
    EXPECT_EQ(scene.renderList[0].key, 4u);  // trunc(14.5 / 3)
    EXPECT_EQ(scene.renderList[1].key, 5u);
    EXPECT_EQ(scene.renderList[0].face->clipped, 0);
    EXPECT_FLOAT_EQ(scene.maxDepth, 5.5f);
    EXPECT_EQ(frame.At(200, 150), 0xFF7F00u);  // 255 x 0.5 truncates to 127
    EXPECT_TRUE(frame.GuardsIntact());
}

TEST_F(Pipeline, TriangleCrossingTopAndNearBecomesAFanOfThree) {
    // A is inside, B above the top plane, C nearer than the near plane. The
    // top plane cuts B off (A, C, CB, BA), then the near plane cuts C off
    // and leaves five corners. (Wound to face the camera, so it is lit.)
    const cVector a(-1, 0, 5), b(0, 3, 8), c(0, 0, 0.5f);
    sMaterial* m = Flat("white", 1, 1, 1);
    c3dObject* mesh = AddTriangles("cut", {{a, c, b}}, m);
    Render();
    ASSERT_EQ(scene.renderList.size(), 1u);
    const sPoly& face = mesh->faces[0];
    EXPECT_EQ(face.clipped, 1);
    ASSERT_EQ(face.clipCount, 5);
    // A is passed through unchanged as the first corner.
    EXPECT_EQ(face.clipCorners[0].transformed->x, a.x);
    EXPECT_EQ(face.clipCorners[0].transformed->z, a.z);
    float sum = 0.0f;
    for (int i = 0; i < face.clipCount; ++i) {
        const sVertex& v = *face.clipCorners[i].transformed;
        for (int p = kPlaneTop; p <= kPlaneNear; ++p) {
            float d = 0;
            EXPECT_EQ(camera->planes[p].Classify(cVector(v.x, v.y, v.z), &d), kPlaneFront) << i << " " << p << " " << d;
        }
        EXPECT_GE(v.screenY, 0.0f);  // the narrowed planes keep corners on screen
        sum += v.z / 5.0f;
    }
    EXPECT_EQ(scene.renderList[0].key, static_cast<uint32_t>(sum));
    // The fan reaches the top edge: corners made by clipping lie a hair
    // below y = 0, so the first covered row is row 1.
    EXPECT_TRUE(std::any_of(frame.Target() + 512, frame.Target() + 1024, [](uint32_t p) { return p != 0; }));
    EXPECT_TRUE(frame.GuardsIntact());
}

TEST_F(Pipeline, FaceBehindTheCameraIsKeptWithNoCorners) {
    sMaterial* m = Flat("white", 1, 1, 1, kMaterialTwoSided);
    c3dObject* mesh = AddTriangles("behind", {Facing(-1, 1, -5, 2)}, m);
    Render();
    ASSERT_EQ(scene.renderList.size(), 1u);
    EXPECT_EQ(scene.renderList[0].key, 0u);
    EXPECT_EQ(mesh->faces[0].clipCount, 0);
    EXPECT_TRUE(std::all_of(frame.Target(), frame.Target() + 512 * 384, [](uint32_t p) { return p == 0; }));
}

TEST_F(Pipeline, EqualKeysDrawInReverseGatheringOrder) {
    // Two coincident faces per material and two materials: everything has
    // key 5. Gathering order is red 0, red 1, green 0, green 1; drawing runs
    // backwards, so the first-gathered face ends on top.
    sMaterial* red = Flat("red", 1, 0, 0);
    sMaterial* green = Flat("green", 0, 1, 0);
    c3dObject* redMesh = AddTriangles("red", {Facing(-1, 1, 5, 2), Facing(-1, 1, 5, 2)}, red);
    AddTriangles("green", {Facing(-1, 1, 5, 2)}, green);
    Render();
    ASSERT_EQ(scene.renderList.size(), 3u);
    EXPECT_EQ(scene.renderList[0].face, &redMesh->faces[0]);
    EXPECT_EQ(scene.renderList[1].face, &redMesh->faces[1]);
    EXPECT_EQ(frame.At(200, 150), 0xFF0000u);

    // A nearer green face wins whatever the order.
    AddTriangles("nearer", {Facing(-1, 1, 4, 2)}, green);
    Render();
    EXPECT_EQ(frame.At(200, 150), 0x00FF00u);
}

TEST_F(Pipeline, BandViewportDrawsIntoItsRows) {
    // A 512 x 200 band 92 rows down the frame: a face larger than the view
    // fills rows 93 to 290. The band's last row (291) is never drawn, and
    // its first (92) only by a corner a hair above the band, which clipping
    // does not make: its corners land just inside.
    camera->SetViewport(512, 200);
    sMaterial* m = Flat("white", 1, 1, 1);
    AddTriangles("wall", {Facing(-50, 50, 5, 200)}, m);
    engine.renderTarget = frame.Target() + 92 * 512;
    camera->Render();
    EXPECT_EQ(g_targetHeight, 200);
    for (int y = 0; y < 384; ++y) {
        bool inside = y >= 93 && y <= 290;
        int lit = static_cast<int>(std::count_if(frame.Target() + y * 512, frame.Target() + (y + 1) * 512,
                                                 [](uint32_t p) { return p != 0; }));
        ASSERT_EQ(lit > 0, inside) << "row " << y;
    }
    EXPECT_TRUE(frame.GuardsIntact());
}

TEST_F(Pipeline, ClippedFacesNeedACornerInTheFixedScreenBox) {
    // At 640 x 480 a face clipped by the right edge whose corners all lie at
    // x >= 512 and y >= 200 is skipped; a face kept whole there is drawn.
    sGuardedTarget large(640, 480);
    engine.renderTarget = large.Target();
    camera->SetViewport(640, 480);
    sMaterial* m = Flat("white", 1, 1, 1);
    c3dObject* clipped = AddTriangles("edge", {Facing(2.5f, -0.5f, 5, 1.0f)}, m);
    camera->Render();
    ASSERT_EQ(clipped->faces[0].clipped, 1);
    auto lit = [&] { return std::count(large.Target(), large.Target() + 640 * 480, 0xFFFFFFu); };
    EXPECT_EQ(lit(), 0);
    scene.hierarchy.Remove(clipped);
    delete clipped;

    AddTriangles("whole", {Facing(1.0f, -0.5f, 5, 0.5f)}, m);
    camera->Render();
    EXPECT_GT(lit(), 0);
    EXPECT_TRUE(large.GuardsIntact());
}

TEST(RenderListSort, RadixSortIsAStableSortByKey) {
    std::mt19937 random(7);
    std::vector<sPoly> faces(20000);
    std::vector<sRenderItem> items(faces.size());
    for (size_t i = 0; i < items.size(); ++i) {
        // Few distinct keys spread over all four bytes: many equal keys.
        uint32_t k = random() % 64;
        items[i] = {k * 0x01030507u, &faces[i], nullptr};
    }
    std::vector<sRenderItem> expected = items;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const sRenderItem& a, const sRenderItem& b) { return a.key < b.key; });
    std::vector<sRenderItem> scratch(items.size());
    SortRenderList(items.data(), items.size(), scratch.data());
    for (size_t i = 0; i < items.size(); ++i) {
        ASSERT_EQ(items[i].key, expected[i].key) << i;
        ASSERT_EQ(items[i].face, expected[i].face) << i;
    }
    SortRenderList(nullptr, 0, nullptr);  // an empty list is fine
}

}  // namespace

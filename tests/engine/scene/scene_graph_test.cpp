#include <gtest/gtest.h>

#include <cmath>

#include "engine/scene/hierarchy.h"
#include "engine/scene_fixture.h"

namespace {

using SceneGraph = SceneFixture;

TEST_F(SceneGraph, FindNodeIgnoresCaseAndPrefersShallowMatchesLaterInAList) {
    // top: [p1 [q [target#g], Target#c], p2 [TARGET#d], CAMERA01]
    auto* p1 = Add<cHelper>("p1");
    auto* q = Add<cHelper>("q", EntryOf(p1));
    auto* g = Add<cHelper>("target", EntryOf(q));
    auto* c = Add<cHelper>("Target", EntryOf(p1));
    auto* p2 = Add<cHelper>("p2");
    auto* d = Add<cHelper>("TARGET", EntryOf(p2));
    auto* cam = Add<cCamera>("camera01");
    (void)g;
    EXPECT_EQ(scene.FindNode("CAMERA01"), cam);
    EXPECT_EQ(scene.FindNode("Camera01"), cam);
    EXPECT_EQ(scene.FindNode("P2"), p2);
    EXPECT_EQ(scene.FindNode("nothing"), nullptr);
    // In p1's children, the direct match c beats g found under q; at the
    // top level there is no direct match, and d (found after c) is kept.
    EXPECT_EQ(scene.FindNode("target"), d);
    scene.hierarchy.Remove(p2);
    EXPECT_EQ(scene.FindNode("target"), c);
    delete p2;
    delete d;
    // A direct match at the top level wins over any deeper one.
    auto* top = Add<cHelper>("TaRgEt");
    EXPECT_EQ(scene.FindNode("target"), top);
}

TEST_F(SceneGraph, HierarchyMaintenance) {
    auto* a = Add<cHelper>("a");
    auto* b = Add<cHelper>("b");
    auto* child = Add<cHelper>("child", EntryOf(a));
    EXPECT_EQ(child->scene, &scene);
    EXPECT_EQ(scene.hierarchy.LastInserted()->object, child);

    testing::internal::CaptureStdout();
    cHelper loose;
    EXPECT_EQ(scene.hierarchy.InsertChild(nullptr, &loose), nullptr);
    scene.hierarchy.Remove(&loose);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Could not add child because there is no parent!\nCould not find node!\n");

    // Removing the first top-level entry keeps a valid list; its subtree
    // leaves with it (the nodes are the caller's then).
    scene.hierarchy.Remove(a);
    ASSERT_NE(scene.hierarchy.First(), nullptr);
    EXPECT_EQ(scene.hierarchy.First()->object, b);
    EXPECT_EQ(scene.hierarchy.Find(child), nullptr);
    delete a;
    delete child;

    // Moving keeps the moved node's children.
    auto* c = Add<cHelper>("c");
    auto* cc = Add<cHelper>("cc", EntryOf(c));
    scene.hierarchy.MoveUnder(EntryOf(c), EntryOf(b));
    EXPECT_EQ(EntryOf(cc)->parent->object, c);
    EXPECT_EQ(EntryOf(c)->parent->object, b);
    EXPECT_EQ(scene.hierarchy.First()->next, nullptr);
    std::vector<std::string> order;
    scene.hierarchy.ForEach([&](sHierarchyEntry& e) { order.push_back(e.object->name.Str()); });
    EXPECT_EQ(order, (std::vector<std::string>{"b", "c", "cc"}));
}

TEST_F(SceneGraph, AnimateComposesChildrenButNotUnderCameras) {
    auto* helper = Add<cHelper>("helper");
    helper->restPosition = cVector(10, 0, 0);
    helper->restRotation = cQuat::FromAngleAxis(kPi / 2, 0, 0, 1);
    helper->restScale = cVector(2, 2, 2);
    auto* child = Add<cHelper>("child", EntryOf(helper));
    child->restPosition = cVector(1, 0, 0);
    auto* cam = Add<cCamera>("cam");
    cam->restPosition = cVector(0, 0, -5);
    auto* target = Add<cHelper>("target", EntryOf(cam));
    target->restPosition = cVector(3, 4, 5);
    auto* unplaced = Add<cHelper>("unplaced");
    unplaced->restScale = cVector();
    unplaced->matrix = cMatrix(9, 9, 9, 9, 9, 9, 9, 9, 9);
    unplaced->restMatrix = unplaced->matrix;

    scene.Animate(0);
    // Child: parent matrix (rotate 90 about z, scale 2) times (1, 0, 0) plus (10, 0, 0).
    EXPECT_NEAR(child->position.x, 10, 1e-5);
    EXPECT_NEAR(child->position.y, 2, 1e-5);
    EXPECT_NEAR(child->matrix.m[1][0], 2, 1e-5);
    // The camera's child keeps its own placement.
    EXPECT_EQ(target->position.x, 3);
    EXPECT_EQ(target->position.z, 5);
    // The rest matrix is always rebuilt from rotation and scale, so a node
    // never given a scale ends with a zero matrix.
    for (auto& row : unplaced->matrix.m)
        for (float v : row) EXPECT_EQ(v, 0.0f);

    // Tracks replace the rest values; the roll track drives the camera roll.
    helper->positionTrack = std::make_unique<cPositionTrack>();
    helper->positionTrack->AddKey(0, cVector(0, 0, 0), {});
    helper->positionTrack->AddKey(10, cVector(0, 20, 0), {});
    helper->positionTrack->Setup();
    cam->rollTrack = std::make_unique<cPositionTrack>();
    cam->rollTrack->AddKey(0, cVector(0.5f, 0.5f, 0.5f), {});
    cam->rollTrack->Setup();
    scene.Animate(5);
    EXPECT_NEAR(helper->position.y, 10, 1e-5);
    EXPECT_NEAR(child->position.y, 12, 1e-5);
    EXPECT_EQ(cam->roll, 0.5f);
}

TEST_F(SceneGraph, CameraViewAndProjection) {
    auto* cam = Add<cCamera>("cam");
    EXPECT_EQ(cam->viewportWidth, 640u);
    cam->matrix = cMatrix(2, 0, 0, 0, 2, 0, 0, 0, 2);
    cam->SetViewport(512, 384);
    EXPECT_EQ(cam->aspect, 0.75f);
    EXPECT_EQ(cam->matrix.m[0][0], 2.0f);  // no target: nothing updated
    EXPECT_EQ(cam->scaleX, 0.0f);

    auto* target = Add<cHelper>("target");
    cam->position = cVector(1, 1, 1);
    target->position = cVector(11, 1, 1);
    cam->SetTarget(target);
    // Row 2 points at the target; rows are the camera axes in world space.
    EXPECT_NEAR(cam->matrix.m[2][0], 1, 1e-6);
    EXPECT_NEAR(cam->matrix.m[2][2], 0, 1e-6);
    EXPECT_NEAR(cam->matrix.m[0][2], -1, 1e-6);
    EXPECT_NEAR(cam->matrix.m[1][1], 1, 1e-6);
    float t = std::tan(22.5f * kPi / 180);
    EXPECT_NEAR(cam->scaleX, 256 / t, 1e-2);
    EXPECT_NEAR(cam->scaleY, cam->scaleX, 1e-2);
    EXPECT_EQ(cam->planes[kPlaneNear].nz, 1.0f);
    EXPECT_EQ(cam->planes[kPlaneNear].d, 1.0f);
    // A point on the view volume's edge is inside the narrowed planes.
    float a1 = std::atan2(256.0f, cam->scaleX) - 0.0001f;
    EXPECT_NEAR(cam->planes[kPlaneRight].nx, -std::cos(a1), 1e-6);

    // Looking up the z axis with a quarter turn of roll.
    target->position = cVector(1, 1, 30);
    cam->roll = kPi / 2;
    cam->UpdateView();
    EXPECT_NEAR(cam->matrix.m[0][1], 1, 1e-6);
    EXPECT_NEAR(cam->matrix.m[1][0], -1, 1e-6);
    EXPECT_NEAR(cam->matrix.m[2][2], 1, 1e-6);
    // Straight above: the horizontal distance is 0 and the view stays finite.
    target->position = cVector(1, 50, 1);
    cam->UpdateView();
    EXPECT_NEAR(cam->matrix.m[2][1], 1, 1e-6);
}

TEST_F(SceneGraph, VisibilityBitmapsClampToTheFrameRange) {
    sMaterial* plain = scene.materials.Add("plain", nullptr, nullptr, 0, 0, 0);
    sMaterial* always = scene.materials.Add("always", nullptr, nullptr, 0, 1, kMaterialAlwaysDrawn);
    c3dObject* mesh = AddMesh("mesh", 10, 0, plain);
    mesh->faces[9].material = always;
    mesh->faces[8].globalNumber = 40;  // beyond the bitmaps
    auto* cam = Add<cCamera>("cam");
    scene.camera = cam;
    scene.firstFrame = 0;
    scene.lastFrame = 12;
    cam->visibility = std::make_unique<sVisibility>();
    sVisibility& vis = *cam->visibility;
    vis.frames = 13;
    vis.bytesPerFrame = 2;
    vis.bits.assign(26, 0);
    // Face f is visible in frame f only; frame 12 shows face 1 (byte 1, bit 0 is face 8).
    for (uint32_t f = 0; f < 8; ++f) vis.bits[f * 2] = static_cast<uint8_t>(1u << f);
    vis.bits[12 * 2] = 0x02;
    vis.bits[12 * 2 + 1] = 0xFF;

    auto visibleFaces = [&] {
        std::string s;
        for (const sPoly& face : mesh->faces) s += face.visible ? '1' : '0';
        return s;
    };
    scene.Animate(3.5f);  // bitmaps 3 and 4
    EXPECT_EQ(visibleFaces(), "0001100001");
    scene.Animate(12.7f);  // both clamp to bitmap 12
    EXPECT_EQ(visibleFaces(), "0100000001");
    scene.Animate(-4.0f);  // before the first frame: bitmap 0
    EXPECT_EQ(visibleFaces(), "1000000001");
    scene.lastFrame = 40;  // a frame range beyond the bitmaps stays in them
    scene.Animate(30.0f);
    EXPECT_EQ(visibleFaces(), "0100000001");
}

TEST_F(SceneGraph, ADeletedSceneLeavesTheEngine) {
    auto* other = new cScene(&engine);
    engine.AddScene(other);
    engine.currentScene = other;
    ASSERT_EQ(engine.scenes.size(), 2u);
    delete other;
    EXPECT_EQ(engine.scenes, std::vector<cScene*>{&scene});
    EXPECT_EQ(engine.currentScene, nullptr);
}

TEST_F(SceneGraph, SetupCountsAndNeedsACamera) {
    sMaterial* m = scene.materials.Add("m", nullptr, nullptr, 0, 0, 0);
    AddMesh("mesh", 4, 0, m);
    m->faces.Announce(3);
    testing::internal::CaptureStdout();
    scene.Setup();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "cScene::Setup: No camera\n");
    EXPECT_EQ(m->faces.capacity, 3u);
    scene.camera = Add<cCamera>("cam");
    scene.maxDepth = 9;
    scene.Setup();
    EXPECT_EQ(m->faces.capacity, 0u);
    EXPECT_EQ(scene.vertexTotal, 12u);
    EXPECT_EQ(scene.faceTotal, 4u);
    EXPECT_EQ(scene.maxDepth, 0.0f);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>

#include "engine/scene/light.h"
#include "engine/scene/particle_file.h"
#include "engine/scene/particles.h"
#include "engine/scene_fixture.h"
#include "support/random.h"

namespace {

// A camera at the origin looking down +z with a 512 x 384 viewport, and a
// light 10 units in front of it.
class Lights : public SceneFixture {
protected:
    void SetUp() override {
        WriteTexture("flare.jpg");
        WriteTexture("ring.jpg");
        camera = Add<cCamera>("cam");
        auto* target = Add<cHelper>("target", EntryOf(camera));
        target->position = cVector(0, 0, 100);
        camera->SetTarget(target);
        camera->SetViewport(512, 384);
        scene.camera = camera;
        light = Add<cLight>("omni", nullptr, 16.0f, true);
        light->position = cVector(0, 0, 10);
    }
    std::vector<sRenderItem> Collected(sMaterial* m) {
        m->faces.Allocate();
        light->Collect();
        return m->faces.items;
    }
    cCamera* camera = nullptr;
    cLight* light = nullptr;
};

TEST_F(Lights, FlareGrowsShrinksAndProjects) {
    EXPECT_FALSE(light->Shown());
    EXPECT_EQ(light->quad.face.flags, kFlareFaceFlags | kHiddenFaceFlag);
    // Without a flare texture nothing is computed.
    light->Transform(camera);
    EXPECT_EQ(light->screenX, 0.0f);

    light->SetFlareTexture("flare.jpg");
    ASSERT_NE(light->flareMaterial, nullptr);
    EXPECT_EQ(light->flareMaterial->name, "omni");
    EXPECT_EQ(light->flareMaterial->flags, kMaterialAlwaysDrawn);
    EXPECT_EQ(light->flareMaterial->number, 0xFFFF);
    light->flareSize = 40.0f;
    light->Hide(false);
    EXPECT_EQ(light->quad.face.flags, kFlareFaceFlags);
    float sizes[] = {2, 20, 40, 40};
    for (float s : sizes) {
        light->Transform(camera);
        EXPECT_EQ(light->currentSize, s);
    }
    EXPECT_EQ(light->screenX, 256.0f);
    EXPECT_EQ(light->screenY, 192.0f);
    EXPECT_EQ(light->centre.z, 10.0f);
    EXPECT_NEAR(light->halfSize, 40.0f * camera->scaleX / 10.0f, 1e-3);
    EXPECT_EQ(light->flareMaterial->faces.capacity, 4u);  // one per Transform
    light->Hide(true);
    for (float s : {10.0f, 2.5f, 0.625f, 0.0f}) {
        light->Transform(camera);
        EXPECT_EQ(light->currentSize, s);
    }
}

TEST_F(Lights, QuadsAreClampedToTheViewport) {
    light->SetFlareTexture("flare.jpg");
    light->Hide(false);
    light->Transform(camera);
    // Centre at x = 10 with half-size 20: the left corners start at -10.
    light->screenX = 10.0f;
    light->halfSize = 20.0f;
    light->brightness = 0.5f;
    auto items = Collected(light->flareMaterial);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].key, 1u);
    EXPECT_EQ(items[0].owner, light);
    const sPoly& face = *items[0].face;
    EXPECT_EQ(face.cornerCount, 4);
    EXPECT_EQ(face.corners[0].transformed->screenX, 0.0f);
    EXPECT_EQ(face.corners[0].u, 0.25f);  // 10 x 1/40
    EXPECT_EQ(face.corners[3].u, 0.25f);
    EXPECT_EQ(face.corners[1].transformed->screenX, 30.0f);
    EXPECT_EQ(face.corners[1].u, 1.0f);
    EXPECT_EQ(face.corners[2].transformed->screenY, 212.0f);
    EXPECT_EQ(face.corners[2].transformed->r, 0.5f);
    EXPECT_EQ(face.corners[2].transformed->z, 1.0f);

    // Past the right and bottom edges.
    light->screenX = 510.0f;
    light->screenY = 380.0f;
    items = Collected(light->flareMaterial);
    EXPECT_EQ(items[0].face->corners[2].transformed->screenX, 512.0f);
    EXPECT_FLOAT_EQ(items[0].face->corners[2].u, 1.0f - 18.0f / 40.0f);
    EXPECT_FLOAT_EQ(items[0].face->corners[2].v, 1.0f - 16.0f / 40.0f);

    // Behind the camera or nearer than 1: nothing.
    light->position = cVector(0, 0, 0.5f);
    light->Transform(camera);
    EXPECT_TRUE(Collected(light->flareMaterial).empty());
}

TEST_F(Lights, SecondaryFlaresAlongTheMirrorLine) {
    light->SetFlareTexture("flare.jpg");
    light->Hide(false);
    for (int i = 0; i < 49; ++i) light->AddSecondaryFlare("ring.jpg", 0.5f, 1.0f, 1.0f, 0.5f, i == 0);
    EXPECT_EQ(light->flareCount, kMaxSecondaryFlares);
    sMaterial* ring = scene.materials.FindByName("RING.JPG");
    ASSERT_NE(ring, nullptr);
    ASSERT_NE(ring->texture, nullptr);
    EXPECT_EQ(ring->texture->references, 48u);
    light->Transform(camera);
    EXPECT_EQ(ring->faces.capacity, 48u);
    light->screenX = 100.0f;
    light->screenY = 100.0f;
    light->mirrorX = 412.0f;
    light->mirrorY = 284.0f;
    light->halfSize = 8.0f;
    light->flareMaterial->faces.Allocate();
    ring->faces.Allocate();
    light->Collect();
    ASSERT_EQ(ring->faces.Count(), 48u);
    // The no-scale flare: half-sizes 64 x (1, 0.5) around (256, 284).
    const sPoly& noScale = *ring->faces.items[0].face;
    EXPECT_EQ(noScale.corners[0].transformed->screenX, 256.0f - 64.0f);
    EXPECT_EQ(noScale.corners[0].transformed->screenY, 284.0f - 32.0f);
    const sPoly& scaled = *ring->faces.items[1].face;
    EXPECT_EQ(scaled.corners[0].transformed->screenX, 256.0f - 8.0f);
    // Below a half-size of 1 every secondary flare shrinks to a point.
    light->halfSize = 0.5f;
    ring->faces.Allocate();
    light->Collect();
    EXPECT_EQ(ring->faces.items[0].face->corners[0].transformed->screenX, 256.0f);
}

TEST_F(Lights, DynamicLightingByApproximateDistance) {
    sMaterial* m = scene.materials.Add("m", nullptr, nullptr, 0, 0, 0);
    c3dObject* mesh = AddMesh("mesh", 2, 0, m);
    // The renderer leaves camera coordinates in the transformed vertices.
    for (size_t i = 0; i < 6; ++i) mesh->transformed[i].x = mesh->transformed[i].y = mesh->transformed[i].z = 0;
    mesh->transformed[0].z = 12.0f;  // distance 2 from the light: q = 4, L = 2
    mesh->transformed[3].z = 70.0f;  // beyond the reach: 0
    mesh->faces[1].visible = 0;
    mesh->transformed[4].r = 0.25f;
    light->SetFlareTexture("flare.jpg");
    light->dynamic = 1;
    light->red = 1.0f;
    light->green = 0.5f;
    light->blue = 0.0f;
    light->Transform(camera);
    EXPECT_FLOAT_EQ(mesh->transformed[0].r, 1.0f - 2.0f / 50.0f);
    EXPECT_FLOAT_EQ(mesh->transformed[0].g, 0.5f * (1.0f - 2.0f / 50.0f));
    EXPECT_EQ(mesh->transformed[0].b, 0.0f);
    EXPECT_EQ(mesh->transformed[4].r, 0.25f);  // invisible face: untouched
    // Adding, with a reach of 10: beyond it f is 0, not negative.
    mesh->faces[1].visible = 1;
    light->replace = 0;
    light->SetIntensity(10.0f);
    light->Transform(camera);
    EXPECT_FLOAT_EQ(mesh->transformed[0].r, 1.0f - 2.0f / 50.0f + 1.0f - 2.0f / 10.0f);
    EXPECT_EQ(mesh->transformed[3].r, 1.0f);
    EXPECT_EQ(mesh->transformed[4].r, 0.25f);
}

TEST_F(Lights, ParticleSystemsEmitMoveAndFade) {
    EXPECT_EQ(ParticleCount(2, 150), 300u);
    EXPECT_EQ(ParticleCount(0.5f, 3), 1u);
    EXPECT_EQ(ParticleCount(-2, 150), 0u);
    auto* emitter = Add<cHelper>("fountain");
    emitter->position = cVector(5, 0, 0);
    sParticleInfo info;
    info.density = 2.0f;
    info.life = 4.0f;
    info.speed = cVector(1, 2, 3);
    info.gravity = cVector(0, -1, 0);
    AttachParticleSystem(emitter, info);
    cParticleSystem& ps = *emitter->particles;
    ASSERT_EQ(ps.Count(), 8u);
    sMaterial* material = scene.materials.FindByName("particle_fountain");
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(ps.particles[0].light->flareMaterial, material);
    EXPECT_FALSE(ps.particles[0].light->Shown());

    SeedRandom(1);
    scene.Animate(2.0f);  // emissions at 0, 0.5, 1 and 1.5
    int alive = 0;
    for (const sParticle& p : ps.particles) alive += p.alive;
    EXPECT_EQ(alive, 4);
    EXPECT_EQ(ps.nextSlot, 4u);
    EXPECT_EQ(ps.nextEmission, 2.0f);
    const sParticle& first = ps.particles[0];
    EXPECT_EQ(first.start.x, 5.0f);  // where the emitter was
    EXPECT_EQ(first.birth, 2.0f);
    EXPECT_LE(std::fabs(first.velocity.z), 3.0f);
    // The same sequence as the generator gives.
    SeedRandom(1);
    float k = static_cast<float>(2.0 * RandomInt() * 3.051850947599719e-05 - 1.0);
    EXPECT_EQ(first.velocity.x, k * 1.0f);

    emitter->restPosition = cVector(0, 0, 0);  // the emitter moves after the update
    ps.time = 4.0f;
    ps.Transform(camera);
    const cLight& l = *first.light;
    EXPECT_FLOAT_EQ(l.position.y, first.velocity.y * 2.0f - 2.0f);
    EXPECT_FLOAT_EQ(l.brightness, 0.5f);
    ps.time = 7.0f;
    ps.Transform(camera);
    EXPECT_EQ(first.alive, 0);  // faded out, transformed once more
    EXPECT_EQ(first.light->brightness, 0.0f);

    // A jump far ahead keeps the ring full without emitting every step.
    scene.Animate(1e5f);
    alive = 0;
    for (const sParticle& p : ps.particles) alive += p.alive;
    EXPECT_EQ(alive, 8);
    EXPECT_EQ(ps.nextEmission, 1e5f);
    // Where the interval no longer changes a float the update still ends.
    scene.Animate(1e9f);
}

TEST_F(Lights, ParticleFile) {
    auto* emitter = Add<cHelper>("Dummy01");
    Add<cHelper>("notalight");
    WriteTexture("spark.jpg");
    dir.Write("scene.ini",
              "FPS 29.9\nfog 0.5\nambient 0.1 0.2 0.3\n"
              "light {\n name OMNI\n filename flare.jpg\n secondary ring.jpg 0.5 0.25 1 2 noscale\n"
              " secondary ring.jpg 1 1 1 1\n size 40\n nohide\n dynamic\n intensity 80\n color 1 0.8 0.6\n}\n"
              "light {\n name notalight\n nohide\n}\n"
              "emitter {\n name dummy01\n filename spark.jpg\n size 8\n density 0.5\n life 3\n"
              " speed 1 2 3\n gravity 0 -1 0\n}\n"
              "emitter {\n name nobody\n}\n"
              "unknown 5\n");
    ReadParticleFile(scene, "scene");
    EXPECT_EQ(scene.framesPerSecond, 29);
    EXPECT_EQ(scene.fog, 0.5f);
    EXPECT_EQ(scene.ambient[2], 0.3f);
    EXPECT_TRUE(light->Shown());
    EXPECT_EQ(light->flareSize, 40.0f);
    EXPECT_EQ(light->dynamic, 1);
    EXPECT_EQ(light->reciprocalIntensity, 1.0f / 80.0f);
    EXPECT_EQ(light->green, 0.8f);
    ASSERT_EQ(light->flareCount, 2);
    EXPECT_EQ((*light->flares)[0].noScale, 1);
    EXPECT_EQ((*light->flares)[0].positionY, 0.25f);
    EXPECT_EQ((*light->flares)[0].sizeY, 2.0f);
    EXPECT_EQ((*light->flares)[1].noScale, 0);
    ASSERT_NE(emitter->particles, nullptr);
    EXPECT_EQ(emitter->particles->Count(), 1u);
    EXPECT_EQ(emitter->particles->interval, 2.0f);
    EXPECT_EQ(emitter->particles->info.texture, "spark.jpg");
    EXPECT_NE(scene.materials.FindByName("particle_dummy01"), nullptr);

    // A file of only "fps 25" changes nothing else.
    cScene other(&engine);
    dir.Write("fps.ini", "fps 25\n");
    ReadParticleFile(other, "fps");
    EXPECT_EQ(other.framesPerSecond, 25);
    EXPECT_EQ(other.fog, 0.0f);
    EXPECT_EQ(other.ambient[0], 0.2f);

    // A section the file ends inside still counts; absurd emitters are refused.
    dir.Write("open.ini", "emitter {\nname dummy01\ndensity 4");
    ReadParticleFile(other, "open");
    EXPECT_EQ(other.FindNode("dummy01"), nullptr);  // other scene: no such node
    ReadParticleFile(scene, "open");
    EXPECT_EQ(emitter->particles->Count(), 600u);
    dir.Write("huge.ini", "emitter {\nname dummy01\ndensity 100000\nlife 100000\n}\n");
    ExpectFatal([&] { ReadParticleFile(scene, "huge"); }, "huge.ini: emitter Dummy01");
}

}  // namespace

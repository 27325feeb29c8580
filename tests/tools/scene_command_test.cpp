#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "resources/jpeg_writer.h"
#include "scene_writer.h"
#include "test_util.h"

namespace {

sCommandResult RunTool(const std::string& args) { return RunCommand(std::string(DRIFT_TOOL_PATH) + " " + args); }
std::string Stderr() { return ReadFileText("stderr.txt"); }




TEST(DriftToolScene, ReportsEveryKindOfNodeAndMaterial) {
    TempDir dir;
    std::filesystem::create_directory("data");
    std::vector<uint32_t> pixels(8 * 8, 0x336699);
    dir.Write("data/brick.jpg", EncodeJpegWords(8, 8, pixels, 90));
    dir.Write("data/env.jpg", EncodeJpegWords(8, 8, pixels, 90));
    dir.Write("data/flare.jpg", EncodeJpegWords(8, 8, pixels, 90));

    cSceneWriter w;
    w.Scene("Hall", 2, 4);
    w.Material({"wall", "brick", "", 0.3f, 1, 0, 0});
    w.Material({"glass", "brick", "env", 0.5f, 1, 1, 0x01});
    w.Material({"sun", "", "", 0.3f, 7, 0, 0});
    sHelperOut pivot;
    pivot.name = "Pivot";
    pivot.rotation = {{0, {0, 1, 0}, 0, {}}, {4, {0, 1, 0}, 1, {}}};
    w.Helper(pivot);
    sMeshOut box;
    box.name = "Box";
    box.parent = "pivot";
    box.materialNumber = 1;
    box.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    box.faces = {{0, 1, 2, 0, 0}, {0, 2, 1, 0, 1}};
    box.textureVertices = {{0, 0, 0}};
    box.textureFaces = {{0, 0, 0}};
    box.position = {{2, {0, 0, 0}, {}}, {4, {1, 1, 1}, {}}};
    w.Mesh(box);
    sNodeOut bone;
    bone.name = "Bone01";
    bone.parent = "Pivot";
    w.Bone(bone);
    sCameraOut cam;
    cam.name = "Camera01";
    cam.fov = 0.7853982f;
    cam.roll = 0.5f;
    w.Camera(cam);
    sHelperOut target;
    target.name = "Camera01.Target";
    target.parent = "Camera01";
    w.Helper(target);
    sNodeOut sun;
    sun.name = "Sun";
    w.Light(sun);
    w.Visibility("camera01", {{0x03}, {0x01}, {0x02}});
    ASSERT_TRUE(w.Save("data/hall.ooz", nullptr));
    dir.Write("data/hall.mtl", MaterialFileText({{.name = "WALL", .mapping = "p", .colour = Vec3{1, 0.5f, 0.2f}},
                                                 {.name = "glass", .mapping = "t", .shading = "e", .glenz = "h"}}));
    sParticleFileOut ini;
    ini.fps = 25;
    ini.fog = 0.75f;
    ini.ambient = Vec3{0.1f, 0.2f, 0.3f};
    ini.lights.push_back({.name = "sun", .file = "flare.jpg", .noHide = true});
    ini.emitters.push_back({.name = "pivot", .file = "flare.jpg", .density = 1, .life = 10});
    dir.Write("data/hall.ini", ParticleFileText(ini));

    sCommandResult r = RunTool("scene hall --data data");
    ASSERT_EQ(r.status, 0) << Stderr();
    nlohmann::json expected = nlohmann::json::parse(R"({
      "name": "Hall", "first_frame": 2, "last_frame": 4, "fps": 25, "fog": 0.75, "ambient": [0.1, 0.2, 0.3],
      "nodes": [
        {"name": "Pivot", "kind": "helper", "parent": null, "vertices": 0, "faces": 0},
        {"name": "Box", "kind": "mesh", "parent": "Pivot", "vertices": 3, "faces": 2},
        {"name": "Bone01", "kind": "bone", "parent": "Pivot", "vertices": 0, "faces": 0},
        {"name": "Camera01", "kind": "camera", "parent": null, "vertices": 0, "faces": 0, "fov": 45, "roll": 0.5},
        {"name": "Camera01.Target", "kind": "helper", "parent": "Camera01", "vertices": 0, "faces": 0},
        {"name": "Sun", "kind": "light", "parent": null, "vertices": 0, "faces": 0}
      ],
      "materials": [
        {"name": "wall", "number": 1, "sub": 0, "flags": 16, "routine": "FillPerspective",
         "red": 1, "green": 0.5, "blue": 0.2, "texture": "./brick.jpg", "second_map": null},
        {"name": "glass", "number": 1, "sub": 1, "flags": 35, "routine": "FillDualAddHalf",
         "red": 0, "green": 0, "blue": 0, "texture": "./brick.jpg", "second_map": "./env.jpg"},
        {"name": "sun", "number": 7, "sub": 0, "flags": 0, "routine": null,
         "red": 0, "green": 0, "blue": 0, "texture": null, "second_map": null},
        {"name": "Sun", "number": 65535, "sub": 65535, "flags": 1, "routine": null,
         "red": 0, "green": 0, "blue": 0, "texture": "./flare.jpg", "second_map": null},
        {"name": "particle_Pivot", "number": 65535, "sub": 65535, "flags": 1, "routine": null,
         "red": 0, "green": 0, "blue": 0, "texture": "./flare.jpg", "second_map": null}
      ]
    })");
    nlohmann::json actual = nlohmann::json::parse(r.out);
    // The degree conversion in floats lands within rounding of 45.
    EXPECT_NEAR(actual["nodes"][3]["fov"].get<double>(), 45.0, 1e-4);
    actual["nodes"][3]["fov"] = 45;
    EXPECT_EQ(actual, expected) << actual.dump(2);
}

TEST(DriftToolScene, FatalErrorsGoToStandardError) {
    TempDir dir;
    cSceneWriter w;
    sHelperOut h;
    h.name = "h";
    h.parent = "nowhere";
    w.Helper(h);
    ASSERT_TRUE(w.Save("bad.ooz", nullptr));
    sCommandResult r = RunTool("scene bad");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Stderr(), "bad.ooz: CHK_PARENT at offset 110: parent nowhere of node h not found\n");
    EXPECT_EQ(RunTool("scene missing").status, 1);
    EXPECT_EQ(Stderr(), "File not found: missing.ooz\n");
    EXPECT_EQ(RunTool("scene").status, 2);
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "resources/jpeg_writer.h"
#include "resources/picture.h"
#include "scene_writer.h"
#include "test_util.h"

namespace {

sCommandResult RunTool(const std::string& args) { return RunCommand(std::string(DRIFT_TOOL_PATH) + " " + args); }
std::string Stderr() { return ReadFileText("stderr.txt"); }

constexpr uint32_t kQuadColour = 0xFF7F3F;  // flat lit, facing the camera: 255 x (1, 0.5, 0.25)
constexpr uint32_t kTileColour = 0x3366CC;

uint32_t Pixel(const sPicture& p, int x, int y) { return p.pixels[static_cast<size_t>(y) * p.width + x]; }

// Each channel within `tolerance` (the texture went through JPEG).
bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255);
        if (d < -tolerance || d > tolerance) return false;
    }
    return true;
}

// data/stage.*: camera "Cam" at z = -10 looking at its target at the
// origin; a flat-lit 2 x 2 quad at the origin that slides to x = 3 between
// frames 0 and 10; a textured 1 x 1 tile at x = -3 (its texture resolves
// inside the data directory).
std::vector<uint8_t> WriteStage(const TempDir& dir) {
    std::filesystem::create_directory("data");
    dir.Write("data/tile.jpg", EncodeJpegWords(256, 256, std::vector<uint32_t>(256 * 256, kTileColour), 95));

    cSceneWriter w;
    w.Scene("Stage", 0, 10);
    w.Material({"flat", "", "", 0.3f, 1, 0, 0});
    w.Material({"tile", "tile", "", 0.3f, 2, 0, 0});
    sMeshOut quad;
    quad.name = "Quad";
    quad.materialNumber = 1;
    quad.vertices = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    quad.faces = {{0, 1, 2, 0, 0}, {0, 2, 3, 0, 0}};
    quad.position = {{0, {0, 0, 0}, {}}, {10, {3, 0, 0}, {}}};
    w.Mesh(quad);
    sMeshOut tile;
    tile.name = "Tile";
    tile.materialNumber = 2;
    tile.placement->position = {-3, 0, 0};
    tile.vertices = {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, 0.5f, 0}};
    tile.faces = {{0, 1, 2, 0, 0}, {0, 2, 3, 0, 0}};
    tile.textureVertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    tile.textureFaces = {{0, 1, 2}, {0, 2, 3}};
    w.Mesh(tile);
    sCameraOut cam;
    cam.name = "Cam";
    cam.placement->position = {0, 0, -10};
    w.Camera(cam);
    sHelperOut target;
    target.name = "Cam.Target";
    target.parent = "Cam";
    w.Helper(target);
    EXPECT_TRUE(w.Save("data/stage.ooz", nullptr));
    dir.Write("data/stage.mtl", MaterialFileText({{.name = "flat", .shading = "f", .colour = Vec3{1, 0.5f, 0.25f}},
                                                 {.name = "tile", .mapping = "p"}}));
    dir.Write("data/stage.ini", ParticleFileText({}));
    return w.Bytes();
}

TEST(DriftToolRender, DrawsTheSceneThroughTheCameraAtTheFrame) {
    TempDir dir;
    WriteStage(dir);

    // The output path is relative to where the tool starts, not to --data.
    sCommandResult r = RunTool("render stage --data data --camera CAM --frame 0 --out front.png");
    ASSERT_EQ(r.status, 0) << Stderr();
    EXPECT_EQ(Stderr(), "");
    sPicture front = LoadPicture("front.png");
    ASSERT_EQ(front.width, 512);
    ASSERT_EQ(front.height, 384);
    EXPECT_EQ(Pixel(front, 256, 192), kQuadColour);
    // The tile is 1 unit wide at 10 units: about 62 pixels, centred 185 pixels left of the centre.
    EXPECT_TRUE(Near(Pixel(front, 256 - 185, 192), kTileColour, 3)) << std::hex << Pixel(front, 71, 192);
    for (auto [x, y] : {std::pair{0, 0}, {511, 0}, {0, 383}, {511, 383}, {256, 100}, {330, 192}})
        EXPECT_EQ(Pixel(front, x, y), 0u) << x << "," << y;

    // At frame 10 the quad has slid 3 units right, out of the centre; the
    // bigger viewport scales it with its width (772 pixels per unit at distance 1).
    r = RunTool("render stage --data data --camera Cam --frame 10 --size 640x480 --out data/slid.png");
    ASSERT_EQ(r.status, 0) << Stderr();
    sPicture slid = LoadPicture("data/slid.png");
    ASSERT_EQ(slid.width, 640);
    ASSERT_EQ(slid.height, 480);
    EXPECT_EQ(Pixel(slid, 320, 240), 0u);
    EXPECT_EQ(Pixel(slid, 320 + 232, 240), kQuadColour);
    EXPECT_EQ(Pixel(slid, 320 + 232, 240 - 90), 0u);
    EXPECT_EQ(Pixel(slid, 0, 0), 0u);

    // The smallest and the widest sizes allowed.
    for (auto [size, width, height] : {std::tuple{"1x1", 1, 1}, {"4096x2", 4096, 2}}) {
        r = RunTool(std::string("render stage --data data --camera Cam --frame 5 --out edge.png --size ") + size);
        ASSERT_EQ(r.status, 0) << size << ": " << Stderr();
        sPicture edge = LoadPicture("edge.png");
        EXPECT_EQ(edge.width, width);
        EXPECT_EQ(edge.height, height);
    }
}

TEST(DriftToolRender, FailuresWriteNoPicture) {
    TempDir dir;
    std::vector<uint8_t> stage = WriteStage(dir);
    stage.resize(stage.size() - 5);  // the last chunk loses its tail
    dir.Write("data/broken.ooz", stage);

    struct {
        const char* args;
        int status;
        const char* message;  // how standard error begins, for status 1
    } const cases[] = {
        {"stage --data data --camera Nobody --frame 0", 1, "Camera \"Nobody\" not found in stage\n"},
        {"stage --data data --camera quad --frame 0", 1, "\"quad\" in stage is not a camera\n"},
        {"missing --camera Cam --frame 0", 1, "File not found: missing.ooz\n"},
        {"broken --data data --camera Cam --frame 0", 1, "broken.ooz: CHK_HLP at offset "},
        {"stage --data nowhere --camera Cam --frame 0", 1, "drift-tool: cannot enter nowhere\n"},
        {"stage --data data --frame 0", 2, nullptr},
        {"stage --data data --camera Cam", 2, nullptr},
        {"--data data --camera Cam --frame 0", 2, nullptr},
        {"stage --data data --camera Cam --frame 1.5x", 2, nullptr},
        {"stage --data data --camera Cam --frame nan", 2, nullptr},
        {"stage --data data --camera Cam --frame 0 --size 0x384", 2, nullptr},
        {"stage --data data --camera Cam --frame 0 --size 4097x384", 2, nullptr},
        {"stage --data data --camera Cam --frame 0 --size 640", 2, nullptr},
        {"stage --data data --camera Cam --frame 0 --size 640x", 2, nullptr},
        {"stage --data data --camera Cam --frame 0 --size 640x480x2", 2, nullptr},
        {"stage --data data --camera Cam --frame 0 --size -640x480", 2, nullptr},
    };
    for (const auto& c : cases) {
        sCommandResult r = RunTool(std::string("render ") + c.args + " --out shot.png");
        EXPECT_EQ(r.status, c.status) << c.args << ": " << Stderr();
        if (c.message) EXPECT_EQ(Stderr().rfind(c.message, 0), 0u) << c.args << ": " << Stderr();
        EXPECT_FALSE(std::filesystem::exists("shot.png")) << c.args;
    }
    // Without --out.
    EXPECT_EQ(RunTool("render stage --data data --camera Cam --frame 0").status, 2);
}

}  // namespace

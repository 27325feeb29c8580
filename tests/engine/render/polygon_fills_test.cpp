#include <gtest/gtest.h>

#include <vector>

#include "engine/render/lines.h"
#include "engine/render/mesh.h"
#include "engine/render/polygon_routines.h"
#include "engine/render/rasterizer_pixels.h"
#include "engine/render/render_item.h"
#include "engine/render/render_state.h"
#include "engine/render/textures.h"
#include "engine/scene/material.h"

namespace {

// One triangle (2, 2), (20, 2), (2, 20) at depth 1: corner coordinates 0.5
// (texel 127.5) and environment coordinates 0.1 (texel 25.5) everywhere.
struct sFace {
    sVertex vertices[3];
    sCorner corners[3];
    sPoly poly;
    sRenderItem item;
    sMaterial material;
    sTexture texture, environment;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(32 * 32, 0x11u);

    sFace() {
        const float xy[3][2] = {{2, 2}, {20, 2}, {2, 20}};
        for (int i = 0; i < 3; ++i) {
            vertices[i].screenX = xy[i][0];
            vertices[i].screenY = xy[i][1];
            vertices[i].z = 1.0f;
            vertices[i].u = vertices[i].v = 0.1f;
            corners[i].transformed = &vertices[i];
            corners[i].u = corners[i].v = 0.5f;
        }
        item.face = &poly;
        texture.texels.resize(256 * 256);
        for (uint32_t i = 0; i < 256 * 256; ++i) texture.texels[i] = i + 1;
        environment.texels = texture.texels;
        material.texture = &texture;
        material.secondMap = &environment;
        g_targetWidth = 32;
        g_targetHeight = 32;
    }
    void Draw(ePolygonRoutine routine) {
        g_polygonRoutines[routine].draw(corners, 1, item, material, pixels.data());
    }
    uint32_t At(int x, int y) const { return pixels[y * 32 + x]; }
};

constexpr uint32_t kTexel127 = 127u * 256u + 127u + 1u;
constexpr uint32_t kTexel25 = 25u * 256u + 25u + 1u;

TEST(PolygonFillsTest, FlatColourFromFaceNormal) {
    sFace f;
    f.material.red = 1.0f;
    f.material.green = 0.5f;
    f.poly.cameraNormal = cVector(0, 0, -0.5f);
    f.Draw(kFlatLit);
    EXPECT_EQ(f.At(3, 3), 0x007F3F00u);
    EXPECT_EQ(f.At(2, 2), 0x11u);

    f.poly.cameraNormal = cVector(0, 0, 0.5f);  // facing away: intensity 0
    f.Draw(kFlatLit);
    EXPECT_EQ(f.At(3, 3), 0u);

    sFace unlit;
    unlit.material.blue = 1.0f;
    unlit.Draw(kFlatUnlit);
    EXPECT_EQ(unlit.At(3, 3), 0x000000FFu);  // blue saturates
}

TEST(PolygonFillsTest, TexturedRoutinesPickTheirCoordinates) {
    sFace texture;
    texture.Draw(kTexturePerspective);
    EXPECT_EQ(texture.At(5, 5), kTexel127);
    sFace environment;
    environment.Draw(kEnvironmentPerspective);
    EXPECT_EQ(environment.At(5, 5), kTexel25);
    sFace affine;
    affine.Draw(kEnvironmentAffineAdd);
    EXPECT_EQ(affine.At(5, 5), raster::Add(kTexel25, 0x11u));
    sFace dual;
    dual.Draw(kDualAdd);
    EXPECT_EQ(dual.At(5, 5), raster::Add(kTexel127, kTexel25));

    sFace missing;  // no texture: nothing drawn
    missing.material.texture = nullptr;
    missing.Draw(kTexturePerspective);
    missing.Draw(kDualMultiply);
    for (uint32_t p : missing.pixels) ASSERT_EQ(p, 0x11u);
}

TEST(PolygonFillsTest, WireframeDrawsTwoEdges) {
    SetLineColor(1, 1, 1);
    sFace f;
    std::fill(f.pixels.begin(), f.pixels.end(), 0u);
    f.Draw(kWireframe);
    EXPECT_NE(f.At(10, 2) | f.At(10, 3), 0u);    // corner 0 to corner 1
    EXPECT_NE(f.At(11, 11) | f.At(11, 12), 0u);  // corner 1 to corner 2
    for (int y = 6; y <= 16; ++y)                 // no edge back to corner 0
        for (int x = 0; x <= 4; ++x) EXPECT_EQ(f.At(x, y), 0u) << x << "," << y;
}

}  // namespace

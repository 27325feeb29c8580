#include <gtest/gtest.h>

#include "engine/render/polygon_routines.h"
#include "engine/render/textures.h"
#include "engine/scene/material.h"
#include "engine/scene/material_file.h"
#include "test_util.h"

namespace {

TEST(MaterialList, LookupsByNameKeyAndNumber) {
    cMaterialList list;
    sMaterial* wall = list.Add("Wall", nullptr, nullptr, 3, 0, 0);
    sMaterial* floor1 = list.Add("floor", nullptr, nullptr, 3, 1, 0);
    sMaterial* floor2 = list.Add("FLOOR", nullptr, nullptr, 3, 1, 0x01);
    EXPECT_EQ(wall->secondMapAmount, 0.3f);
    EXPECT_EQ(wall->routine, nullptr);
    EXPECT_EQ(list.FindByName("WALL"), wall);
    EXPECT_EQ(list.FindByName("Floor"), floor1);  // the first by name
    EXPECT_EQ(list.FindByKey(3, 1), floor2);      // the last by key
    EXPECT_EQ(list.FindByKey(3, 2), nullptr);
    EXPECT_EQ(list.CountOfNumber(3), 3u);
    EXPECT_EQ(list.CountOfNumber(9), 1u);
    list.SetFlagsByName("floor", 0x08);
    list.SetSecondMapAmountByName("floor", 0.7f);
    EXPECT_EQ(floor1->flags, 0x08);
    EXPECT_EQ(floor1->secondMapAmount, 0.7f);
    EXPECT_EQ(floor2->flags, 0x01);
    int seen = 0;
    for (sMaterial* m = list.First(); m; m = list.Next()) ++seen;
    EXPECT_EQ(seen, 3);
}

TEST(MaterialList, CombinationTable) {
    FillRoutineTable();
    // Every supported combination and the fill routine it feeds.
    struct Case {
        int mapping, shading, glenz;
        const char* fill;
    } supported[] = {
        {0, 0, 0, "DrawLine"},        {0, 0, 2, "FillFlatAdd"},         {0, 1, 0, "FillFlat"},
        {0, 1, 1, "FillFlatHalf"},    {0, 5, 0, "FillPerspective"},     {0, 5, 1, "FillAffineAdd"},
        {1, 5, 0, "FillDualAdd"},     {1, 5, 1, "FillDualAddHalf"},     {1, 6, 0, "FillDualMultiply"},
        {2, 0, 0, "FillPerspective"}, {2, 0, 1, "FillPerspectiveHalf"}, {2, 0, 2, "FillPerspectiveAdd"},
        {2, 5, 2, "FillAffineHalf"},  {3, 0, 0, "FillPerspective"},     {3, 0, 2, "FillAffineAdd"},
    };
    int found = 0;
    for (int m = 0; m < kMappingKinds; ++m)
        for (int s = 0; s < kShadingKinds; ++s)
            for (int g = 0; g < kGlenzKinds; ++g)
                if (RoutineFor(m, s, g)) ++found;
    EXPECT_EQ(found, 15);
    for (const Case& c : supported) {
        const sPolygonRoutine* r = RoutineFor(c.mapping, c.shading, c.glenz);
        ASSERT_NE(r, nullptr) << c.mapping << c.shading << c.glenz;
        EXPECT_STREQ(r->fillName, c.fill);
    }
    // Mapping "e" shares the routines of shading "e"; texture and environment
    // perspective are two routines on one fill routine.
    EXPECT_EQ(RoutineFor(3, 0, 0), RoutineFor(0, 5, 0));
    EXPECT_EQ(RoutineFor(3, 0, 2), RoutineFor(0, 5, 1));
    EXPECT_NE(RoutineFor(2, 0, 0), RoutineFor(0, 5, 0));
    EXPECT_EQ(RoutineFor(5, 0, 0), nullptr);
    EXPECT_EQ(RoutineFor(0, -1, 0), nullptr);
}

class MaterialFile : public ::testing::Test {
protected:
    void SetUp() override { FillRoutineTable(); }
    // A scene's materials: "plain" without textures, "tex" with a texture,
    // "dual" with a texture and a second map.
    void Add() {
        plain = list.Add("plain", nullptr, nullptr, 0, 0, 0);
        tex = list.Add("Tex", &texture, nullptr, 0, 1, 0);
        dual = list.Add("dual", &texture, &texture, 0, 2, 0);
    }
    void Read(const std::string& text) {
        dir.Write("scene.mtl", text);
        ReadMaterialFile(list, "scene");
    }
    TempDir dir;
    sTexture texture;
    cMaterialList list;
    sMaterial *plain = nullptr, *tex = nullptr, *dual = nullptr;
};

TEST_F(MaterialFile, BlocksSetRoutineColourAndFlags) {
    Add();
    Read("; materials\n"
         "material {\n  NAME TEX\n  mapping p\n  glenz h\n  red 1\n  green 0.5 ; half\n  blue 0.25\n  red 0.75\n}\n"
         "material {\n name plain\n}\n"
         "material {\n name dual\n mapping t\n shading m\n mapping x\n}\n");
    ASSERT_NE(tex->routine, nullptr);
    EXPECT_STREQ(tex->routine->fillName, "FillPerspectiveHalf");
    EXPECT_EQ(tex->red, 0.75f);  // the last value given wins
    EXPECT_EQ(tex->green, 0.5f);
    EXPECT_EQ(tex->blue, 0.25f);
    EXPECT_EQ(tex->flags, kMaterialTwoSided);  // glenz
    // Name and "}" only: wireframe, two-sided.
    EXPECT_STREQ(plain->routine->fillName, "DrawLine");
    EXPECT_EQ(plain->flags, kMaterialTwoSided);
    // An unknown mapping letter keeps the mapping given before.
    EXPECT_STREQ(dual->routine->fillName, "FillDualMultiply");
    EXPECT_EQ(dual->flags, 0);
}

TEST_F(MaterialFile, EnvironmentWithoutMappingNeedsNoMaps) {
    Add();
    Read("material {\nname plain\nshading e\n}\n");
    EXPECT_STREQ(plain->routine->fillName, "FillPerspective");
    EXPECT_EQ(plain->flags, 0);
}

TEST_F(MaterialFile, ALowerCaseBlockConfiguresTheFirstOfDuplicateNames) {
    sMaterial* first = list.Add("WALL", nullptr, nullptr, 0, 0, 0);
    sMaterial* second = list.Add("wall", nullptr, nullptr, 0, 1, 0);
    Read("material {\nname wall\nshading f\nred 1\n}\n");
    EXPECT_STREQ(first->routine->fillName, "FillFlat");
    EXPECT_EQ(first->red, 1.0f);
    EXPECT_EQ(second->routine, nullptr);
    // Mapping "l" marks the material two-sided even though it is refused.
    ExpectFatal([&] { Read("material {\nname wall\nmapping l\n}\n"); }, "No filename specified for \"WALL\"");
    EXPECT_EQ(first->flags & kMaterialTwoSided, kMaterialTwoSided);
}

TEST_F(MaterialFile, RefusedBlocks) {
    Add();
    struct Case {
        const char* block;
        const char* message;
    } cases[] = {
        {"name tex\nmapping t\nshading e\n", "Please specify an envname for material \"Tex\""},
        {"name plain\nmapping p\n", "No filename specified for \"plain\""},
        {"name tex\nmapping t\n", "The combination of mapping/shading/glenz for \"Tex\" is unsupported"},
        {"name tex\nmapping p\nshading g\n", "The combination of mapping/shading/glenz for \"Tex\" is unsupported"},
        {"name plain\nglenz a\n", "Alpha channel transparency is not available yet"},
        {"name missing\n", "material missing in scene.mtl : doesn't exist in scene: scene.ooz"},
    };
    for (const Case& c : cases) {
        ExpectFatal([&] { Read(std::string("material {\n") + c.block + "}\n"); }, c.message);
    }
    ExpectFatal([&] { ReadMaterialFile(list, "absent"); }, "absent.mtl");
}

TEST_F(MaterialFile, KeywordsOutsideBlocksAndBeforeANameAreIgnored) {
    Add();
    Read("name plain\nmapping p\n"
         "material {\nmapping t\nglenz d\n}\n"
         "material {\nname plain\nglenz d\n}\n");
    EXPECT_STREQ(plain->routine->fillName, "FillFlatAdd");
    EXPECT_EQ(tex->routine, nullptr);
}

}  // namespace

// The polygon routine records and the combination table.
#include "engine/render/polygon_routines.h"

#include "engine/render/polygon_fills.h"

sPolygonRoutine g_polygonRoutines[kPolygonRoutineCount] = {
    {"wireframe", "DrawLine", DrawWireframe},
    {"flat unlit", "FillFlatAdd", DrawFlatUnlit},
    {"flat lit", "FillFlat", DrawFlatLit},
    {"flat lit", "FillFlatHalf", DrawFlatLitHalf},
    {"environment, perspective", "FillPerspective", DrawEnvironmentPerspective},
    {"environment, affine", "FillAffineAdd", DrawEnvironmentAffineAdd},
    {"texture and environment", "FillDualAdd", DrawDualAdd},
    {"texture and environment", "FillDualAddHalf", DrawDualAddHalf},
    {"texture and environment", "FillDualMultiply", DrawDualMultiply},
    {"texture, perspective", "FillPerspective", DrawTexturePerspective},
    {"texture, perspective", "FillPerspectiveHalf", DrawTexturePerspectiveHalf},
    {"texture, perspective", "FillPerspectiveAdd", DrawTexturePerspectiveAdd},
    {"environment, affine", "FillAffineHalf", DrawEnvironmentAffineHalf},
};

namespace {

const sPolygonRoutine* g_routineTable[kMappingKinds][kShadingKinds][kGlenzKinds] = {};

}  // namespace

void FillRoutineTable() {
    // mapping: 0 none, 1 t, 2 p, 3 e; shading: 0 none, 1 f, 5 e, 6 m;
    // glenz: 0 none, 1 h, 2 d.
    struct sEntry {
        int mapping, shading, glenz;
        ePolygonRoutine routine;
    };
    static const sEntry kEntries[] = {
        {0, 0, 0, kWireframe},
        {0, 0, 2, kFlatUnlit},
        {0, 1, 0, kFlatLit},
        {0, 1, 1, kFlatLitHalf},
        {0, 5, 0, kEnvironmentPerspective},
        {0, 5, 1, kEnvironmentAffineAdd},
        {1, 5, 0, kDualAdd},
        {1, 5, 1, kDualAddHalf},
        {1, 6, 0, kDualMultiply},
        {2, 0, 0, kTexturePerspective},
        {2, 0, 1, kTexturePerspectiveHalf},
        {2, 0, 2, kTexturePerspectiveAdd},
        {2, 5, 2, kEnvironmentAffineHalf},
        // Mapping "e" reuses the environment routines of shading "e".
        {3, 0, 0, kEnvironmentPerspective},
        {3, 0, 2, kEnvironmentAffineAdd},
    };
    for (const sEntry& e : kEntries) g_routineTable[e.mapping][e.shading][e.glenz] = &g_polygonRoutines[e.routine];
}

const sPolygonRoutine* RoutineFor(int mapping, int shading, int glenz) {
    if (mapping < 0 || mapping >= kMappingKinds || shading < 0 || shading >= kShadingKinds || glenz < 0 ||
        glenz >= kGlenzKinds)
        return nullptr;
    return g_routineTable[mapping][shading][glenz];
}

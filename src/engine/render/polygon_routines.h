// The polygon routines a material can draw with, and the table that picks
// one from a material's mapping, shading and glenz (transparency) kinds.
//
// Each routine is named after the fill routine it feeds; two of them
// (environment and texture, both perspective) share FillPerspective. The
// drawing functions are attached by the rasterizers; a routine whose
// function is not attached yet draws nothing.
#pragma once

#include <cstdint>

struct sCorner;
struct sMaterial;
struct sRenderItem;

// Draws the fan (corner 0, corner i, corner i + 1) for i = 1..triangles.
using PolygonFunction = void (*)(const sCorner* corners, int triangles, const sRenderItem& item,
                                 const sMaterial& material, uint32_t* target);

struct sPolygonRoutine {
    const char* kind;      // what it draws, e.g. "environment, perspective"
    const char* fillName;  // the fill routine it feeds, e.g. "FillPerspective"
    PolygonFunction draw = nullptr;
};

enum ePolygonRoutine : int {
    kWireframe,
    kFlatUnlit,
    kFlatLit,
    kFlatLitHalf,
    kEnvironmentPerspective,
    kEnvironmentAffineAdd,
    kDualAdd,
    kDualAddHalf,
    kDualMultiply,
    kTexturePerspective,
    kTexturePerspectiveHalf,
    kTexturePerspectiveAdd,
    kEnvironmentAffineHalf,
    kPolygonRoutineCount
};

extern sPolygonRoutine g_polygonRoutines[kPolygonRoutineCount];

// Kind numbers as the material file's letters give them; 0 is "not given".
constexpr int kMappingKinds = 5;  // t p e l
constexpr int kShadingKinds = 9;  // f d r g e m l b
constexpr int kGlenzKinds = 4;    // h d a

// Fills the routine table; every combination not listed stays empty. Run by
// the engine's construction (the table is empty before that).
void FillRoutineTable();
// The routine for a combination, or nullptr for an unsupported one or kinds
// out of range.
const sPolygonRoutine* RoutineFor(int mapping, int shading, int glenz);

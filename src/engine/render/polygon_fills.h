// The draw functions of the polygon routines: each draws a face's fan of
// triangles with its fill routine (or its edges with lines).
#pragma once

#include "engine/render/polygon_routines.h"

void DrawWireframe(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawFlatUnlit(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawFlatLit(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawFlatLitHalf(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawEnvironmentPerspective(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawEnvironmentAffineAdd(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawEnvironmentAffineHalf(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawDualAdd(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawDualAddHalf(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawDualMultiply(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawTexturePerspective(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawTexturePerspectiveHalf(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);
void DrawTexturePerspectiveAdd(const sCorner*, int, const sRenderItem&, const sMaterial&, uint32_t*);

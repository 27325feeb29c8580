// The polygon routines' draw functions: thin adapters from a face's
// corners to the fill routines, one call per fan triangle.
#include "engine/render/polygon_fills.h"

#include "engine/render/lines.h"
#include "engine/render/mesh.h"
#include "engine/render/rasterizer.h"
#include "engine/render/render_item.h"
#include "engine/render/textures.h"
#include "engine/scene/material.h"

namespace {

// Texture coordinates arrive as 0..1 for one copy of the texture.
constexpr float kTexels = 255.0f;

uint32_t Colour(float intensity, const sMaterial& m) {
    return (static_cast<uint32_t>(intensity * m.red) << 16) + (static_cast<uint32_t>(intensity * m.green) << 8) +
           static_cast<uint32_t>(intensity * m.blue);
}

uint32_t LitColour(const sRenderItem& item, const sMaterial& m) {
    float intensity = item.face ? -item.face->cameraNormal.z * 255.0f : 255.0f;
    if (!(intensity > 0.0f)) intensity = 0.0f;
    if (intensity > 255.0f) intensity = 255.0f;
    return Colour(intensity, m);
}

// A material without the texture its routine needs draws nothing.
const uint32_t* Texels(const sTexture* texture) { return texture ? texture->texels.data() : nullptr; }

template <typename Fill>
void Fan(const sCorner* c, int triangles, Fill fill) {
    for (int i = 1; i <= triangles; ++i) fill(c[0], c[i], c[i + 1]);
}

template <auto Fill>
void FlatFan(const sCorner* c, int triangles, uint32_t colour, uint32_t* target) {
    Fan(c, triangles, [&](const sCorner& a, const sCorner& b, const sCorner& d) {
        Fill(a.transformed->screenX, a.transformed->screenY, b.transformed->screenX, b.transformed->screenY,
             d.transformed->screenX, d.transformed->screenY, target, colour);
    });
}

// Perspective with the corner's texture coordinates, or with the vertex's
// environment coordinates.
template <auto Fill, bool kEnvironment>
void PerspectiveFan(const sCorner* c, int triangles, const uint32_t* texture, uint32_t* target) {
    if (!texture) return;
    Fan(c, triangles, [&](const sCorner& a, const sCorner& b, const sCorner& d) {
        auto u = [](const sCorner& k) { return (kEnvironment ? k.transformed->u : k.u) * kTexels; };
        auto v = [](const sCorner& k) { return (kEnvironment ? k.transformed->v : k.v) * kTexels; };
        const sVertex &p = *a.transformed, &q = *b.transformed, &r = *d.transformed;
        Fill(p.screenX, p.screenY, p.z, u(a), v(a), q.screenX, q.screenY, q.z, u(b), v(b), r.screenX, r.screenY, r.z,
             u(d), v(d), target, texture);
    });
}

template <auto Fill>
void EnvironmentAffineFan(const sCorner* c, int triangles, const uint32_t* texture, uint32_t* target) {
    if (!texture) return;
    Fan(c, triangles, [&](const sCorner& a, const sCorner& b, const sCorner& d) {
        const sVertex &p = *a.transformed, &q = *b.transformed, &r = *d.transformed;
        Fill(p.screenX, p.screenY, p.u * kTexels, p.v * kTexels, q.screenX, q.screenY, q.u * kTexels, q.v * kTexels,
             r.screenX, r.screenY, r.u * kTexels, r.v * kTexels, target, texture);
    });
}

template <auto Fill>
void DualFan(const sCorner* c, int triangles, const sMaterial& m, uint32_t* target) {
    const uint32_t* texture = Texels(m.texture);
    const uint32_t* environment = Texels(m.secondMap);
    if (!texture || !environment) return;
    Fan(c, triangles, [&](const sCorner& a, const sCorner& b, const sCorner& d) {
        const sVertex &p = *a.transformed, &q = *b.transformed, &r = *d.transformed;
        Fill(p.screenX, p.screenY, a.u * kTexels, a.v * kTexels, p.u * kTexels, p.v * kTexels, q.screenX, q.screenY,
             b.u * kTexels, b.v * kTexels, q.u * kTexels, q.v * kTexels, r.screenX, r.screenY, d.u * kTexels,
             d.v * kTexels, r.u * kTexels, r.v * kTexels, target, texture, environment);
    });
}

}  // namespace

void DrawWireframe(const sCorner* c, int triangles, const sRenderItem&, const sMaterial&, uint32_t* target) {
    // Corner 0 to 1, then around the fan; the closing edge back to corner 0
    // is left out, so a lone triangle shows two edges.
    DrawLine(c[0].transformed->screenX, c[0].transformed->screenY, c[1].transformed->screenX,
             c[1].transformed->screenY, target);
    for (int i = 1; i <= triangles; ++i)
        DrawLine(c[i].transformed->screenX, c[i].transformed->screenY, c[i + 1].transformed->screenX,
                 c[i + 1].transformed->screenY, target);
}

void DrawFlatUnlit(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m, uint32_t* target) {
    FlatFan<FillFlatAdd>(c, triangles, Colour(255.0f, m), target);
}
void DrawFlatLit(const sCorner* c, int triangles, const sRenderItem& item, const sMaterial& m, uint32_t* target) {
    FlatFan<FillFlat>(c, triangles, LitColour(item, m), target);
}
void DrawFlatLitHalf(const sCorner* c, int triangles, const sRenderItem& item, const sMaterial& m, uint32_t* target) {
    FlatFan<FillFlatHalf>(c, triangles, LitColour(item, m), target);
}
void DrawEnvironmentPerspective(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m,
                                uint32_t* target) {
    PerspectiveFan<FillPerspective, true>(c, triangles, Texels(m.texture), target);
}
void DrawEnvironmentAffineAdd(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m,
                              uint32_t* target) {
    EnvironmentAffineFan<FillAffineAdd>(c, triangles, Texels(m.texture), target);
}
void DrawEnvironmentAffineHalf(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m,
                               uint32_t* target) {
    EnvironmentAffineFan<FillAffineHalf>(c, triangles, Texels(m.texture), target);
}
void DrawDualAdd(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m, uint32_t* target) {
    DualFan<FillDualAdd>(c, triangles, m, target);
}
void DrawDualAddHalf(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m, uint32_t* target) {
    DualFan<FillDualAddHalf>(c, triangles, m, target);
}
void DrawDualMultiply(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m, uint32_t* target) {
    DualFan<FillDualMultiply>(c, triangles, m, target);
}
void DrawTexturePerspective(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m,
                            uint32_t* target) {
    PerspectiveFan<FillPerspective, false>(c, triangles, Texels(m.texture), target);
}
void DrawTexturePerspectiveHalf(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m,
                                uint32_t* target) {
    PerspectiveFan<FillPerspectiveHalf, false>(c, triangles, Texels(m.texture), target);
}
void DrawTexturePerspectiveAdd(const sCorner* c, int triangles, const sRenderItem&, const sMaterial& m,
                               uint32_t* target) {
    PerspectiveFan<FillPerspectiveAdd, false>(c, triangles, Texels(m.texture), target);
}

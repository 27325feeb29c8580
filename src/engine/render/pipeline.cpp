// The render pipeline: vertex transformation and projection, back-face
// rejection, clipping against the view volume, depth keys, the radix sort
// and drawing the sorted list from far to near.
#include "engine/render/pipeline.h"

#include <utility>
#include <vector>

#include "engine/render/engine.h"
#include "engine/render/mesh.h"
#include "engine/render/polygon_routines.h"
#include "engine/render/render_item.h"
#include "engine/render/render_state.h"
#include "engine/scene/camera.h"
#include "engine/scene/material.h"
#include "engine/scene/particles.h"
#include "engine/scene/scene.h"

namespace {

// Clip code bits, one per plane a vertex lies outside of.
constexpr uint8_t kClipTop = 0x01;
constexpr uint8_t kClipBottom = 0x02;
constexpr uint8_t kClipRight = 0x04;
constexpr uint8_t kClipLeft = 0x08;
constexpr uint8_t kClipNear = 0x20;

// The order faces are clipped in, and the bit that asks for each plane.
struct sClipStep {
    eClipPlane plane;
    uint8_t bit;
};
constexpr sClipStep kClipOrder[] = {
    {kPlaneTop, kClipTop}, {kPlaneBottom, kClipBottom}, {kPlaneLeft, kClipLeft},
    {kPlaneRight, kClipRight}, {kPlaneNear, kClipNear},
};

// Materials that are drawn from both sides skip back-face rejection.
constexpr uint16_t kNoBackFaceTest = kMaterialTwoSided | kMaterialAlwaysDrawn | kMaterialNoCull;

// Faces whose corners are all nearer than this are dropped as back faces,
// whatever the camera's near distance.
constexpr float kBackFaceDepth = 1.0f;

uint8_t ClipCode(const cCamera& camera, const sVertex& v) {
    cVector p(v.x, v.y, v.z);
    uint8_t code = 0;
    for (const sClipStep& step : kClipOrder)
        if (camera.planes[step.plane].Classify(p) == kPlaneBehind) code |= step.bit;
    return code;
}

// Screen position from camera coordinates (y up on the camera, down on the
// screen) and the clip code. At z <= 0 the near bit is always set, so the
// meaningless projection there is never drawn unclipped.
void Project(const cCamera& camera, sVertex& v) {
    float halfWidth = static_cast<float>(camera.viewportWidth / 2);
    float halfHeight = static_cast<float>(camera.viewportHeight / 2);
    float reciprocal = 1.0f / v.z;
    v.screenX = camera.scaleX * v.x * reciprocal + halfWidth;
    v.screenY = halfHeight - camera.scaleY * v.y * reciprocal;
    v.clip = ClipCode(camera, v);
}

// Depth keys truncate toward zero. Depths beyond the 32-bit range (or not a
// number) would make the conversion undefined; they saturate instead.
uint32_t DepthKey(float depth) {
    if (!(depth > 0.0f)) return 0;
    if (depth >= 4294967296.0f) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(depth);
}

float Lerp(float a, float b, float t) { return a + t * (b - a); }

// One Sutherland-Hodgman step: `in` against `plane` into `out`. Inside
// vertices pass unchanged; each edge that crosses the plane adds its
// intersection, interpolated from the edge's first vertex.
void ClipAgainst(const cPlane& plane, const sClipBuffer& in, sClipBuffer& out) {
    out.count = 0;
    int n = in.count;
    for (int i = 0; i < n; ++i) {
        int j = i + 1 == n ? 0 : i + 1;
        const sVertex& a = in.vertices[i];
        const sVertex& b = in.vertices[j];
        float da = 0.0f, db = 0.0f;
        int sideA = plane.Classify(cVector(a.x, a.y, a.z), &da);
        int sideB = plane.Classify(cVector(b.x, b.y, b.z), &db);
        // A convex polygon gains at most one vertex per plane, so a triangle
        // ends with at most 8; the bound only guards the buffer.
        if (sideA == kPlaneFront && out.count < kClipCorners) {
            out.vertices[out.count] = a;
            out.corners[out.count].u = in.corners[i].u;
            out.corners[out.count].v = in.corners[i].v;
            ++out.count;
        }
        if (sideA != sideB && out.count < kClipCorners) {
            float t = da / (da - db);
            sVertex& c = out.vertices[out.count];
            c = a;
            c.x = Lerp(a.x, b.x, t);
            c.y = Lerp(a.y, b.y, t);
            c.z = Lerp(a.z, b.z, t);
            c.nx = Lerp(a.nx, b.nx, t);
            c.ny = Lerp(a.ny, b.ny, t);
            c.nz = Lerp(a.nz, b.nz, t);
            c.r = Lerp(a.r, b.r, t);
            c.g = Lerp(a.g, b.g, t);
            c.b = Lerp(a.b, b.b, t);
            c.u = Lerp(a.u, b.u, t);
            c.v = Lerp(a.v, b.v, t);
            out.corners[out.count].u = Lerp(in.corners[i].u, in.corners[j].u, t);
            out.corners[out.count].v = Lerp(in.corners[i].v, in.corners[j].v, t);
            ++out.count;
        }
    }
}

bool DrawableFace(const sPoly& face) {
    return face.visible && face.material && face.cornerCount >= 3 && face.corners[0].transformed &&
           face.corners[1].transformed && face.corners[2].transformed;
}

// Faces clipped in the last frame must have left at least one vertex on
// screen. The bounds are fixed numbers, not the target size.
bool ClippedFaceOnScreen(const sPoly& face) {
    for (int i = 0; i < face.clipCount; ++i) {
        const sVertex& v = *face.clipCorners[i].transformed;
        if ((v.screenX >= 0.0f && v.screenX < 512.0f) || (v.screenY >= 0.0f && v.screenY < 200.0f)) return true;
    }
    return false;
}

std::vector<sRenderItem> g_sortScratch;

}  // namespace

void c3dObject::Transform(cCamera* camera) {
    bool skinned = !bones.empty();
    if (skinned) {
        // Bones place the vertices; the mesh's own placement is the origin.
        matrix = cMatrix();
        position = cVector();
    }
    const cMatrix& view = camera->matrix;
    viewPositionMatrix = view * matrix;
    viewNormalMatrix = view * rotationMatrix;
    viewTranslation = view * (position - camera->position);

    for (uint16_t i = 0; i < vertexCount; ++i) transformed[i].transformed = 0;
    for (sPoly& face : faces) {
        // Every face gets its camera normal, drawn or not; one pass over
        // the (large) face records serves both.
        face.cameraNormal = viewNormalMatrix * face.normal;
        if (!DrawableFace(face)) continue;
        for (int c = 0; c < 3; ++c) {
            sCorner& corner = face.corners[c];
            sVertex& t = *corner.transformed;
            if (t.transformed) continue;
            t.transformed = 1;
            uint32_t index = corner.vertexIndex;
            const sVertex& s = vertices[index];
            cVector p(s.x, s.y, s.z);
            if (skinned && index < bones.size() && bones[index]) {
                const cSceneObject* bone = bones[index];
                p = bone->matrix * boneOffsets[index] + bone->position;
            }
            cVector q = viewPositionMatrix * p + viewTranslation;
            t.x = q.x;
            t.y = q.y;
            t.z = q.z;
            Project(*camera, t);
        }
        face.material->faces.Announce();
    }

    for (uint16_t i = 0; i < vertexCount; ++i) {
        const sVertex& s = vertices[i];
        sVertex& t = transformed[i];
        cVector n = viewNormalMatrix * cVector(s.nx, s.ny, s.nz);
        t.nx = n.x;
        t.ny = n.y;
        t.nz = n.z;
        t.u = 0.5f + 0.5f * n.x;
        t.v = 0.5f + 0.5f * n.y;
    }
}

void c3dObject::Collect() {
    if (!scene || !scene->camera) return;
    const cCamera& camera = *scene->camera;
    float maxDepth = scene->maxDepth;
    for (sPoly& face : faces) {
        if (!DrawableFace(face)) continue;
        sMaterial& material = *face.material;
        const sVertex& v0 = *face.corners[0].transformed;
        const sVertex& v1 = *face.corners[1].transformed;
        const sVertex& v2 = *face.corners[2].transformed;

        if (!(material.flags & kNoBackFaceTest)) {
            int near = (v0.z < kBackFaceDepth) + (v1.z < kBackFaceDepth) + (v2.z < kBackFaceDepth);
            if (near == 3) continue;
            // Partly near faces pass whatever their winding: their projection
            // is not to be trusted. A zero area is dropped.
            if (near == 0) {
                float area = (v0.screenX - v2.screenX) * (v1.screenY - v2.screenY) -
                             (v0.screenY - v2.screenY) * (v1.screenX - v2.screenX);
                if (!(area < 0.0f)) continue;
            }
        }

        uint8_t codes = v0.clip | v1.clip | v2.clip;
        uint32_t key;
        if (codes == 0) {
            face.clipped = 0;
            for (const sVertex* v : {&v0, &v1, &v2})
                if (v->z > maxDepth) maxDepth = v->z;
            key = DepthKey((v0.z + v1.z + v2.z) / 3.0f);
        } else {
            sClipBuffer* in = &clipA;
            sClipBuffer* out = &clipB;
            for (int c = 0; c < 3; ++c) {
                in->vertices[c] = *face.corners[c].transformed;
                in->corners[c].u = face.corners[c].u;
                in->corners[c].v = face.corners[c].v;
            }
            in->count = 3;
            for (const sClipStep& step : kClipOrder) {
                if (!(codes & step.bit)) continue;
                ClipAgainst(camera.planes[step.plane], *in, *out);
                std::swap(in, out);
            }
            int n = in->count;
            float sum = 0.0f;
            for (int i = 0; i < n; ++i) {
                sCorner& corner = face.clipCorners[i];
                sVertex& v = *corner.transformed;
                v = in->vertices[i];
                corner.u = in->corners[i].u;
                corner.v = in->corners[i].v;
                if (material.flags & kMaterialHasSecondMap) {
                    v.u = 0.5f + 0.5f * v.nx;
                    v.v = 0.5f + 0.5f * v.ny;
                }
                if (v.z > maxDepth) maxDepth = v.z;
                Project(camera, v);
                sum += v.z / static_cast<float>(n);
            }
            face.clipCount = static_cast<uint8_t>(n);
            face.clipped = 1;
            key = DepthKey(sum);
        }
        material.faces.Append(key, &face, this);
    }
    scene->maxDepth = maxDepth;
}

void SortRenderList(sRenderItem* items, size_t count, sRenderItem* scratch) {
    // All four digit histograms in one read of the keys.
    size_t offsets[4][256] = {};
    for (size_t i = 0; i < count; ++i) {
        uint32_t key = items[i].key;
        for (int pass = 0; pass < 4; ++pass) ++offsets[pass][(key >> (8 * pass)) & 0xFF];
    }
    sRenderItem* from = items;
    sRenderItem* to = scratch;
    for (int pass = 0; pass < 4; ++pass) {
        size_t* start = offsets[pass];
        size_t sum = 0;
        for (int d = 0; d < 256; ++d) {
            size_t n = start[d];
            start[d] = sum;
            sum += n;
        }
        int shift = 8 * pass;
        for (size_t i = 0; i < count; ++i) to[start[(from[i].key >> shift) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    // An even number of passes ends where it began, in `items`.
}

void BuildRenderList(cScene& scene) {
    cCamera* camera = scene.camera;
    if (!camera) return;
    scene.hierarchy.ForEach([&](sHierarchyEntry& e) {
        e.object->Transform(camera);
        if (e.object->particles) e.object->particles->Transform(camera);
    });

    for (size_t i = 0; i < scene.materials.Count(); ++i) scene.materials.At(i).faces.Allocate();
    scene.hierarchy.ForEach([&](sHierarchyEntry& e) {
        e.object->Collect();
        if (e.object->particles) e.object->particles->Collect();
    });

    // Material-list order, then node order, then face order: the order equal
    // keys are kept in. The face lists keep their room for the next frame.
    size_t total = 0;
    for (size_t i = 0; i < scene.materials.Count(); ++i) total += scene.materials.At(i).faces.Count();
    scene.renderList.clear();
    scene.renderList.reserve(total);
    for (size_t i = 0; i < scene.materials.Count(); ++i) {
        sFaceList& list = scene.materials.At(i).faces;
        scene.renderList.insert(scene.renderList.end(), list.items.begin(), list.items.end());
        list.items.clear();
    }
    if (g_sortScratch.size() < total) g_sortScratch.resize(total);
    SortRenderList(scene.renderList.data(), total, g_sortScratch.data());
}

void cEngineSoftware::DrawRenderList() {
    if (!currentScene || !currentScene->camera || !renderTarget) return;
    g_targetWidth = static_cast<int32_t>(currentScene->camera->viewportWidth);
    g_targetHeight = static_cast<int32_t>(currentScene->camera->viewportHeight);
    const std::vector<sRenderItem>& list = currentScene->renderList;
    // Farthest first; among equal keys the later-gathered face first.
    for (size_t i = list.size(); i-- > 0;) {
        const sRenderItem& item = list[i];
        const sPoly& face = *item.face;
        const sMaterial* material = face.material;
        if (!material || !material->routine || !material->routine->draw) continue;
        if (!face.clipped) {
            material->routine->draw(face.corners, face.cornerCount - 2, item, *material, renderTarget);
        } else if (face.clipCount >= 3 && ClippedFaceOnScreen(face)) {
            material->routine->draw(face.clipCorners, face.clipCount - 2, item, *material, renderTarget);
        }
    }
}

void cCamera::Render() {
    // Without a target the previous update stays in force.
    UpdateView();
    if (!scene) return;
    if (scene->renderer) scene->renderer->currentScene = scene;
    scene->camera = this;
    scene->Setup();
    BuildRenderList(*scene);
    if (scene->renderer) scene->renderer->DrawRenderList();
}

// Scene lifetime, animation and render set-up.
#include "engine/scene/scene.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/render/engine.h"
#include "engine/render/mesh.h"
#include "engine/scene/camera.h"
#include "engine/scene/light.h"
#include "engine/scene/particles.h"

cScene::cScene(cEngineSoftware* engine) : renderer(engine) {}

cScene::~cScene() {
    std::vector<cSceneObject*> nodes;
    hierarchy.ForEach([&](sHierarchyEntry& e) { nodes.push_back(e.object); });
    for (cSceneObject* node : nodes) delete node;
    if (renderer) {
        // The engine keeps no pointer to a scene that is gone.
        std::erase(renderer->scenes, this);
        if (renderer->currentScene == this) renderer->currentScene = nullptr;
        for (size_t i = 0; i < materials.Count(); ++i) {
            sMaterial& m = materials.At(i);
            renderer->Textures().Release(m.texture);
            renderer->Textures().Release(m.secondMap);
        }
    }
}

void cScene::Animate(float frame) {
    hierarchy.ForEach([&](sHierarchyEntry& e) {
        cSceneObject* node = e.object;
        // The particle system reads its emitter's position before the
        // emitter moves: particles start where the node was last frame.
        if (node->particles) node->particles->Update(frame);
        node->position = node->restPosition;
        node->matrix = node->restMatrix;
        node->rotation = node->restRotation;
        node->scale = node->restScale;
        if (node->kind == kNodeCamera) {
            auto* cam = static_cast<cCamera*>(node);
            if (cam->rollTrack) cam->roll = cam->rollTrack->Evaluate(frame).x;
        }
        if (node->positionTrack) node->position = node->positionTrack->Evaluate(frame);
        if (node->scaleTrack) node->scale = node->scaleTrack->Evaluate(frame);
        if (node->rotationTrack) node->rotation = node->rotationTrack->Evaluate(frame);
        node->rotationMatrix = node->rotation.ToMatrix();
        node->matrix = node->rotationMatrix * cMatrix::Scale(node->scale);
    });

    // Pre-order puts parents first, so each parent already holds its world
    // placement. A camera's children are its targets and keep their own.
    hierarchy.ForEach([&](sHierarchyEntry& e) {
        if (!e.parent || e.parent->object->kind == kNodeCamera) return;
        const cSceneObject* parent = e.parent->object;
        cSceneObject* node = e.object;
        node->matrix = parent->matrix * node->matrix;
        node->position = parent->matrix * node->position + parent->position;
    });

    ApplyVisibility(frame);
}

void cScene::ApplyVisibility(float frame) {
    if (!camera || !camera->visibility || camera->visibility->frames == 0) return;
    const sVisibility& vis = *camera->visibility;
    // Frame and frame + 1, both clamped to the last frame, so a face shows
    // if it is visible at either end of the interval being drawn. Frames
    // before the first clamp to the first bitmap, and the bitmap count (not
    // the scene's frame range, which a later chunk may change) bounds both.
    float last = static_cast<float>(lastFrame);
    float a = std::min(frame, last);
    float b = std::min(frame + 1.0f, last);
    auto index = [&](float f) -> uint32_t {
        float i = f - static_cast<float>(firstFrame);
        if (!(i > 0.0f)) return 0;
        if (i >= static_cast<float>(vis.frames - 1)) return vis.frames - 1;
        return static_cast<uint32_t>(i);  // truncation toward zero
    };
    uint32_t i = index(a);
    uint32_t j = index(b);
    hierarchy.ForEach([&](sHierarchyEntry& e) {
        if (e.object->kind != kNodeMesh) return;
        for (sPoly& face : static_cast<c3dObject*>(e.object)->faces) {
            bool always = face.material && (face.material->flags & kMaterialAlwaysDrawn);
            face.visible = always || vis.Bit(i, face.globalNumber) || vis.Bit(j, face.globalNumber);
        }
    });
}

void cScene::Setup() {
    if (!camera) {
        std::printf("cScene::Setup: No camera\n");
        return;
    }
    for (size_t i = 0; i < materials.Count(); ++i) materials.At(i).faces.Reset();
    vertexTotal = 0;
    faceTotal = 0;
    hierarchy.ForEach([&](sHierarchyEntry& e) {
        cSceneObject* node = e.object;
        if (node->kind == kNodeMesh) {
            auto* mesh = static_cast<c3dObject*>(node);
            vertexTotal += mesh->vertexCount;
            faceTotal += mesh->faceCount;
        } else if (node->kind == kNodeLight) {
            // The main flare and each secondary flare: one quad each.
            uint32_t quads = 1u + static_cast<cLight*>(node)->flareCount;
            vertexTotal += 4 * quads;
            faceTotal += quads;
        }
        if (node->particles) {
            vertexTotal += 4 * node->particles->Count();
            faceTotal += node->particles->Count();
        }
    });
    maxDepth = 0.0f;
}

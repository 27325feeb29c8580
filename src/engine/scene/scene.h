// A scene: the node hierarchy, the materials, the frame range and the
// settings of the particle file, built for one engine. Effects load it,
// look nodes up by name, set the active camera and animate it every frame.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/render/render_item.h"
#include "engine/scene/hierarchy.h"
#include "engine/scene/material.h"
#include "engine/scene/scene_object.h"

class cCamera;
class cEngineSoftware;

class cScene : public cObject {
public:
    explicit cScene(cEngineSoftware* engine);
    // Deletes every node of the hierarchy, returns both textures of every
    // material to the engine's texture manager and leaves the engine's
    // scene list.
    ~cScene() override;
    cScene(const cScene&) = delete;
    cScene& operator=(const cScene&) = delete;

    cSceneObject* FindNode(const String& name) const { return hierarchy.FindNode(name); }

    // One animation step at `frame` (a float in the scene's frame units):
    // every node back to rest and through its tracks (particle systems
    // update first), then children placed under their parents (not under a
    // camera), then face visibility from the active camera's bitmaps.
    void Animate(float frame);

    // The render set-up of a frame: empties every material's face list,
    // counts the vertices and faces the frame may produce and clears the
    // maximum depth. Without an active camera it prints
    // "cScene::Setup: No camera" and does nothing else.
    void Setup();

    cHierarchy hierarchy{this};
    cCamera* camera = nullptr;  // the active camera, set by the effect
    cEngineSoftware* renderer;
    cMaterialList materials;
    uint32_t vertexTotal = 0;
    uint32_t faceTotal = 0;
    float maxDepth = 0.0f;
    uint16_t firstFrame = 0;
    uint16_t lastFrame = 0;
    uint16_t framesPerSecond = 30;
    float fog = 0.0f;
    float ambient[3] = {0.2f, 0.2f, 0.2f};
    std::vector<sRenderItem> renderList;  // the sorted faces of the last render

private:
    void ApplyVisibility(float frame);
};

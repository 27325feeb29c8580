// The scene node base.
#include "engine/scene/scene_object.h"

#include "engine/scene/particles.h"

cSceneObject::cSceneObject(uint8_t nodeKind) : kind(nodeKind) {}

cSceneObject::~cSceneObject() = default;

void cSceneObject::KeepAsRest() {
    restMatrix = matrix;
    restPosition = position;
    restScale = scale;
    restRotation = rotation;
}

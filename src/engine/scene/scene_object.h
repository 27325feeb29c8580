// The base of every scene node: a name, a kind, a placement (rest and
// current), the animation tracks that move it, and the two per-frame
// operations the render pipeline calls on every node.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/scene/matrix.h"
#include "engine/scene/quat.h"
#include "engine/scene/track.h"
#include "support/string.h"

class cCamera;
class cParticleSystem;
class cScene;

class cObject {
public:
    virtual ~cObject() = default;
    String name;
};

enum eNodeKind : uint8_t { kNodePlain = 0, kNodeMesh = 1, kNodeCamera = 2, kNodeHelper = 3, kNodeLight = 4 };

class cSceneObject : public cObject {
public:
    explicit cSceneObject(uint8_t nodeKind = kNodePlain);
    ~cSceneObject() override;

    // Per-frame preparation for drawing through `camera`, and the adding of
    // the node's drawable faces to its materials' face lists. Nothing to do
    // for nodes that draw nothing.
    virtual void Transform(cCamera* camera) { (void)camera; }
    virtual void Collect() {}

    // The current placement becomes the rest placement.
    void KeepAsRest();

    uint8_t kind;
    String parentName;
    cMatrix matrix;          // after Animate: the world matrix
    cMatrix restMatrix;
    cMatrix rotationMatrix;  // the rotation of the last Animate, before scaling
    cQuat rotation;
    cQuat restRotation;
    // All zero at construction, scale included: a node never given a
    // placement has no size.
    cVector position;
    cVector restPosition;
    cVector scale;
    cVector restScale;
    std::unique_ptr<cParticleSystem> particles;
    cScene* scene = nullptr;  // set when the node enters the hierarchy
    std::unique_ptr<cPositionTrack> positionTrack;
    std::unique_ptr<cRotationTrack> rotationTrack;
    std::unique_ptr<cPositionTrack> scaleTrack;
};

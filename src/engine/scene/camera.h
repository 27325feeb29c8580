// Cameras: a viewport, a field of view and roll, an optional target node
// that sets the view direction, the projection scales and clip planes the
// render pipeline uses, and per-frame face visibility from the scene file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/scene/plane.h"
#include "engine/scene/scene_object.h"

enum eClipPlane { kPlaneTop, kPlaneBottom, kPlaneRight, kPlaneLeft, kPlaneNear, kPlaneFar, kClipPlaneCount };

// One bitmap per frame from the scene's first frame on; bit i (byte i >> 3,
// bit i & 7) belongs to the face whose global face number is i.
struct sVisibility {
    uint32_t frames = 0;
    uint32_t bytesPerFrame = 0;
    std::vector<uint8_t> bits;  // frames x bytesPerFrame

    // Faces numbered beyond the bitmap (added after it was read) count as
    // not set.
    bool Bit(uint32_t frame, uint32_t face) const {
        uint32_t byte = face >> 3;
        if (frame >= frames || byte >= bytesPerFrame) return false;
        return (bits[static_cast<size_t>(frame) * bytesPerFrame + byte] >> (face & 7)) & 1;
    }
};

class cCamera : public cSceneObject {
public:
    cCamera();
    ~cCamera() override;

    // Stores the size, aspect = height / width, then updates the view.
    void SetViewport(uint32_t width, uint32_t height);
    void SetTarget(cSceneObject* node);
    // Projection and orientation from the positions as stored (world
    // positions after Animate). Without a target nothing changes.
    void UpdateView();
    // Projection scales and the clip planes from viewport, field of view and
    // near distance.
    void UpdateProjection();
    // Draws the scene this camera belongs to, as it stands after Animate,
    // into its engine's render target: camera update, Setup, the sorted
    // render list, drawing from far to near.
    void Render();

    cSceneObject* target = nullptr;
    uint32_t viewportWidth = 640;
    uint32_t viewportHeight = 480;
    float scaleX = 0.0f;
    float scaleY = 0.0f;
    float aspect = 0.75f;
    float fov = 45.0f;  // degrees, the full horizontal angle
    float roll = 0.0f;  // radians
    cPlane planes[kClipPlaneCount];
    float nearDistance = 1.0f;
    float farDistance = 9999999.0f;
    std::unique_ptr<cPositionTrack> rollTrack;
    std::unique_ptr<sVisibility> visibility;
};

// Camera viewport, projection and orientation.
#include "engine/scene/camera.h"

#include <cmath>

cCamera::cCamera() : cSceneObject(kNodeCamera) {}

cCamera::~cCamera() = default;

void cCamera::SetViewport(uint32_t width, uint32_t height) {
    viewportWidth = width;
    viewportHeight = height;
    aspect = static_cast<float>(height) / static_cast<float>(width);
    UpdateView();
}

void cCamera::SetTarget(cSceneObject* node) {
    target = node;
    UpdateView();
}

void cCamera::UpdateProjection() {
    float halfWidth = static_cast<float>(viewportWidth / 2);  // integer halves
    float halfHeight = static_cast<float>(viewportHeight / 2);
    float t = std::tan(fov * 0.5f * 0.0055555557f * kPi);
    scaleX = halfWidth / t;
    scaleY = halfHeight / aspect / t;
    // The half angles of the view volume, narrowed a little so that vertices
    // made by clipping project just inside the target.
    float a1 = std::atan2(halfWidth, scaleX) - 0.0001f;
    float a2 = std::atan2(halfHeight, scaleY) - 0.0001f;
    planes[kPlaneTop].Set(0.0f, -std::cos(a2), std::sin(a2), 0.0f);
    planes[kPlaneBottom].Set(0.0f, std::cos(a2), std::sin(a2), 0.0f);
    planes[kPlaneRight].Set(-std::cos(a1), 0.0f, std::sin(a1), 0.0f);
    planes[kPlaneLeft].Set(std::cos(a1), 0.0f, std::sin(a1), 0.0f);
    planes[kPlaneNear].Set(0.0f, 0.0f, 1.0f, nearDistance);
}

void cCamera::UpdateView() {
    if (!target) return;
    UpdateProjection();
    cVector d = target->position - position;
    float h = std::sqrt(d.x * d.x + d.z * d.z);
    if (h > 0.0f && h < 0.0001f) h = 0.0f;
    float yaw = -std::atan2(d.x, d.z);
    float pitch = std::atan2(d.y, h);
    float sy = std::sin(yaw), cy = std::cos(yaw);
    float sx = std::sin(pitch), cx = std::cos(pitch);
    float sr = std::sin(roll), cr = std::cos(roll);
    // The rows are the camera's axes in world coordinates; row 2 is the unit
    // direction towards the target.
    matrix = cMatrix(cy * cr + sy * sx * sr, cx * sr, sy * cr - cy * sx * sr,
                     sy * sx * cr - cy * sr, cx * cr, -cy * sx * cr - sy * sr,
                     -sy * cx, sx, cx * cy);
}

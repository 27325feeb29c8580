// A plane (normal, offset d); the signed distance of p is n . p - d.
#pragma once

#include "engine/scene/vector.h"

enum ePlaneSide : int { kPlaneFront = 1, kPlaneBehind = 2 };

class cPlane {
public:
    cPlane() = default;
    cPlane(float nx, float ny, float nz, float d) : nx(nx), ny(ny), nz(nz), d(d) {}

    void Set(float newNx, float newNy, float newNz, float newD) { *this = cPlane(newNx, newNy, newNz, newD); }
    // n . p, without the offset.
    float Dot(const cVector& p) const { return nx * p.x + ny * p.y + nz * p.z; }
    // kPlaneBehind when the signed distance is below -0.001, otherwise
    // kPlaneFront: points within 0.001 behind the plane count as in front,
    // so vertices made by clipping against it are not clipped again.
    int Classify(const cVector& p, float* distance = nullptr) const {
        float signedDistance = Dot(p) - d;
        if (distance) *distance = signedDistance;
        return signedDistance < -0.001f ? kPlaneBehind : kPlaneFront;
    }

    float nx = 0.0f;
    float ny = 0.0f;
    float nz = 0.0f;
    float d = 0.0f;
};

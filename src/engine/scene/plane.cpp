// Plane classification.
#include "engine/scene/plane.h"

int cPlane::Classify(const cVector& p, float* distance) const {
    float signedDistance = Dot(p) - d;
    if (distance) *distance = signedDistance;
    return signedDistance < -0.001f ? kPlaneBehind : kPlaneFront;
}

// Quaternions (w, x, y, z; scalar part first) for orientations and their
// keyframe interpolation. The formulas are kept exactly as the scene files'
// curves were made with: no normalisation anywhere unless written, and the
// degenerate cases answered with fixed values instead of NaN.
#pragma once

#include "engine/scene/matrix.h"

// Written as floats so that every use rounds the same way.
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

class cQuat {
public:
    cQuat() = default;  // the identity (1, 0, 0, 0)
    cQuat(float w, float x, float y, float z) : w(w), x(x), y(y), z(z) {}

    static cQuat Identity() { return cQuat(); }
    // (cos h, sin h ax, sin h ay, sin h az) with h = angle / 2; the axis is
    // used as given, so an axis longer than 1 gives a longer quaternion.
    static cQuat FromAngleAxis(float angle, float ax, float ay, float az);

    // Hamilton product, this on the left.
    cQuat operator*(const cQuat& b) const;
    cQuat operator+(const cQuat& b) const { return {w + b.w, x + b.x, y + b.y, z + b.z}; }
    cQuat operator-(const cQuat& b) const { return {w - b.w, x - b.x, y - b.y, z - b.z}; }
    cQuat operator*(float k) const { return {w * k, x * k, y * k, z * k}; }
    cQuat operator-() const { return {-w, -x, -y, -z}; }

    // Length, with a zero length (of either sign) reported as 1 so callers
    // can divide by it.
    float Length() const;
    // (f w, -f x, -f y, -f z) with f = 1 / squared length, or f = 1 for the
    // zero quaternion.
    cQuat Inverse() const;
    // In place: (f w, -f x, -f y, -f z) with f = 1 / Length(). The conjugate
    // for a unit quaternion; differs from Inverse() for other lengths.
    void ConjugateOverLength();
    // Rotation matrix (meant for unit quaternions); M v rotates v by q.
    cMatrix ToMatrix() const;

    void Print() const;
    void LogValue() const;

    float w = 1.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// All four components.
float Dot(const cQuat& a, const cQuat& b);
// Exponential of the pure quaternion (0, x, y, z); the scalar part of `q` is
// ignored.
cQuat Exp(const cQuat& q);
// Logarithm of the difference between a and b: the vector part of
// inverse(a) b scaled by its angle, with the angle taken from dot(a, b).
cQuat LogDifference(const cQuat& a, const cQuat& b);
// Spherical interpolation k0 q + k1 p, not normalised, without flipping p
// for a negative dot product (so it may take the long way).
cQuat Slerp(const cQuat& q, const cQuat& p, float t);

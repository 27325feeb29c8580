// A 3-component float vector: positions, scales, keyframe values.
#pragma once

class cVector {
public:
    cVector() = default;
    cVector(float x, float y, float z) : x(x), y(y), z(z) {}

    cVector operator+(const cVector& o) const { return {x + o.x, y + o.y, z + o.z}; }
    cVector operator-(const cVector& o) const { return {x - o.x, y - o.y, z - o.z}; }
    cVector operator*(float k) const { return {x * k, y * k, z * k}; }

    // Diagnostic dumps: "%.7f\t\t%.7f\t\t%.7f\n" on standard output, and the
    // same values behind "   [Vector] " in the log.
    void Print() const;
    void LogValue() const;

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

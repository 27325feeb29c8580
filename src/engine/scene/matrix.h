// A 3 x 3 rotation-and-scale matrix, stored row by row, acting on column
// vectors (v' = M v). Translation is never part of it: a placement is a
// matrix plus a position, p' = M p + P.
#pragma once

#include "engine/scene/vector.h"

class cMatrix {
public:
    // The identity.
    cMatrix() = default;
    cMatrix(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21,
            float m22)
        : m{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}

    static cMatrix Identity() { return cMatrix(); }
    // Diagonal (s.x, s.y, s.z), zero elsewhere.
    static cMatrix Scale(const cVector& s);

    // Row-by-column product: (A B)ij = sum over k of aik bkj.
    cMatrix operator*(const cMatrix& b) const;
    // Inline: the renderer applies it to every vertex and normal.
    cVector operator*(const cVector& v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }

    // Three lines "%.7f\t%.7f\t%.7f\n" on standard output; in the log the
    // first row behind "   [Matrix] " and the others indented to match.
    void Print() const;
    void LogValue() const;

    float m[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
};

// cMatrix products and diagnostic output.
#include "engine/scene/matrix.h"

#include <cstdio>

#include "kernel/services.h"

cMatrix cMatrix::Scale(const cVector& s) {
    return cMatrix(s.x, 0.0f, 0.0f, 0.0f, s.y, 0.0f, 0.0f, 0.0f, s.z);
}

cMatrix cMatrix::operator*(const cMatrix& b) const {
    cMatrix r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j];
    return r;
}

void cMatrix::Print() const {
    for (const auto& row : m)
        std::printf("%.7f\t%.7f\t%.7f\n", static_cast<double>(row[0]), static_cast<double>(row[1]),
                    static_cast<double>(row[2]));
}

void cMatrix::LogValue() const {
    for (int i = 0; i < 3; ++i)
        Log(i == 0 ? "   [Matrix] %.7f\t%.7f\t%.7f\n" : "            %.7f\t%.7f\t%.7f\n",
            static_cast<double>(m[i][0]), static_cast<double>(m[i][1]), static_cast<double>(m[i][2]));
}

// Quaternion operations.
#include "engine/scene/quat.h"

#include <cmath>
#include <cstdio>

#include "kernel/services.h"

cQuat cQuat::FromAngleAxis(float angle, float ax, float ay, float az) {
    float h = angle * 0.5f;
    float s = std::sin(h);
    return {std::cos(h), s * ax, s * ay, s * az};
}

cQuat cQuat::operator*(const cQuat& b) const {
    return {w * b.w - x * b.x - y * b.y - z * b.z, w * b.x + x * b.w + y * b.z - z * b.y,
            w * b.y + y * b.w + z * b.x - x * b.z, w * b.z + z * b.w + x * b.y - y * b.x};
}

float cQuat::Length() const {
    float length = std::sqrt(w * w + x * x + y * y + z * z);
    return length == 0.0f ? 1.0f : length;  // == also holds for -0
}

cQuat cQuat::Inverse() const {
    float n = w * w + x * x + y * y + z * z;
    float f = n == 0.0f ? 1.0f : 1.0f / n;
    return {f * w, -f * x, -f * y, -f * z};
}

void cQuat::ConjugateOverLength() {
    float f = 1.0f / Length();
    *this = {f * w, -f * x, -f * y, -f * z};
}

cMatrix cQuat::ToMatrix() const {
    return cMatrix(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y - w * z), 2.0f * (x * z + w * y),
                   2.0f * (x * y + w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z - w * x),
                   2.0f * (x * z - w * y), 2.0f * (y * z + w * x), 1.0f - 2.0f * (x * x + y * y));
}

void cQuat::Print() const {
    std::printf("%.7f\t%.7f\t%.7f\t%.7f\n", static_cast<double>(w), static_cast<double>(x),
                static_cast<double>(y), static_cast<double>(z));
}

void cQuat::LogValue() const {
    Log("     [Quat] %.7f\t%.7f\t%.7f\t%.7f\n", static_cast<double>(w), static_cast<double>(x),
        static_cast<double>(y), static_cast<double>(z));
}

float Dot(const cQuat& a, const cQuat& b) { return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z; }

cQuat Exp(const cQuat& q) {
    float theta = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    float k = theta > 0.0f ? std::sin(theta) / theta : 1.0f;
    return {std::cos(theta), k * q.x, k * q.y, k * q.z};
}

cQuat LogDifference(const cQuat& a, const cQuat& b) {
    cQuat r = a.Inverse() * b;
    float s = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    // The angle comes from the inputs' dot product, not from r.w; for
    // unit inputs the two agree.
    float g = Dot(a, b);
    float phi = g == 0.0f ? kTwoPi : std::atan(s / g);
    if (s != 0.0f) phi /= s;
    return {0.0f, phi * r.x, phi * r.y, phi * r.z};
}

cQuat Slerp(const cQuat& q, const cQuat& p, float t) {
    float g = Dot(q, p);
    float k0, k1;
    // Near-parallel inputs, and inputs longer than unit (|g| > 1, where the
    // arc cosine has no value), take the straight line.
    if (1.0 - std::fabs(static_cast<double>(g)) < 0.000001) {
        k0 = 1.0f - t;
        k1 = t;
    } else {
        float theta = std::acos(g);
        float phi = t * theta;
        float sinTheta = std::sin(theta);
        k0 = std::sin(theta - phi) / sinTheta;
        k1 = std::sin(phi) / sinTheta;
    }
    return q * k0 + p * k1;
}

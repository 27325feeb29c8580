// Keyframe track set-up and evaluation.
#include "engine/scene/track.h"

namespace {

// The per-key weights of a Kochanek-Bartels key: how much of the incoming
// (d1 = V_cur - V_prev) and outgoing (d2 = V_next - V_cur) differences go
// into its two tangents.
struct sWeights {
    float in1, in2, out1, out2;
};

// fp and fn adjust the tangents for unevenly spaced keys; with both
// neighbours they come from the frames and the continuity, otherwise 1.
sWeights KeyWeights(const sKey* prev, const sKey& cur, const sKey* next) {
    const sKeyShape& s = cur.shape;
    float fp = 1.0f, fn = 1.0f;
    if (prev && next) {
        float span = next->frame - prev->frame;
        // Keys sharing a frame give no span to divide by; treat them as
        // evenly spaced instead of producing NaN.
        if (span != 0.0f) {
            float k = 1.0f / (span * 0.5f);
            fp = (cur.frame - prev->frame) * k;
            fn = (next->frame - cur.frame) * k;
        }
        float g = s.continuity < 0.0f ? -s.continuity : s.continuity;
        fp = fp + g - g * fp;
        fn = fn + g - g * fn;
    }
    float a = (1.0f - s.tension) * 0.5f;
    float cm = 1.0f - s.continuity;
    float cp = 2.0f - cm;
    float bm = 1.0f - s.bias;
    float bp = 2.0f - bm;
    return {a * cm * bp * fp, a * cp * bm * fp, a * cp * bp * fn, a * cm * bm * fn};
}

// The end-key correction f = 0.25 - (near span) / (2 x whole span); keys
// sharing a frame count as evenly spaced (f = 0).
float EndFactor(float nearSpan, float wholeSpan) {
    if (wholeSpan == 0.0f) return 0.0f;
    return 0.25f - nearSpan / (wholeSpan * 2.0f);
}

}  // namespace

float Ease(float u, float from, float to) {
    float a = from, b = to;
    float s = a + b;
    if (s == 0.0f) return u;
    if (s > 1.0f) {
        a = a / s;
        b = b / s;
    }
    float k = 1.0f / (2.0f - a - b);
    if (u < a) return (k / a) * u * u;
    if (u >= 1.0f - b) {
        // With no ease-to this is reached only at u = 1, where k / b is
        // undefined; the curve's limit from below is 1.
        if (b == 0.0f) return 1.0f;
        return 1.0f - (k / b) * (1.0f - u) * (1.0f - u);
    }
    return (2.0f * u - a) * k;
}

size_t cTrack::Seek(float frame) {
    size_t k = frame < keys_[cursor_].frame ? 0 : cursor_;
    while (k + 1 < keys_.size() && keys_[k + 1].frame < frame) ++k;
    cursor_ = k;
    return k;
}

float cTrack::SegmentParameter(size_t k, float frame) const {
    const sKey& key = keys_[k];
    const sKey& next = keys_[k + 1];
    float length = next.frame - key.frame;
    // Seek only stops in a segment that holds the frame, so the length is
    // never negative; it is zero for keys sharing a frame, where the first
    // key's value stands.
    float u = length == 0.0f ? 0.0f : (frame - key.frame) / length;
    return Ease(u, key.shape.easeFrom, next.shape.easeTo);
}

void cPositionTrack::AddKey(float frame, const cVector& value, const sKeyShape& shape) {
    sKey key;
    key.frame = frame;
    key.shape = shape;
    key.value[1] = value.x;
    key.value[2] = value.y;
    key.value[3] = value.z;
    keys_.push_back(key);
}

void cPositionTrack::Setup() {
    size_t n = keys_.size();
    if (n >= 2) cursor_ = n - 1;
    if (n == 2) {
        sKey& k0 = keys_[0];
        sKey& k1 = keys_[1];
        for (int c = 0; c < 4; ++c) {
            float d = k1.value[c] - k0.value[c];
            k0.incoming[c] = 0.0f;
            k0.outgoing[c] = (1.0f - k0.shape.tension) * d;
            k1.outgoing[c] = 0.0f;
            k1.incoming[c] = (1.0f - k1.shape.tension) * d;
        }
        return;
    }
    if (n < 3) return;

    for (size_t i = 1; i + 1 < n; ++i) {
        const sKey& prev = keys_[i - 1];
        sKey& cur = keys_[i];
        const sKey& next = keys_[i + 1];
        sWeights w = KeyWeights(&prev, cur, &next);
        for (int c = 0; c < 4; ++c) {
            float d1 = cur.value[c] - prev.value[c];
            float d2 = next.value[c] - cur.value[c];
            cur.incoming[c] = w.in1 * d1 + w.in2 * d2;
            cur.outgoing[c] = w.out1 * d1 + w.out2 * d2;
        }
    }

    // The end keys have one neighbour: their free tangent comes from a
    // parabola through the first (or last) three keys.
    sKey& k0 = keys_[0];
    const sKey& k1 = keys_[1];
    const sKey& k2 = keys_[2];
    float f = EndFactor(k1.frame - k0.frame, k2.frame - k0.frame);
    for (int c = 0; c < 4; ++c) {
        float h = (k2.value[c] - k0.value[c]) * 0.5f;
        k0.outgoing[c] = (1.0f - k0.shape.tension) *
                         (h + ((k1.value[c] - k0.value[c]) - h) * 3.0f * 0.5f + (k2.value[c] - k0.value[c]) * f);
    }
    sKey& z = keys_[n - 1];
    const sKey& z1 = keys_[n - 2];
    const sKey& z2 = keys_[n - 3];
    f = EndFactor(z.frame - z1.frame, z.frame - z2.frame);
    for (int c = 0; c < 4; ++c) {
        float h = (z.value[c] - z2.value[c]) * 0.5f;
        z.incoming[c] = (1.0f - z.shape.tension) *
                        (h + ((z.value[c] - z1.value[c]) - h) * 3.0f * 0.5f + (z.value[c] - z2.value[c]) * f);
    }
}

cVector cPositionTrack::Evaluate(float frame) {
    if (frame < 0.0f) frame = 0.0f;
    if (keys_.empty()) return {};
    size_t k = Seek(frame);
    const sKey& key = keys_[k];
    if (k + 1 == keys_.size() || frame < key.frame) return {key.value[1], key.value[2], key.value[3]};
    const sKey& next = keys_[k + 1];
    float u = SegmentParameter(k, frame);
    float u2 = u * u;
    float u3 = u2 * u;
    float h1 = 2.0f * u3 - 3.0f * u2 + 1.0f;
    float h2 = -2.0f * u3 + 3.0f * u2;
    float h3 = u3 - 2.0f * u2 + u;
    float h4 = u3 - u2;
    float r[4];
    for (int c = 1; c < 4; ++c)
        r[c] = h1 * key.value[c] + h2 * next.value[c] + h3 * key.outgoing[c] + h4 * next.incoming[c];
    return {r[1], r[2], r[3]};
}

void cRotationTrack::AddKey(float frame, const cQuat& orientation, const sKeyShape& shape) {
    sKey key;
    key.frame = frame;
    key.shape = shape;
    key.orientation = orientation;
    keys_.push_back(key);
}

void cRotationTrack::AddRelativeKey(float frame, float angle, const cVector& axis, const sKeyShape& shape) {
    cQuat previous = keys_.empty() ? cQuat() : keys_.back().orientation;
    AddKey(frame, cQuat::FromAngleAxis(angle, axis.x, axis.y, axis.z) * previous, shape);
}

void cRotationTrack::Setup() {
    size_t n = keys_.size();
    if (n >= 2) cursor_ = n - 1;
    if (n < 2) return;
    for (size_t i = 0; i < n; ++i) {
        sKey& cur = keys_[i];
        const sKey* prev = i > 0 ? &keys_[i - 1] : nullptr;
        const sKey* next = i + 1 < n ? &keys_[i + 1] : nullptr;
        const cQuat& qc = cur.orientation;
        cQuat g1, g2;
        if (prev) {
            cQuat qp = prev->orientation;
            if (Dot(qp, qc) < 0.0f) qp.ConjugateOverLength();
            g1 = LogDifference(qp, qc);
        }
        if (next) {
            cQuat qn = next->orientation;
            if (Dot(qn, qc) < 0.0f) qn.ConjugateOverLength();
            g2 = LogDifference(qc, qn);
        }
        if (!prev) g1 = g2;
        if (!next) g2 = g1;
        sWeights w = KeyWeights(prev, cur, next);
        cQuat e = (g1 * w.out1 + g2 * (w.out2 - 1.0f)) * 0.5f;
        cQuat f = (g1 * (1.0f - w.in1) - g2 * w.in2) * 0.5f;
        cur.inControl = qc * Exp(e);
        cur.outControl = qc * Exp(f);
    }
}

cQuat cRotationTrack::Evaluate(float frame) {
    if (frame < 0.0f || keys_.empty()) return {};
    size_t k = Seek(frame);
    const sKey& key = keys_[k];
    if (k + 1 == keys_.size() || frame < key.frame) return key.orientation;
    const sKey& next = keys_[k + 1];
    float u = SegmentParameter(k, frame);
    cQuat q1 = Slerp(key.orientation, next.orientation, u);
    cQuat q2 = Slerp(key.outControl, next.inControl, u);
    return Slerp(q1, q2, 2.0f * u * (1.0f - u));
}

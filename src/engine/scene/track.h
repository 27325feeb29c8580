// Keyframe tracks: Kochanek-Bartels splines with tension, continuity, bias
// and ease. Position-type tracks (position, scaling, camera roll) are cubic
// Hermite curves per component; rotation tracks interpolate orientations on
// the quaternion sphere through a spherical quadrangle of per-key controls.
//
// Time is in frames. Evaluation remembers the key it found last (the
// cursor), so playing forward costs a constant number of steps per frame;
// only going back before the cursor's key restarts at the first key.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/scene/quat.h"
#include "engine/scene/vector.h"

struct sKeyShape {
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    float easeTo = 0.0f;
    float easeFrom = 0.0f;
};

struct sKey {
    float frame = 0.0f;
    sKeyShape shape;
    // (s, x, y, z): position-type keys use x, y, z; s stays 1 so it never
    // contributes to a tangent. Rotation keys leave it alone.
    float value[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    float incoming[4] = {};  // tangents of position-type keys
    float outgoing[4] = {};
    cQuat inControl;         // controls of rotation keys
    cQuat outControl;
    cQuat orientation;       // absolute orientation of a rotation key
};

// The ease of segment parameter u in [0, 1], with `from` the ease-from of
// the segment's first key and `to` the ease-to of its second: quadratic
// ramps at the ends, linear between; ease values summing above 1 are scaled
// to sum 1.
float Ease(float u, float from, float to);

class cTrack {
public:
    size_t KeyCount() const { return keys_.size(); }
    const sKey& Key(size_t i) const { return keys_[i]; }

protected:
    // Moves the cursor to the key K whose segment [K, next) holds `frame`
    // (or to the first/last key outside the keys' range) and returns its
    // index. Needs at least one key.
    size_t Seek(float frame);
    // The eased parameter of `frame` in the segment from key k to key k + 1.
    float SegmentParameter(size_t k, float frame) const;

    std::vector<sKey> keys_;
    size_t cursor_ = 0;
};

// Position, scaling and roll.
class cPositionTrack : public cTrack {
public:
    void AddKey(float frame, const cVector& value, const sKeyShape& shape);
    // Computes every key's tangents once the last key is in; points the
    // cursor at the last key.
    void Setup();
    // Frames below 0 count as 0; before the first key the first key's value,
    // after the last key the last key's value. No keys: (0, 0, 0).
    cVector Evaluate(float frame);
};

class cRotationTrack : public cTrack {
public:
    void AddKey(float frame, const cQuat& orientation, const sKeyShape& shape);
    // A key as the scene file stores it: a rotation relative to the previous
    // key's orientation, O_k = q_k O_(k-1), the new rotation on the left.
    void AddRelativeKey(float frame, float angle, const cVector& axis, const sKeyShape& shape);
    void Setup();
    // The identity for frames below 0 (not moved to 0) and for a track
    // without keys; outside the keys' range the nearest key's orientation.
    cQuat Evaluate(float frame);
};

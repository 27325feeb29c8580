#include <gtest/gtest.h>

#include <cmath>

#include "engine/scene/track.h"

namespace {

cPositionTrack MakeTrack(std::initializer_list<std::pair<float, float>> keys, sKeyShape middle = {}) {
    cPositionTrack track;
    size_t i = 0;
    for (auto [frame, value] : keys) {
        bool inner = i != 0 && i + 1 != keys.size();
        track.AddKey(frame, cVector(value, -value, 1), inner ? middle : sKeyShape{});
        ++i;
    }
    track.Setup();
    return track;
}

TEST(Track, EaseRampsAndHalving) {
    struct Case {
        float u, from, to, expected;
    } cases[] = {
        {0.25f, 0.5f, 0.5f, 0.125f},  // (1 / 0.5) x 0.0625
        {0.5f, 0.5f, 0.5f, 0.5f},
        {0.75f, 0.5f, 0.5f, 0.875f},
        {0.25f, 1.0f, 1.0f, 0.125f},  // a sum of 2 is halved first
        {0.3f, 0.0f, 0.0f, 0.3f},     // no ease
        {0.3f, 0.5f, -0.5f, 0.3f},    // a zero sum of either sign
        {1.0f, 0.5f, 0.0f, 1.0f},     // no ease-to: the limit, not 0 / 0
        {0.5f, 0.0f, 0.5f, 2.0f / 3.0f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Ease(c.u, c.from, c.to), c.expected, 1e-6) << c.u << " " << c.from << " " << c.to;
}

TEST(Track, OneAndTwoKeys) {
    cPositionTrack empty;
    empty.Setup();
    EXPECT_EQ(empty.Evaluate(3).x, 0.0f);

    cPositionTrack one = MakeTrack({{4, 7}});
    for (float f : {-3.0f, 0.0f, 4.0f, 100.0f}) EXPECT_EQ(one.Evaluate(f).x, 7.0f);

    // Tangents 10 and 10: the Hermite curve is the straight line.
    cPositionTrack two = MakeTrack({{0, 0}, {10, 10}});
    EXPECT_EQ(two.Key(0).outgoing[1], 10.0f);
    EXPECT_EQ(two.Key(1).incoming[1], 10.0f);
    EXPECT_NEAR(two.Evaluate(5).x, 5.0f, 1e-6);
    EXPECT_NEAR(two.Evaluate(2.5f).y, -2.5f, 1e-6);
    EXPECT_EQ(two.Evaluate(5).z, 1.0f);
    EXPECT_EQ(two.Evaluate(-3).x, 0.0f);  // frames below 0 count as 0
    EXPECT_EQ(two.Evaluate(50).x, 10.0f); // no looping past the last key
}

TEST(Track, KochanekBartelsTangents) {
    // Middle key: a = 0.5, so both tangents are the mean of 10 and 20.
    cPositionTrack plain = MakeTrack({{0, 0}, {10, 10}, {20, 30}});
    EXPECT_FLOAT_EQ(plain.Key(1).incoming[1], 15.0f);
    EXPECT_FLOAT_EQ(plain.Key(1).outgoing[1], 15.0f);
    // End keys: f = 0 for even spacing; 15 + (10 - 15) x 1.5 and 15 + (20 - 15) x 1.5.
    EXPECT_FLOAT_EQ(plain.Key(0).outgoing[1], 7.5f);
    EXPECT_FLOAT_EQ(plain.Key(2).incoming[1], 22.5f);
    EXPECT_FLOAT_EQ(plain.Key(0).outgoing[0], 0.0f);  // the s slot stays still
    // u = 0.5: 0.5 x 10 + 0.125 x 7.5 - 0.125 x 15.
    EXPECT_FLOAT_EQ(plain.Evaluate(5).x, 4.0625f);
    EXPECT_FLOAT_EQ(plain.Evaluate(10).x, 10.0f);

    struct Case {
        sKeyShape shape;
        float incoming, outgoing;
    } cases[] = {
        {{0.5f, 0, 0, 0, 0}, 7.5f, 7.5f},   // tension halves both
        {{0, 0, 1.0f, 0, 0}, 10.0f, 10.0f}, // bias 1: all from the incoming side
        {{0, 0, -1.0f, 0, 0}, 20.0f, 20.0f},
        {{0, 1.0f, 0, 0, 0}, 20.0f, 10.0f}, // continuity 1: fp = fn = 1, in = d2, out = d1
        {{0, -1.0f, 0, 0, 0}, 10.0f, 20.0f},
    };
    for (const Case& c : cases) {
        cPositionTrack t = MakeTrack({{0, 0}, {10, 10}, {20, 30}}, c.shape);
        EXPECT_FLOAT_EQ(t.Key(1).incoming[1], c.incoming);
        EXPECT_FLOAT_EQ(t.Key(1).outgoing[1], c.outgoing);
    }

    // Uneven spacing scales the tangents by the neighbouring spans:
    // k = 1/20, fp = 0.5, fn = 1.5.
    cPositionTrack uneven = MakeTrack({{0, 0}, {10, 10}, {40, 30}});
    EXPECT_FLOAT_EQ(uneven.Key(1).incoming[1], 0.5f * 15.0f);
    EXPECT_FLOAT_EQ(uneven.Key(1).outgoing[1], 1.5f * 15.0f);
    // f = 0.25 - 10 / 80 for the first key.
    EXPECT_FLOAT_EQ(uneven.Key(0).outgoing[1], 15.0f + (10.0f - 15.0f) * 1.5f + 30.0f * 0.125f);
}

TEST(Track, CursorFindsTheSegmentForwardAndBack) {
    cPositionTrack t = MakeTrack({{0, 0}, {10, 10}, {20, 20}, {30, 30}, {40, 40}});
    float forward[] = {0, 5, 12, 20, 33, 40, 45};
    for (float f : forward) EXPECT_NEAR(t.Evaluate(f).x, f > 40 ? 40 : f, 0.8f) << f;
    // Back to an earlier segment, then forward again.
    EXPECT_NEAR(t.Evaluate(15).x, 15, 0.8f);
    EXPECT_EQ(t.Evaluate(10).x, 10.0f);
    EXPECT_EQ(t.Evaluate(30).x, 30.0f);
    // Keys sharing a frame neither divide by zero nor give NaN.
    cPositionTrack shared = MakeTrack({{0, 0}, {10, 5}, {10, 10}, {20, 20}});
    for (float f : {0.0f, 10.0f, 15.0f}) EXPECT_FALSE(std::isnan(shared.Evaluate(f).x)) << f;
}

void ExpectAngleAboutZ(const cQuat& q, float degrees) {
    cQuat e = cQuat::FromAngleAxis(degrees * kPi / 180.0f, 0, 0, 1);
    EXPECT_NEAR(q.w, e.w, 1e-5) << degrees;
    EXPECT_NEAR(q.x, 0, 1e-5);
    EXPECT_NEAR(q.y, 0, 1e-5);
    EXPECT_NEAR(q.z, e.z, 1e-5) << degrees;
}

TEST(Track, RelativeRotationKeysCompose) {
    cRotationTrack t;
    t.AddRelativeKey(0, kPi / 2, cVector(0, 0, 1), {});
    t.AddRelativeKey(10, kPi / 2, cVector(0, 0, 1), {});
    t.Setup();
    ExpectAngleAboutZ(t.Evaluate(10), 180);
    ExpectAngleAboutZ(t.Evaluate(0), 90);
    ExpectAngleAboutZ(t.Evaluate(5), 135);
    ExpectAngleAboutZ(t.Evaluate(99), 180);
    ExpectAngleAboutZ(t.Evaluate(-3), 0);  // below 0: the identity, not frame 0

    // The new key's rotation is applied after the previous orientation.
    cRotationTrack order;
    order.AddRelativeKey(0, kPi / 2, cVector(0, 0, 1), {});
    order.AddRelativeKey(10, kPi / 2, cVector(1, 0, 0), {});
    cVector v = order.Key(1).orientation.ToMatrix() * cVector(1, 0, 0);  // x -> y -> z
    EXPECT_NEAR(v.z, 1.0f, 1e-6);

    // Three keys pass through each key's orientation.
    cRotationTrack three;
    three.AddRelativeKey(0, 0.5f, cVector(0, 1, 0), {});
    three.AddRelativeKey(8, 0.7f, cVector(1, 0, 0), {0.3f, 0.2f, -0.4f, 0, 0});
    three.AddRelativeKey(20, -0.4f, cVector(0, 0, 1), {});
    three.Setup();
    for (size_t k = 0; k < 3; ++k) {
        cQuat q = three.Evaluate(three.Key(k).frame);
        EXPECT_NEAR(Dot(q, three.Key(k).orientation), 1.0f, 1e-5) << k;
    }
    EXPECT_NEAR(three.Evaluate(14).Length(), 1.0f, 0.02f);
    cRotationTrack none;
    ExpectAngleAboutZ(none.Evaluate(4), 0);
}

}  // namespace

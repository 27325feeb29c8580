#include <gtest/gtest.h>

#include <cmath>

#include "engine/scene/plane.h"
#include "engine/scene/quat.h"
#include "kernel/services.h"

namespace {

void ExpectQuat(const cQuat& q, float w, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(q.w, w, tolerance);
    EXPECT_NEAR(q.x, x, tolerance);
    EXPECT_NEAR(q.y, y, tolerance);
    EXPECT_NEAR(q.z, z, tolerance);
}

TEST(SceneMath, MatrixProductsFollowTheColumnVectorConvention) {
    cMatrix a(1, 2, 3, 4, 5, 6, 7, 8, 9);
    cMatrix b(0, 1, 0, -1, 0, 0, 0, 0, 2);
    cMatrix ab = a * b;
    const float expected[3][3] = {{-2, 1, 6}, {-5, 4, 12}, {-8, 7, 18}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(ab.m[i][j], expected[i][j]) << i << j;
    cVector v = a * cVector(1, 0, -1);
    EXPECT_EQ(v.x, -2);
    EXPECT_EQ(v.y, -2);
    EXPECT_EQ(v.z, -2);
    cVector s = cMatrix::Scale(cVector(2, 3, 4)) * cVector(1, 1, 1);
    EXPECT_EQ(s.x, 2);
    EXPECT_EQ(s.y, 3);
    EXPECT_EQ(s.z, 4);
    EXPECT_EQ(cMatrix().m[1][1], 1.0f);
    EXPECT_EQ(cMatrix().m[0][1], 0.0f);
}

TEST(SceneMath, QuaternionRotatesColumnVectors) {
    // 90 degrees about z takes x to y.
    cQuat q = cQuat::FromAngleAxis(kPi / 2, 0, 0, 1);
    cVector v = q.ToMatrix() * cVector(1, 0, 0);
    EXPECT_NEAR(v.x, 0, 1e-6);
    EXPECT_NEAR(v.y, 1, 1e-6);
    // Products compose with the left factor applied last.
    cQuat x90 = cQuat::FromAngleAxis(kPi / 2, 1, 0, 0);
    cVector composed = (x90 * q).ToMatrix() * cVector(1, 0, 0);  // x -> y -> z
    EXPECT_NEAR(composed.z, 1, 1e-6);
    ExpectQuat(cQuat::FromAngleAxis(0, 5, 6, 7), 1, 0, 0, 0);
    // The axis is not normalised.
    EXPECT_GT(cQuat::FromAngleAxis(1, 2, 0, 0).Length(), 1.0f);
}

TEST(SceneMath, DegenerateQuaternionsGiveFixedValues) {
    EXPECT_EQ(cQuat(0, 0, 0, 0).Length(), 1.0f);
    EXPECT_EQ(cQuat(-0.0f, 0, -0.0f, 0).Length(), 1.0f);
    ExpectQuat(cQuat(0, 0, 0, 0).Inverse(), 0, 0, 0, 0);
    ExpectQuat(cQuat(2, 0, 0, 0).Inverse(), 0.5f, 0, 0, 0);
    // Conjugate over length is not the inverse for a non-unit quaternion.
    cQuat c(0, 2, 0, 0);
    c.ConjugateOverLength();
    ExpectQuat(c, 0, -1, 0, 0);
    ExpectQuat(cQuat(0, 2, 0, 0).Inverse(), 0, -0.5f, 0, 0);
    ExpectQuat(Exp(cQuat(7, 0, 0, 0)), 1, 0, 0, 0);
    ExpectQuat(Exp(cQuat(0, kPi / 2, 0, 0)), 0, 1, 0, 0);
}

TEST(SceneMath, LogDifferenceBranches) {
    cQuat a = cQuat::FromAngleAxis(0.5f, 0, 1, 0);
    // No vector part in inverse(a) b: zero, without a division by s.
    ExpectQuat(LogDifference(a, a), 0, 0, 0, 0);
    // Half the angle between them, along the axis.
    ExpectQuat(LogDifference(cQuat(), cQuat::FromAngleAxis(1.0f, 0, 0, 1)), 0, 0, 0, 0.5f);
    // A zero dot product uses 2 pi before the division by s.
    cQuat r = LogDifference(cQuat(1, 0, 0, 0), cQuat(0, 0, 0, 3));
    ExpectQuat(r, 0, 0, 0, kTwoPi, 1e-5f);
}

TEST(SceneMath, SlerpTakesTheLinearBranchNearParallel) {
    cQuat q = cQuat::FromAngleAxis(0.7f, 0, 1, 0);
    for (float t : {0.0f, 0.3f, 1.0f}) ExpectQuat(Slerp(q, q, t), q.w, q.x, q.y, q.z);
    // Opposite quaternions are parallel too: the straight line crosses zero.
    ExpectQuat(Slerp(q, -q, 0.5f), 0, 0, 0, 0);
    // A proper arc: halfway between 0 and 90 degrees about z is 45 degrees.
    cQuat half = Slerp(cQuat(), cQuat::FromAngleAxis(kPi / 2, 0, 0, 1), 0.5f);
    cQuat expected = cQuat::FromAngleAxis(kPi / 4, 0, 0, 1);
    ExpectQuat(half, expected.w, expected.x, expected.y, expected.z);
    // A negative dot product is not flipped: the long way round.
    cQuat longWay = Slerp(cQuat(), cQuat(-0.6f, 0, 0, 0.8f), 0.5f);
    EXPECT_NEAR(longWay.Length(), 1.0f, 1e-5);
    EXPECT_NEAR(longWay.w, std::cos(std::acos(-0.6f) / 2), 1e-5);
}

TEST(SceneMath, PlaneKeepsPointsJustBehindInFront) {
    cPlane plane(0, 0, 1, 2);
    float distance = 0;
    EXPECT_EQ(plane.Classify(cVector(5, 5, 2 - 0.0005f), &distance), kPlaneFront);
    EXPECT_NEAR(distance, -0.0005f, 1e-6);
    EXPECT_EQ(plane.Classify(cVector(0, 0, 2 - 0.002f)), kPlaneBehind);
    EXPECT_EQ(plane.Classify(cVector(0, 0, 3)), kPlaneFront);
    EXPECT_EQ(plane.Dot(cVector(1, 1, 1)), 1.0f);
}

TEST(SceneMath, DebugOutputFormats) {
    testing::internal::CaptureStdout();
    cQuat(1, 0.5f, 0, -2).Print();
    cVector(1, 2, 3).Print();
    cMatrix().Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "1.0000000\t0.5000000\t0.0000000\t-2.0000000\n"
              "1.0000000\t\t2.0000000\t\t3.0000000\n"
              "1.0000000\t0.0000000\t0.0000000\n"
              "0.0000000\t1.0000000\t0.0000000\n"
              "0.0000000\t0.0000000\t1.0000000\n");
    ClearLog();
    cQuat().LogValue();
    cVector(0, 0, 1).LogValue();
    cMatrix().LogValue();
    EXPECT_EQ(LogText(),
              "     [Quat] 1.0000000\t0.0000000\t0.0000000\t0.0000000\r\n"
              "   [Vector] 0.0000000\t\t0.0000000\t\t1.0000000\r\n"
              "   [Matrix] 1.0000000\t0.0000000\t0.0000000\r\n"
              "            0.0000000\t1.0000000\t0.0000000\r\n"
              "            0.0000000\t0.0000000\t1.0000000\r\n");
}

}  // namespace

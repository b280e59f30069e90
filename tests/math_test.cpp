#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "gfx/math.h"

namespace {

void expectVectorNear(const VECTOR& v, float x, float y, float z, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

void expectQuatNear(const QUAT& q, float x, float y, float z, float w, float tolerance = 1e-5f) {
  EXPECT_NEAR(q.x, x, tolerance);
  EXPECT_NEAR(q.y, y, tolerance);
  EXPECT_NEAR(q.z, z, tolerance);
  EXPECT_NEAR(q.w, w, tolerance);
}

void expectMatrixNear(const MATRIX& m, const float (&expected)[16], float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i / 4][i % 4], expected[i], tolerance) << "element " << i;
}

bool sameMatrix(const MATRIX& a, const MATRIX& b) {
  return std::memcmp(&a, &b, sizeof(MATRIX)) == 0;
}

}  // namespace

// Reference values: the series evaluated in single precision with every power and every partial
// sum rounded to float, independently of the code under test.
TEST(FastSinCos, GiveTheSeriesValuesBitForBit) {
  struct Point {
    float x, sin, cos;
  };
  const Point points[] = {
      {0.0f, 0.0f, 1.0f},
      {0.5f, 0.4794255197048187f, 0.8775826096534729f},
      {1.0f, 0.8414711952209473f, 0.5403027534484863f},
      {1.5707964f, 1.000017762184143f, 3.205507528036833e-05f},
      {2.0f, 0.9094724655151367f, -0.41582220792770386f},
      {-2.5f, -0.599977970123291f, -0.7983329892158508f},
      {4.0f, -0.7574306130409241f, -0.6524731516838074f},
      {7.0f, 0.6569904685020447f, 0.7538989186286926f},
      {100.0f, -0.5062956809997559f, 0.8623599410057068f},
  };
  for (const Point& p : points) {
    EXPECT_EQ(fastSin(p.x), p.sin) << "x = " << p.x;
    EXPECT_EQ(fastCos(p.x), p.cos) << "x = " << p.x;
  }
}

TEST(FastSinCos, ReduceStrictlyOutsidePiAndSymmetrically) {
  // pi itself is not reduced; the ninth-degree series lands visibly off zero there.
  EXPECT_EQ(fastSin(kPi), 0.014208823442459106f);
  // 3 pi comes back to pi after one whole turn and gives the same value.
  EXPECT_EQ(fastSin(3 * kPi), 0.014208823442459106f);
  EXPECT_EQ(fastSin(-3 * kPi), -0.014208823442459106f);
  EXPECT_EQ(fastSin(-7.0f), -fastSin(7.0f));
  EXPECT_EQ(fastCos(kPi), -0.9741395115852356f);
  for (float x = -40.0f; x <= 40.0f; x += 0.37f) {
    EXPECT_EQ(fastCos(-x), fastCos(x)) << x;
    EXPECT_LE(std::fabs(fastSin(x) - std::sin(x)), 0.02f) << x;
  }
}

TEST(FastSinCos, SurviveAnglesNoIntegerCanHold) {
  // The turn count of such angles does not fit an int; the result is meaningless but defined.
  const float extremes[] = {1e20f, -1e20f, std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()};
  for (float x : extremes) {
    volatile float s = fastSin(x);
    volatile float c = fastCos(x);
    (void)s;
    (void)c;
  }
  EXPECT_TRUE(std::isnan(fastSin(std::numeric_limits<float>::quiet_NaN())));
}

TEST(Heading, MeasuresFromPlusZTowardsPlusXInEveryQuadrant) {
  EXPECT_EQ(heading(1, 0, 0, 0), 1.570795f);
  EXPECT_EQ(heading(0, -1, 0, 0), 3.14159f);
  EXPECT_EQ(heading(-1, 0, 0, 0), 4.712385f);
  // Straight ahead on +Z divides by the 0.001 stand-in and ends just under 2 pi, not at 0.
  EXPECT_EQ(heading(0, 1, 0, 0), 4.712385f + static_cast<float>(std::atan(1000.0)));
  EXPECT_FLOAT_EQ(heading(0, 1, 0, 0), 6.282181739807129f);
  EXPECT_FLOAT_EQ(heading(1, 1, 0, 0), 0.7853981852531433f);
  EXPECT_FLOAT_EQ(heading(1, -1, 0, 0), 2.3561933040618896f);
  EXPECT_FLOAT_EQ(heading(-1, -1, 0, 0), 3.926988363265991f);
  EXPECT_FLOAT_EQ(heading(-1, 1, 0, 0), 5.497783184051514f);
  EXPECT_FLOAT_EQ(heading(3, 4, 1, 1), 0.588002622127533f);  // relative to the second point
  EXPECT_EQ(heading(0, 0, 0, 0), 4.712385f);
}

TEST(HeadingBand, AgreesWithTheHeadingTestEverywhereAndAtTheEdges) {
  const float halfWidth = 1.4141355f;
  auto byHeading = [&](const VECTOR& eye, float centre, const VECTOR& p) {
    return std::fabs(std::remainder(heading(p.x, p.z, eye.x, eye.z) - centre, kTwoPi)) <= halfWidth;
  };
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 16777216.0f;
  };
  int checked = 0;
  for (float centre : {0.0f, 1.0f, 3.14159f, 4.5f, 6.28318f, -2.0f, 12.0f, 100.0f}) {
    const VECTOR eye{next() * 4000 - 2000, 0, next() * 4000 - 2000};
    const HeadingBand band(eye, centre, halfWidth);
    for (int i = 0; i < 2000; ++i) {
      // Anywhere, and right on either edge of the band, near and far.
      const float r = i % 3 == 0 ? next() * 20000 : i % 3 == 1 ? next() * 4 : 1.0e5f * next();
      const float h = i % 2 ? next() * 7.0f : centre + (i % 4 == 1 ? halfWidth : -halfWidth) + (next() - 0.5f) * 1e-5f;
      const VECTOR p{eye.x + r * std::sin(h), 0, eye.z + r * std::cos(h)};
      ASSERT_EQ(band.contains(p), byHeading(eye, centre, p)) << "centre " << centre << " point " << p.x << ", " << p.z;
      ++checked;
    }
    EXPECT_EQ(band.contains(eye), byHeading(eye, centre, eye));
  }
  EXPECT_EQ(checked, 16000);

  // A circle said to be clear of the band has no point in it, and most circles well away from
  // the band are found clear.
  int clear = 0;
  for (int i = 0; i < 4000; ++i) {
    const float centre = next() * 6.28318f;
    const VECTOR eye{next() * 1000, 0, next() * 1000};
    const HeadingBand band(eye, centre, halfWidth);
    const float h = next() * 6.28318f, r = 200 + next() * 5000, radius = next() * 400;
    const VECTOR middle{eye.x + r * std::sin(h), 0, eye.z + r * std::cos(h)};
    if (!band.clearOf(middle, radius)) continue;
    ++clear;
    for (int k = 0; k < 16; ++k) {
      const float a = next() * 6.28318f, d = radius * std::sqrt(next());
      const VECTOR p{middle.x + d * std::sin(a), 0, middle.z + d * std::cos(a)};
      ASSERT_FALSE(band.contains(p)) << i;
      ASSERT_FALSE(byHeading(eye, centre, p)) << i;
    }
  }
  EXPECT_GT(clear, 1500);
}

TEST(ViewVolume, ExcludesOnlySpheresWhollyOutsideTheCamerasView) {
  // The eye at the origin looking along +Z through the game's projection (near 64, far 15000,
  // 45 degrees high, 4:3).
  MATRIX view, projection, both;
  matrixLookAtLH(view, VECTOR{0, 0, 0}, VECTOR{0, 0, 1}, VECTOR{0, 1, 0});
  matrixPerspectiveFovLH(projection, 0.7853982f, 1.3333334f, 64.0f, 15000.0f);
  matrixMultiply(both, view, projection);
  const ViewVolume volume(both);
  EXPECT_FALSE(volume.excludes({0, 0, 1000}, 10));     // straight ahead
  EXPECT_TRUE(volume.excludes({0, 0, -1000}, 10));     // behind
  EXPECT_FALSE(volume.excludes({0, 0, -1000}, 1100));  // behind, but reaching in front
  EXPECT_TRUE(volume.excludes({0, 0, 20000}, 100));    // beyond the far plane
  EXPECT_TRUE(volume.excludes({0, 0, 30}, 20));        // before the near plane
  // At 1000 ahead the view is 414 high and 552 wide each side of the axis.
  EXPECT_TRUE(volume.excludes({700, 0, 1000}, 100));
  EXPECT_FALSE(volume.excludes({700, 0, 1000}, 200));
  EXPECT_TRUE(volume.excludes({-700, 0, 1000}, 100));
  EXPECT_TRUE(volume.excludes({0, 560, 1000}, 100));
  EXPECT_FALSE(volume.excludes({0, -480, 1000}, 100));
  EXPECT_FALSE(volume.excludes({0, 0, 1000}, INFINITY));
  EXPECT_FALSE(volume.excludes({NAN, 0, 1000}, 1));
  // A device that keeps no transforms: nothing is excluded.
  EXPECT_FALSE(ViewVolume(MATRIX{}).excludes({0, 0, -1000}, 1));
}

TEST(ReduceAngle, SubtractsOneTurnOnlyWhenThatShrinksTheAngle) {
  EXPECT_EQ(reduceAngle(7.0f), 7.0f - 6.28318f);
  EXPECT_EQ(reduceAngle(3.2f), 3.2f - 6.28318f);
  EXPECT_EQ(reduceAngle(3.0f), 3.0f);
  EXPECT_EQ(reduceAngle(-1.0f), -1.0f);  // never adds a turn
  EXPECT_EQ(reduceAngle(20.0f), 20.0f - 6.28318f);  // one step only
}

TEST(Vector, NormalizeCrossAndDot) {
  VECTOR v{3, 4, 12};
  EXPECT_EQ(v.length(), 13.0f);
  v.normalize();
  expectVectorNear(v, 3.0f / 13, 4.0f / 13, 12.0f / 13);
  VECTOR zero{0, 0, 0};
  zero.normalize();
  expectVectorNear(zero, 0, 0, 0, 0);

  VECTOR a{1, 3, 0};
  a.lerp(0.25f, VECTOR{5, -1, 8});
  expectVectorNear(a, 2, 2, 2, 0);
  EXPECT_EQ(dot(VECTOR{1, 2, 3}, VECTOR{4, -5, 6}), 12.0f);
  VECTOR c;
  cross(c, VECTOR{1, 0, 0}, VECTOR{0, 1, 0});
  expectVectorNear(c, 0, 0, 1, 0);
  cross(c, VECTOR{1, 2, 3}, VECTOR{4, 5, 6});
  expectVectorNear(c, -3, 6, -3, 0);
}

TEST(Vector, TransformUsesRowVectorsWithoutDivision) {
  MATRIX m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(i + 1);
  VECTOR v{1, 2, 3};
  v.transform(m);
  // (1 2 3 1) times the rows; the fourth column (w) is ignored.
  expectVectorNear(v, 1 + 10 + 27 + 13, 2 + 12 + 30 + 14, 3 + 14 + 33 + 15, 0);
}

TEST(Vector, HermiteMeetsItsEndPointsAndTangents) {
  VECTOR p0{0, 10, -4}, p1{8, 10, 4}, t0{8, 0, 8}, t1{8, 0, 8};
  VECTOR out;
  hermite(out, p0, p1, t0, t1, 0);
  expectVectorNear(out, 0, 10, -4, 0);
  hermite(out, p0, p1, t0, t1, 1);
  expectVectorNear(out, 8, 10, 4, 1e-5f);
  // Tangents equal to the chord make the curve the straight line.
  hermite(out, p0, p1, t0, t1, 0.25f);
  expectVectorNear(out, 2, 10, -2);
  // A curve with zero tangents eases: the midpoint is halfway, a quarter is below a quarter.
  hermite(out, VECTOR{0, 0, 0}, VECTOR{1, 0, 0}, VECTOR{}, VECTOR{}, 0.5f);
  EXPECT_NEAR(out.x, 0.5f, 1e-6f);
  hermite(out, VECTOR{0, 0, 0}, VECTOR{1, 0, 0}, VECTOR{}, VECTOR{}, 0.25f);
  EXPECT_NEAR(out.x, 0.15625f, 1e-6f);
}

TEST(Quat, HamiltonProductAndNormalize) {
  QUAT i{1, 0, 0, 0};
  i.mul(QUAT{0, 1, 0, 0});  // i j = k
  expectQuatNear(i, 0, 0, 1, 0, 0);
  QUAT j{0, 1, 0, 0};
  j.mul(QUAT{1, 0, 0, 0});  // j i = -k
  expectQuatNear(j, 0, 0, -1, 0, 0);
  QUAT q{1, 2, 3, 4};
  q.mulVec(5, 6, 7);
  // (1 2 3 4) (x) (5 6 7 0)
  expectQuatNear(q, 4 * 5 + 2 * 7 - 3 * 6, 4 * 6 - 1 * 7 + 3 * 5, 4 * 7 + 1 * 6 - 2 * 5, -(5 + 12 + 21), 0);

  QUAT n{0, 3, 0, 4};
  n.normalize();
  expectQuatNear(n, 0, 0.6f, 0, 0.8f);
  QUAT zero{0, 0, 0, 0};
  zero.normalize();
  expectQuatNear(zero, 0, 0, 0, 0, 0);
}

TEST(Quat, YawPitchRollTurnTheWorldLeftHanded) {
  QUAT q;
  q.fromYawPitchRoll(0, 0, 0);
  expectQuatNear(q, 0, 0, 0, 1, 0);

  const float quarter = 1.5707964f;
  VECTOR v{0, 0, 1};
  q.fromYawPitchRoll(quarter, 0, 0);
  v.rotate(q);
  expectVectorNear(v, 1, 0, 0, 1e-3f);  // positive yaw turns +Z towards +X

  v.set(0, 1, 0);
  q.fromYawPitchRoll(0, quarter, 0);
  v.rotate(q);
  expectVectorNear(v, 0, 0, 1, 1e-3f);  // positive pitch turns +Y towards +Z

  v.set(1, 0, 0);
  q.fromYawPitchRoll(0, 0, quarter);
  v.rotate(q);
  expectVectorNear(v, 0, 1, 0, 1e-3f);  // positive roll turns +X towards +Y

  // Roll first, then pitch, then yaw: +X rolls onto +Y, pitches onto +Z, yaws onto +X.
  v.set(1, 0, 0);
  q.fromYawPitchRoll(quarter, quarter, quarter);
  v.rotate(q);
  expectVectorNear(v, 1, 0, 0, 1e-3f);
}

TEST(Quat, ToAnglesRecoversTheAnglesOfAPose) {
  VECTOR angles{9, 9, 9};
  QUAT identity;
  identity.toAngles(angles);
  expectVectorNear(angles, 0, 0, 0, 0);

  // Yaw comes back from any pose with a yaw within a quarter turn (the polynomial sine and
  // cosine limit the round trip to about 1e-4).
  const float poses[][3] = {{0.3f, 0.2f, 0.1f}, {-1.2f, 0.5f, -0.7f}, {1.0f, -0.9f, 2.0f}, {0.0f, 0.0f, -2.5f}};
  for (const auto& p : poses) {
    QUAT q;
    q.fromYawPitchRoll(p[0], p[1], p[2]);
    q.toAngles(angles);
    EXPECT_NEAR(angles.y, p[0], 2e-3f);
  }
  // Pitch is measured as the rise of the turned Z axis towards +Y: the opposite sense of the
  // pitch of fromYawPitchRoll. Roll comes back as it went in.
  QUAT q;
  q.fromYawPitchRoll(0, 0.5f, 0);
  q.toAngles(angles);
  expectVectorNear(angles, -0.5f, 0, 0, 2e-3f);
  q.fromYawPitchRoll(0, 0, -2.5f);
  q.toAngles(angles);
  expectVectorNear(angles, 0, 0, -2.5f, 2e-3f);
  q.fromYawPitchRoll(0.4f, 0, 0.7f);
  q.toAngles(angles);
  expectVectorNear(angles, 0, 0.4f, 0.7f, 2e-3f);
}

TEST(Quat, ToAnglesKeepsYawWithinAQuarterTurn) {
  VECTOR angles;
  for (float yaw = -6.0f; yaw <= 6.0f; yaw += 0.25f) {
    for (float pitch = -3.0f; pitch <= 3.0f; pitch += 0.75f) {
      QUAT q;
      q.fromYawPitchRoll(yaw, pitch, 0.4f);
      q.toAngles(angles);
      EXPECT_GE(angles.y, -1.5707964f);
      EXPECT_LE(angles.y, 1.5707964f);
      EXPECT_FALSE(std::isnan(angles.x) || std::isnan(angles.z));
    }
  }
  // Z turned straight up leaves no horizontal direction: still a defined yaw.
  QUAT up;
  up.fromYawPitchRoll(0, -1.5707964f, 0);
  up.toAngles(angles);
  EXPECT_FALSE(std::isnan(angles.y));
}

TEST(Quat, SlerpTakesTheLerpPathForCloseQuaternions) {
  QUAT a{0, 0, 0, 1};
  QUAT b{0, 0.1f, 0, 0.995f};  // d = 0.995
  QUAT viaSlerp, viaNlerp;
  slerp(viaSlerp, a, b, 0.5f);
  nlerp(viaNlerp, a, b, 0.5f);
  EXPECT_EQ(std::memcmp(&viaSlerp, &viaNlerp, sizeof(QUAT)), 0);
  EXPECT_NEAR(viaSlerp.x * viaSlerp.x + viaSlerp.y * viaSlerp.y + viaSlerp.w * viaSlerp.w, 1.0f, 1e-6f);

  // d = -1: the same rotation with the opposite sign; negating b turns the short way (not at all).
  slerp(viaSlerp, a, QUAT{0, 0, 0, -1}, 0.5f);
  expectQuatNear(viaSlerp, 0, 0, 0, 1, 1e-6f);
}

TEST(Quat, SlerpFollowsTheArcForDistantQuaternions) {
  const float s45 = 0.70710677f;
  QUAT a{0, 0, 0, 1};
  QUAT b{0, s45, 0, s45};  // a quarter turn about Y, d = 0.707
  QUAT out;
  slerp(out, a, b, 0.5f);
  expectQuatNear(out, 0, 0.38268343f, 0, 0.92387953f, 1e-3f);
  slerp(out, a, b, 0);
  expectQuatNear(out, 0, 0, 0, 1, 1e-6f);
  slerp(out, a, b, 1);
  expectQuatNear(out, 0, s45, 0, s45, 1e-3f);

  // The far sign of b gives the same arc.
  QUAT far{0, -s45, 0, -s45};
  QUAT outFar;
  slerp(outFar, a, far, 0.3f);
  slerp(out, a, b, 0.3f);
  EXPECT_EQ(std::memcmp(&out, &outFar, sizeof(QUAT)), 0);
}

TEST(Matrix, IsLaidOutAsTheDeviceMatrix) {
  static_assert(std::is_standard_layout_v<MATRIX>);
  static_assert(sizeof(MATRIX) == 16 * sizeof(float));
  MATRIX m;
  m.translation(5, 6, 7);
  const plat::D3DMATRIX* device = &m;
  const float* raw = &device->m[0][0];
  EXPECT_EQ(raw[12], 5.0f);
  EXPECT_EQ(raw[13], 6.0f);
  EXPECT_EQ(raw[14], 7.0f);
  EXPECT_EQ(raw[15], 1.0f);
  MATRIX fresh;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(fresh.m[i / 4][i % 4], 0.0f);
}

TEST(Matrix, ProductAppliesTheLeftMatrixFirstAndAllowsAliasing) {
  MATRIX scale, move;
  scale.scaling(VECTOR{2, 2, 2});
  move.translation(10, 0, 0);
  MATRIX both;
  mulInto(both, scale, move);
  VECTOR p{1, 1, 1};
  p.transform(both);
  expectVectorNear(p, 12, 2, 2, 0);  // scaled first, then moved

  MATRIX a;
  for (int i = 0; i < 16; ++i) a.m[i / 4][i % 4] = static_cast<float>(i % 5 + 1);
  MATRIX expected;
  mulInto(expected, a, a);
  MATRIX self = a;
  self.mul(self);
  EXPECT_TRUE(sameMatrix(self, expected));
  MATRIX left = a;
  mulInto(left, left, a);
  EXPECT_TRUE(sameMatrix(left, expected));
  MATRIX right = a;
  mulInto(right, a, right);
  EXPECT_TRUE(sameMatrix(right, expected));
  EXPECT_EQ(expected.m[0][0], 1 * 1 + 2 * 5 + 3 * 4 + 4 * 3.0f);

  MATRIX t = a;
  t.transpose();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(t.m[r][c], a.m[c][r]);
}

TEST(Matrix, RotationAxisBuildsLeftHandedRotations) {
  const float angle = 0.6f;
  const float s = fastSin(angle), c = fastCos(angle);
  MATRIX m;
  m.rotationAxis('x', angle);
  expectMatrixNear(m, {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1}, 0);
  m.rotationAxis('Y', angle);
  expectMatrixNear(m, {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1}, 0);
  m.rotationAxis('z', angle);
  expectMatrixNear(m, {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 0);

  // Another letter touches only the fourth row and column.
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = 9;
  m.rotationAxis('Q', angle);
  expectMatrixNear(m, {9, 9, 9, 0, 9, 9, 9, 0, 9, 9, 9, 0, 0, 0, 0, 1}, 0);

  // A positive quarter turn about Y takes +Z to +X.
  m.rotationAxis('Y', 1.5707964f);
  VECTOR v{0, 0, 1};
  v.transform(m);
  expectVectorNear(v, 1, 0, 0, 1e-4f);
}

TEST(Matrix, RotationXYZIsZThenXThenY) {
  VECTOR angles{0.4f, -1.1f, 2.2f};
  MATRIX rz, rx, ry, expected;
  rz.rotationAxis('Z', angles.z);
  rx.rotationAxis('X', angles.x);
  ry.rotationAxis('Y', angles.y);
  mulInto(expected, rz, rx);
  expected.mul(ry);
  MATRIX m;
  m.rotationXYZ(angles);
  EXPECT_TRUE(sameMatrix(m, expected));
}

TEST(Matrix, FromQuatMatchesVectorRotate) {
  QUAT q;
  q.fromYawPitchRoll(0.7f, -0.4f, 1.3f);
  MATRIX m;
  m.fromQuat(q);
  const VECTOR points[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {3, -2, 5}};
  for (VECTOR p : points) {
    VECTOR byMatrix = p, byQuat = p;
    byMatrix.transform(m);
    byQuat.rotate(q);
    expectVectorNear(byMatrix, byQuat.x, byQuat.y, byQuat.z, 1e-4f);
  }
  EXPECT_EQ(m.m[3][3], 1.0f);
  EXPECT_EQ(m.m[0][3], 0.0f);
}

TEST(LibraryMatrices, LookAtMatchesHandComputedViews) {
  MATRIX view;
  matrixLookAtLH(view, VECTOR{0, 0, -10}, VECTOR{0, 0, 0}, VECTOR{0, 1, 0});
  expectMatrixNear(view, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1}, 0);

  // Eye on +X looking back at (0, 5, 0): view x is world +Z, view z is world -X.
  matrixLookAtLH(view, VECTOR{10, 5, 0}, VECTOR{0, 5, 0}, VECTOR{0, 1, 0});
  expectMatrixNear(view, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, -5, 10, 1}, 0);

  // A general eye: the target lands on the view axis at the eye distance, up stays up.
  VECTOR eye{300, 400, -500}, target{-20, 60, 80};
  matrixLookAtLH(view, eye, target, VECTOR{0, 1, 0});
  VECTOR t = target;
  t.transform(view);
  VECTOR distance = target;
  distance.sub(eye);
  expectVectorNear(t, 0, 0, distance.length(), 1e-3f);
  EXPECT_NEAR(view.m[1][0], 0, 1e-6f);  // level horizon: world +Y has no part in view x
  EXPECT_GT(view.m[1][1], 0);

  // Eye on the target: no direction, but no NaN either.
  matrixLookAtLH(view, VECTOR{1, 1, 1}, VECTOR{1, 1, 1}, VECTOR{0, 1, 0});
  for (int i = 0; i < 16; ++i) EXPECT_FALSE(std::isnan(view.m[i / 4][i % 4]));
}

TEST(LibraryMatrices, PerspectiveOfTheGameProjection) {
  MATRIX proj;
  matrixPerspectiveFovLH(proj, 0.7853982f, 1.3333334f, 64.0f, 15000.0f);
  // cot(pi/8) = 2.4142137; 2.4142137 / (4/3) = 1.8106602; 15000/14936; -64*15000/14936.
  expectMatrixNear(proj, {1.8106602f, 0, 0, 0, 0, 2.4142137f, 0, 0, 0, 0, 1.0042849f, 1, 0, 0, -64.274235f, 0},
                   1e-5f);
  // Near and far planes map to depth 0 and 1 after the division by w.
  VECTOR nearPoint{0, 0, 64}, farPoint{0, 0, 15000};
  nearPoint.transform(proj);
  farPoint.transform(proj);
  EXPECT_NEAR(nearPoint.z / 64, 0, 1e-6f);
  EXPECT_NEAR(farPoint.z / 15000, 1, 1e-6f);
}

TEST(LibraryMatrices, RotationsUseTheLibrarySineAndTurnLeftHanded) {
  const float angle = 0.8f;
  const float s = std::sin(angle), c = std::cos(angle);
  MATRIX m;
  matrixRotationX(m, angle);
  expectMatrixNear(m, {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1}, 0);
  matrixRotationZ(m, angle);
  expectMatrixNear(m, {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 0);
  matrixRotationY(m, 1.5707964f);
  VECTOR v{0, 0, 1};
  v.transform(m);
  expectVectorNear(v, 1, 0, 0, 1e-6f);
  matrixTranslation(m, 1, 2, 3);
  v.transform(m);
  expectVectorNear(v, 2, 2, 3, 1e-6f);
}

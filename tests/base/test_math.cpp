// Vector, matrix and plane math: layout, order of products, the camera matrix and planes.
#include <gtest/gtest.h>

#include <cmath>

#include "base/kr_math.h"

namespace {

constexpr float kPi = 3.14159265f;

void ExpectVec(const KR_Vector& v, float x, float y, float z, float eps = 1e-5f) {
  EXPECT_NEAR(v.x, x, eps);
  EXPECT_NEAR(v.y, y, eps);
  EXPECT_NEAR(v.z, z, eps);
}

KR_Matrix Translation(float x, float y, float z) {
  KR_Matrix m;
  KR_MatIdentity(&m);
  m.m[12] = x;
  m.m[13] = y;
  m.m[14] = z;
  return m;
}

TEST(Vector, LengthsAndNormals) {
  KR_Vector zero{0, 0, 0}, v{3, 4, 12}, n;
  EXPECT_EQ(KR_VecLength(&zero), 0.0f);
  EXPECT_FLOAT_EQ(KR_VecLength(&v), 13.0f);
  KR_VecNormalise(&n, &v);
  EXPECT_NEAR(KR_VecLength(&n), 1.0f, 1e-6f);
  KR_VecSetLength(&n, &v, 26.0f);
  ExpectVec(n, 6, 8, 24);
  KR_Vector a{1, 0, 0}, b{0, 1, 0}, c;
  KR_VecCross(&c, &a, &b);
  ExpectVec(c, 0, 0, 1);
  KR_VecLerp(&c, &a, &b, 0.25f);
  ExpectVec(c, 0.75f, 0.25f, 0);
}

TEST(Matrix, PointsAreRowVectorsWithTranslationLast) {
  KR_Matrix t = Translation(5, 6, 7);
  KR_Vector origin{0, 0, 0}, p;
  KR_VecTransform(&p, &origin, &t);
  ExpectVec(p, 5, 6, 7);
  KR_Vector dir{1, 2, 3};
  KR_VecRotate(&p, &dir, &t);  // directions ignore translation
  ExpectVec(p, 1, 2, 3);

  KR_Matrix rz;
  KR_MatRotateAxis(&rz, kPi / 2, 3);
  KR_Vector x{1, 0, 0};
  KR_VecTransform(&p, &x, &rz);
  ExpectVec(p, 0, 1, 0);
  KR_VecTransform(&x, &x, &rz);  // in place
  ExpectVec(x, 0, 1, 0);
}

TEST(Matrix, ProductAppliesTheLeftMatrixFirst) {
  KR_Matrix rz, t, rt, tr;
  KR_MatRotateAxis(&rz, kPi / 2, 3);
  t = Translation(10, 0, 0);
  KR_MatMultiply(&rt, &rz, &t);  // rotate, then translate
  KR_MatMultiply(&tr, &t, &rz);  // translate, then rotate
  KR_Vector x{1, 0, 0}, p;
  KR_VecTransform(&p, &x, &rt);
  ExpectVec(p, 10, 1, 0);
  KR_VecTransform(&p, &x, &tr);
  ExpectVec(p, 0, 11, 0);

  KR_Matrix alias = rz;
  KR_MatMultiply(&alias, &alias, &t);
  for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(alias.m[i], rt.m[i]);
  alias = t;
  KR_MatMultiply(&alias, &rz, &alias);
  for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(alias.m[i], rt.m[i]);
}

TEST(Matrix, AxisRotationsAndUnknownAxis) {
  KR_Matrix m;
  KR_Vector p, y{0, 1, 0}, z{0, 0, 1};
  KR_MatRotateAxis(&m, kPi / 2, 1);
  KR_VecTransform(&p, &y, &m);
  ExpectVec(p, 0, 0, 1);
  KR_MatRotateAxis(&m, kPi / 2, 2);
  KR_VecTransform(&p, &z, &m);
  ExpectVec(p, 1, 0, 0);
  KR_MatRotateAxis(&m, 1.0f, 7);
  for (int i = 0; i < 16; i++) EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f);
}

TEST(Matrix, RigidInverseUndoesRotationAndTranslation) {
  KR_Matrix r, t, m, inv, both;
  KR_MatFromEuler(&r, 0.3f, -1.1f, 0.7f);
  t = Translation(4, -2, 9);
  KR_MatMultiply(&m, &r, &t);
  KR_MatInvertRigid(&inv, &m);
  KR_MatMultiply(&both, &m, &inv);
  for (int i = 0; i < 16; i++) EXPECT_NEAR(both.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f);
}

TEST(Matrix, EulerMatchesItsTable) {
  KR_Matrix m;
  float a = 0.2f, b = 0.5f, c = -0.4f;
  KR_MatFromEuler(&m, a, b, c);
  EXPECT_NEAR(m.m[0], std::cos(b) * std::cos(c) + std::sin(b) * std::sin(a) * std::sin(c), 1e-6f);
  EXPECT_NEAR(m.m[9], -std::sin(a), 1e-6f);
  EXPECT_NEAR(m.m[10], std::cos(b) * std::cos(a), 1e-6f);
  EXPECT_EQ(m.m[3], 0.0f);
  EXPECT_EQ(m.m[15], 1.0f);
}

TEST(Matrix, From3x3AndRowNormalisation) {
  KR_Matrix m = Translation(1, 2, 3);
  const float r[9] = {2, 0, 0, 0, 3, 0, 0, 0, 4};
  KR_MatFrom3x3(&m, r);
  EXPECT_EQ(m.m[0], 2.0f);
  EXPECT_EQ(m.m[5], 3.0f);
  EXPECT_EQ(m.m[10], 4.0f);
  EXPECT_EQ(m.m[12], 1.0f);  // untouched
  KR_Matrix n;
  m.m[3] = 5.0f;
  KR_MatNormaliseRows(&n, &m);
  EXPECT_FLOAT_EQ(n.m[0], 1.0f);
  EXPECT_FLOAT_EQ(n.m[5], 1.0f);
  EXPECT_FLOAT_EQ(n.m[10], 1.0f);
  EXPECT_EQ(n.m[3], 5.0f);  // fourth element of a row is left alone
  EXPECT_EQ(n.m[14], 3.0f);
}

TEST(LookAt, LookingDownZIsTheIdentity) {
  KR_Matrix m;
  KR_Vector eye{0, 0, 0}, target{0, 0, 5};
  KR_MatLookAt(&m, &eye, &target, 0.0f);
  for (int i = 0; i < 16; i++) EXPECT_NEAR(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-6f);
}

TEST(LookAt, TargetEndsInFrontAndStraightUpStaysFinite) {
  KR_Matrix m;
  KR_Vector eye{10, 5, -20}, target{-3, 8, 40}, p;
  KR_MatLookAt(&m, &eye, &target, 0.3f);
  KR_VecTransform(&p, &target, &m);
  EXPECT_NEAR(p.x, 0.0f, 1e-3f);
  EXPECT_NEAR(p.y, 0.0f, 1e-3f);
  EXPECT_GT(p.z, 0.0f);

  KR_Vector up{0, 0, 0}, above{0, 10, 0};
  KR_MatLookAt(&m, &up, &above, 0.0f);
  for (float e : m.m) EXPECT_TRUE(std::isfinite(e));
  KR_VecTransform(&p, &above, &m);
  ExpectVec(p, 0, 0, 10);
}

TEST(Plane, FrontDistanceAndIntersections) {
  KR_Vector a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
  KR_Plane pl;
  KR_PlaneFromPoints(&pl, &a, &b, &c);  // z = 0, normal +z
  ExpectVec(KR_Vector{pl.nx, pl.ny, pl.nz}, 0, 0, 1);
  KR_Vector on{5, 5, 0}, front{0, 0, 2}, behind{0, 0, -3};
  EXPECT_EQ(KR_PlaneIsFront(&on, &pl), 0);
  EXPECT_EQ(KR_PlaneIsFront(&front, &pl), 1);
  EXPECT_FLOAT_EQ(KR_PlaneDistance(&behind, &pl), 3.0f);

  KR_Vector dir{0, 0, -1}, out{9, 9, 9};
  ASSERT_EQ(KR_PlaneIntersectLine(&out, &pl, &front, &dir), 1);
  ExpectVec(out, 0, 0, 0);
  EXPECT_FLOAT_EQ(KR_PlaneRayParam(&pl, &front, &dir), 2.0f);
  KR_Vector parallel{1, 0, 0}, untouched{7, 7, 7};
  EXPECT_EQ(KR_PlaneIntersectLine(&untouched, &pl, &front, &parallel), 0);
  ExpectVec(untouched, 7, 7, 7);
  EXPECT_EQ(KR_PlaneRayParam(&pl, &front, &parallel), -1.0f);

  KR_Vector n{0, 1, 0}, p{0, 4, 0};
  KR_PlaneFromNormal(&pl, &n, &p);
  EXPECT_FLOAT_EQ(pl.d, 4.0f);
}

}  // namespace

#include "platform/d3dx/d3dx8_math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

}  // namespace

TEST(D3DXMath, NormalizeOfZeroIsZero) {
  D3DXVECTOR3 zero(0, 0, 0), out(9, 9, 9);
  D3DXVec3Normalize(&out, &zero);
  EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
  D3DXVECTOR3 v(3, 0, 4);
  D3DXVec3Normalize(&out, &v);
  ExpectNear(out, D3DXVECTOR3(0.6f, 0, 0.8f));
}

TEST(D3DXMath, RowVectorsTransformWithTranslationInFourthRow) {
  D3DXMATRIX scale, move, world;
  D3DXMatrixScaling(&scale, 2, 3, 4);
  D3DXMatrixTranslation(&move, 10, 20, 30);
  D3DXMatrixMultiply(&world, &scale, &move);  // scale first, then move
  D3DXVECTOR3 p(1, 1, 1), out;
  D3DXVec3TransformCoord(&out, &p, &world);
  ExpectNear(out, D3DXVECTOR3(12, 23, 34));
  D3DXVec3TransformNormal(&out, &p, &world);
  ExpectNear(out, D3DXVECTOR3(2, 3, 4));
}

TEST(D3DXMath, TransformCoordDividesByW) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._44 = 2;
  D3DXVECTOR3 p(2, 4, 6), out;
  D3DXVec3TransformCoord(&out, &p, &m);
  ExpectNear(out, D3DXVECTOR3(1, 2, 3));
}

TEST(D3DXMath, RotationZTurnsXTowardsY) {
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, 3.14159265f / 2);
  D3DXVECTOR3 x(1, 0, 0), out;
  D3DXVec3TransformCoord(&out, &x, &r);
  ExpectNear(out, D3DXVECTOR3(0, 1, 0));
}

TEST(D3DXMath, InverseUndoesTransformAndRefusesSingular) {
  D3DXMATRIX rot, move, world, inverse;
  D3DXMatrixRotationY(&rot, 0.7f);
  D3DXMatrixTranslation(&move, 1, -2, 5);
  D3DXMatrixMultiply(&world, &rot, &move);
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inverse, &det, &world), nullptr);
  EXPECT_NEAR(det, 1.0f, 1e-5f);
  D3DXVECTOR3 p(3, 4, 5), there, back;
  D3DXVec3TransformCoord(&there, &p, &world);
  D3DXVec3TransformCoord(&back, &there, &inverse);
  ExpectNear(back, p, 1e-4f);

  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  D3DXMATRIX untouched;
  D3DXMatrixIdentity(&untouched);
  EXPECT_EQ(D3DXMatrixInverse(&untouched, nullptr, &flat), nullptr);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&untouched));
}

TEST(D3DXMath, PlaneFromPointsIsNormalisedAndCounterClockwise) {
  D3DXVECTOR3 a(0, 0, 2), b(1, 0, 2), c(0, 1, 2);
  D3DXPLANE p;
  D3DXPlaneFromPoints(&p, &a, &b, &c);
  EXPECT_FLOAT_EQ(p.c, 1);
  EXPECT_FLOAT_EQ(p.d, -2);
  D3DXVECTOR3 above(5, 5, 7);
  EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&p, &above), 5);
}

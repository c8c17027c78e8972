// The pure geometry of the collision object: triangle/box, segment/box, segment/triangle,
// point/triangle distance, polygon records and split classification.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "collision_object/bsp_tree.h"
#include "collision_object/line_piece_aabb.h"
#include "collision_object/polygon_info_item.h"
#include "collision_object/ray_triangle.h"
#include "collision_object/sqr_distance_point_poly.h"
#include "collision_object/tri_box_overlap.h"

namespace {

PolygonInfoItem Triangle(D3DXVECTOR3 a, D3DXVECTOR3 b, D3DXVECTOR3 c) {
  PolygonInfoItem p;
  SetPolygonCorners(p, a, b, c);
  return p;
}

const PolygonInfoItem kUnitXY = Triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});

TEST(PolygonInfoItem, EdgesAndNormalFollowTheWinding) {
  EXPECT_EQ(kUnitXY.edge0, D3DXVECTOR3(1, 0, 0));
  EXPECT_EQ(kUnitXY.edge1, D3DXVECTOR3(0, 1, 0));
  EXPECT_EQ(kUnitXY.normal, D3DXVECTOR3(0, 0, 1));
  EXPECT_EQ(Triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0}).normal, D3DXVECTOR3(0, 0, -1));
  // A degenerate triangle keeps a zero normal rather than NaN.
  EXPECT_EQ(Triangle({1, 1, 1}, {2, 2, 2}, {3, 3, 3}).normal, D3DXVECTOR3(0, 0, 0));
}

struct TriBoxCase {
  const char* name;
  float centre[3];
  float half[3];
  float tri[3][3];
  int expected;
};

class TriBoxOverlapCases : public ::testing::TestWithParam<TriBoxCase> {};

TEST_P(TriBoxOverlapCases, MatchesExpected) {
  const TriBoxCase& c = GetParam();
  EXPECT_EQ(TriBoxOverlap(c.centre, c.half, c.tri), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriBoxOverlapCases,
    ::testing::Values(
        TriBoxCase{"AroundOrigin", {0, 0, 0}, {1, 1, 1}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1},
        TriBoxCase{"AboveFace", {0, 0, 1.5f}, {1, 1, 1}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 0},
        // The box's lower face lies in the triangle's plane: the plane test's >= keeps it.
        TriBoxCase{"TouchingFace", {0, 0, 1}, {1, 1, 1}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1},
        TriBoxCase{"TriangleInsideBox", {0, 0, 0}, {5, 5, 5}, {{1, 1, 1}, {2, 1, 1}, {1, 2, 1}}, 1},
        TriBoxCase{"BoxInsideTriangle", {0.2f, 0.2f, 0}, {0.01f, 0.01f, 0.01f},
                   {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1},
        // Beyond the hypotenuse: only the edge-cross-axis test separates it.
        TriBoxCase{"BeyondHypotenuse", {0.8f, 0.8f, 0}, {0.1f, 0.1f, 0.1f},
                   {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 0},
        TriBoxCase{"TouchingEdge", {0.5f, -0.5f, 0}, {0.5f, 0.5f, 0.5f},
                   {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1},
        TriBoxCase{"TouchingCorner", {2, 0, 0}, {1, 1, 1}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1},
        TriBoxCase{"BesideOnX", {3, 0, 0}, {1, 1, 1}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 0},
        // Slanted plane passing a box corner: separated by the plane test only.
        TriBoxCase{"SlantedPlaneMisses", {0, 0, 0}, {1, 1, 1},
                   {{4, 0, 0}, {0, 4, 0}, {0, 0, 4}}, 0},
        TriBoxCase{"SlantedPlaneCuts", {0, 0, 0}, {1, 1, 1}, {{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlaneBoxOverlap, InclusiveOnTheFarSideOnly) {
  const float n[3] = {0, 0, 1};
  const float h[3] = {1, 1, 1};
  EXPECT_EQ(PlaneBoxOverlap(n, 1.0f, h), 1);   // plane z = -1 touches the bottom face
  EXPECT_EQ(PlaneBoxOverlap(n, -1.0f, h), 1);  // plane z = 1 touches the top face
  EXPECT_EQ(PlaneBoxOverlap(n, 1.5f, h), 0);
  EXPECT_EQ(PlaneBoxOverlap(n, -1.5f, h), 0);
}

struct SegmentBoxCase {
  const char* name;
  D3DXVECTOR3 origin, dir;
  float length;
  bool expected;
};

class LinePieceAABBCases : public ::testing::TestWithParam<SegmentBoxCase> {};

TEST_P(LinePieceAABBCases, MatchesExpected) {
  const SegmentBoxCase& c = GetParam();
  const D3DXVECTOR3 lo(0, 0, 0), hi(1, 1, 1);
  EXPECT_EQ(LinePieceAABB(lo, hi, c.origin, c.dir, c.length), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinePieceAABBCases,
    ::testing::Values(
        SegmentBoxCase{"InsideWithZeroLength", {0.5f, 0.5f, 0.5f}, {0, 0, 0}, 0, true},
        SegmentBoxCase{"ReachesFace", {-1, 0.5f, 0.5f}, {1, 0, 0}, 1, true},
        SegmentBoxCase{"ShortOfFace", {-1, 0.5f, 0.5f}, {0.9f, 0, 0}, 0.9f, false},
        SegmentBoxCase{"PointingAway", {-1, 0.5f, 0.5f}, {-1, 0, 0}, 5, false},
        SegmentBoxCase{"PassesBeside", {-1, 2, 0.5f}, {3, 0, 0}, 3, false},
        SegmentBoxCase{"GrazesWithinTolerance", {-1, 1.000005f, 0.5f}, {3, 0, 0}, 3, true},
        SegmentBoxCase{"GrazesBeyondTolerance", {-1, 1.0001f, 0.5f}, {3, 0, 0}, 3, false},
        SegmentBoxCase{"DiagonalEntry", {-1, -1, -1}, {2, 2, 2}, 3.5f, true},
        // Parallel to the entry face (zero component on a candidate axis): no parameter there.
        SegmentBoxCase{"ParallelOutside", {-1, 0.5f, 0.5f}, {0, 1, 0}, 1, false},
        SegmentBoxCase{"NegativeZeroDirection", {-1, 0.5f, 0.5f}, {-0.0f, 0, 0}, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct SegmentHit {
  bool hit;
  float distance;
};

SegmentHit Hit(const PolygonInfoItem& p, D3DXVECTOR3 origin, D3DXVECTOR3 dir, bool cull) {
  D3DXVECTOR3 point;
  float d = -1;
  const bool hit = SegmentTriangleHit(p, origin, dir, D3DXVec3Length(&dir), cull, point, d);
  return {hit, d};
}

TEST(SegmentTriangleHit, LengthAndDirectionLimitTheSegment) {
  // Triangle in z = 0; segments start at z = 2.
  EXPECT_FALSE(Hit(kUnitXY, {0.2f, 0.2f, 2}, {0, 0, -1.5f}, false).hit);  // 0.5 short
  const SegmentHit through = Hit(kUnitXY, {0.2f, 0.2f, 2}, {0, 0, -3}, false);
  ASSERT_TRUE(through.hit);
  EXPECT_FLOAT_EQ(through.distance, 2.0f);
  EXPECT_FALSE(Hit(kUnitXY, {0.2f, 0.2f, 2}, {0, 0, 3}, false).hit);  // behind, pointing away
  EXPECT_FALSE(Hit(kUnitXY, {0.2f, 0.2f, 2}, {0, 0, 0}, false).hit);  // zero length
  EXPECT_FALSE(Hit(kUnitXY, {0.8f, 0.8f, 2}, {0, 0, -3}, false).hit); // outside the triangle
  EXPECT_FALSE(Hit(kUnitXY, {-1, 0.2f, 0}, {3, 0, 0}, false).hit);    // in its plane
}

TEST(SegmentTriangleHit, CullingSkipsOnlySegmentsAlongTheNormal) {
  // normal is +z: a segment going up crosses from the back side.
  EXPECT_TRUE(Hit(kUnitXY, {0.2f, 0.2f, -1}, {0, 0, 2}, false).hit);
  EXPECT_FALSE(Hit(kUnitXY, {0.2f, 0.2f, -1}, {0, 0, 2}, true).hit);
  EXPECT_TRUE(Hit(kUnitXY, {0.2f, 0.2f, 1}, {0, 0, -2}, true).hit);
}

TEST(SqrDistancePointPoly, RegionsAroundTheTriangle) {
  struct Case {
    D3DXVECTOR3 point;
    float expected;
  } cases[] = {
      {{0, 0, 1}, 1},           // region 0 (above the corner)
      {{0.25f, 0.25f, -2}, 4},  // region 0, inside
      {{2, 0, 0}, 1},           // region 1 side, clamped to corner 1
      {{1, 1, 0}, 0.5f},        // region 1, on the hypotenuse's perpendicular
      {{-1, -1, 0}, 2},         // region 4, corner 0
      {{-1, 0.5f, 0}, 1},       // region 3, edge s = 0
      {{0.5f, -1, 0}, 1},       // region 5, edge t = 0
      {{-1, 2, 0}, 2},          // region 2, corner 2
      {{2, -1, 0}, 2},          // region 6, corner 1
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(SqrDistancePointPoly(c.point, kUnitXY), c.expected)
        << c.point.x << "," << c.point.y << "," << c.point.z;
}

TEST(SqrDistancePointPoly, AgreesWithDenseSamplingOnRandomTriangles) {
  std::srand(7);
  auto rnd = [] { return static_cast<float>(std::rand()) / RAND_MAX * 4.0f - 2.0f; };
  for (int n = 0; n < 200; ++n) {
    const PolygonInfoItem p = Triangle({rnd(), rnd(), rnd()}, {rnd(), rnd(), rnd()},
                                       {rnd(), rnd(), rnd()});
    const D3DXVECTOR3 q(rnd(), rnd(), rnd());
    float best = std::numeric_limits<float>::max();
    const int steps = 200;
    for (int i = 0; i <= steps; ++i)
      for (int j = 0; i + j <= steps; ++j) {
        const D3DXVECTOR3 x =
            p.vertex0 + (float(i) / steps) * p.edge0 + (float(j) / steps) * p.edge1;
        const D3DXVECTOR3 d = x - q;
        best = std::min(best, D3DXVec3LengthSq(&d));
      }
    const float exact = SqrDistancePointPoly(q, p);
    EXPECT_LE(exact, best + 1e-4f);
    EXPECT_NEAR(std::sqrt(exact), std::sqrt(best), 0.05f);
  }
}

TEST(ClassifyPolygon, ToleranceSendsGrazingTrianglesToBothSides) {
  const D3DXVECTOR3 split(0, 1, 0);
  auto on = [&](float y0, float y1, float y2) {
    return ClassifyPolygonCorners(Triangle({0, y0, 0}, {1, y1, 0}, {0, y2, 1}), split, 1);
  };
  EXPECT_EQ(on(0, 0.5f, 0.9f), kPolygonLower);
  EXPECT_EQ(on(1.0002f, 2, 3), kPolygonUpper);
  EXPECT_EQ(on(1.00005f, 2, 3), kPolygonBoth);   // a corner within 0.0001 above
  EXPECT_EQ(on(0, 0.99995f, 0.5f), kPolygonBoth);  // and below
  EXPECT_EQ(on(0, 2, 0.5f), kPolygonBoth);       // straddling
  EXPECT_EQ(on(0, 1, 0.5f), kPolygonBoth);       // a corner on the plane
}

TEST(BSPTree, SetPolygonsStoresNumbersAndReplacesTheArray) {
  PolygonInfoItem a = kUnitXY, b = kUnitXY;
  a.listIndex = 4;
  b.listIndex = 9;
  PolygonInfoItem* items[] = {&a, nullptr, &b};
  BSPTree node;
  EXPECT_FALSE(node.isLeaf);
  ASSERT_TRUE(node.SetPolygons(items, 3));
  EXPECT_TRUE(node.isLeaf);
  ASSERT_EQ(node.polygonCount, 2);
  EXPECT_EQ(node.polygonIndices[0], 4);
  EXPECT_EQ(node.polygonIndices[1], 9);
  ASSERT_TRUE(node.SetPolygons(items + 2, 1));
  ASSERT_EQ(node.polygonCount, 1);
  EXPECT_EQ(node.polygonIndices[0], 9);
}

}  // namespace

// The swept unit sphere against polygons, and its point/segment/sphere helpers.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fast_collision_response/collision_solver.h"
#include "fast_collision_response/segment_queries.h"
#include "tests/fast_collision_response/exact_sweep.h"
#include "tests/fast_collision_response/fcr_scenes.h"

using fcr_scenes::MakePlanePolygon;

namespace {

void ExpectVector(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tolerance = 0) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
  EXPECT_NEAR(expected.z, actual.z, tolerance);
}

CollisionPolygonItem Floor(float y = 0) {
  return MakePlanePolygon({{-10, y, -10}, {-10, y, 10}, {10, y, 10}, {10, y, -10}});
}

CollisionPolygonList ListOf(std::vector<CollisionPolygonItem> polygons) {
  CollisionPolygonList list;
  for (const CollisionPolygonItem& polygon : polygons) list.Append(polygon);
  return list;
}

CollisionContactList Sweep(const CollisionPolygonList& polygons, D3DXVECTOR3 centre,
                           D3DXVECTOR3 movement) {
  return CollisionSolver().SweepSphere(polygons, CollisionPlane(centre, movement));
}

TEST(ClosestPointOnSegment, ClampsToTheEndsAndCountsThemAsBetween) {
  struct Case {
    D3DXVECTOR3 p, expected;
    bool between;
  };
  const Case cases[] = {
      {{3, 1, 0}, {2, 0, 0}, false}, {{2, 1, 0}, {2, 0, 0}, true}, {{0, 1, 0}, {0, 0, 0}, true},
      {{-1, 1, 0}, {0, 0, 0}, false}, {{0.5f, -4, 7}, {0.5f, 0, 0}, true},
  };
  for (const Case& c : cases) {
    bool between = !c.between;
    ExpectVector(c.expected, ClosestPointOnSegment({0, 0, 0}, {2, 0, 0}, c.p, between));
    EXPECT_EQ(c.between, between) << c.p.x << " " << c.p.y << " " << c.p.z;
  }
  bool between = true;
  ExpectVector({1, 1, 1}, ClosestPointOnSegment({1, 1, 1}, {1, 1, 1}, {5, 5, 5}, between));
  EXPECT_FALSE(between);
}

TEST(IsPointBetween, OnTheLineBetweenTheEndsIncludingThem) {
  EXPECT_TRUE(IsPointBetween({0, 0, 0}, {2, 0, 0}, {1.5f, 0, 0}));
  EXPECT_TRUE(IsPointBetween({0, 0, 0}, {2, 0, 0}, {0, 0, 0}));
  EXPECT_TRUE(IsPointBetween({0, 0, 0}, {2, 0, 0}, {2, 0, 0}));
  EXPECT_FALSE(IsPointBetween({0, 0, 0}, {2, 0, 0}, {2.5f, 0, 0}));
  EXPECT_FALSE(IsPointBetween({0, 0, 0}, {2, 0, 0}, {-0.1f, 0, 0}));
  // Off the line the test is the ball on the diameter a-b, not the slab.
  EXPECT_TRUE(IsPointBetween({0, 0, 0}, {2, 0, 0}, {1, 1, 0}));
  EXPECT_FALSE(IsPointBetween({0, 0, 0}, {2, 0, 0}, {1, 1.01f, 0}));
}

TEST(IntersectRayUnitSphere, FirstIntersectionAlongTheUnitDirection) {
  const CollisionSolver solver;
  float t = 99;
  EXPECT_TRUE(solver.IntersectRayUnitSphere({0, 0, 5}, CollisionPlane({0, 0, 0}, {0, 0, 7}), t));
  EXPECT_FLOAT_EQ(4.0f, t);
  EXPECT_TRUE(solver.IntersectRayUnitSphere({0, 0, 5}, CollisionPlane({0, 0, 5}, {1, 0, 0}), t));
  EXPECT_FLOAT_EQ(-1.0f, t);  // from the centre
  EXPECT_TRUE(solver.IntersectRayUnitSphere({0, 0, -5}, CollisionPlane({0, 0, 0}, {0, 0, 2}), t));
  EXPECT_FLOAT_EQ(-6.0f, t);  // behind the ray
  t = 99;
  EXPECT_FALSE(solver.IntersectRayUnitSphere({0, 1.5f, 5}, CollisionPlane({0, 0, 0}, {0, 0, 1}), t));
  EXPECT_EQ(0.0f, t);
  t = 99;
  EXPECT_FALSE(solver.IntersectRayUnitSphere({0, 0, 0}, CollisionPlane({0, 0, 0}, {0, 0, 0}), t));
  EXPECT_EQ(0.0f, t);
}

TEST(SphereTouchesPolygon, FootInsideOrBoundaryWithinReach) {
  const CollisionSolver solver;
  const CollisionPolygonItem floor = Floor();
  struct Case {
    D3DXVECTOR3 centre;
    bool touches;
    D3DXVECTOR3 N;
  };
  const Case cases[] = {
      {{0, 0.5f, 0}, true, {0, 0, 0}},
      {{3, 0.99999f, 4}, true, {3, 0, 4}},
      {{0, 1, 0}, false, {9, 9, 9}},          // beyond reach: N untouched
      {{10.5f, 0.5f, 0}, true, {10, 0, 0}},   // past the edge, within reach of it
      {{11, 0.5f, 0}, false, {10, 0, 0}},
      {{0, -3, 0}, true, {0, 0, 0}},          // the back side is not limited
  };
  for (const Case& c : cases) {
    D3DXVECTOR3 N(9, 9, 9);
    EXPECT_EQ(c.touches, solver.SphereTouchesPolygon(floor, c.centre, N)) << c.centre.x;
    ExpectVector(c.N, N, 1e-6f);
  }
}

TEST(SweepSphere, FaceContactWithThePolygonsPlane) {
  const CollisionPolygonList floor = ListOf({Floor()});
  const CollisionContactList contacts = Sweep(floor, {0, 3, 0}, {0, -5, 0});
  ASSERT_EQ(1u, contacts.GetCount());
  EXPECT_EQ(ContactFace, contacts[0].kind);
  EXPECT_FLOAT_EQ(2.0f, contacts[0].distance);
  EXPECT_EQ(&floor[0], contacts[0].polygon);
  ExpectVector(floor[0].plane.GetNormal(), contacts[0].plane.GetNormal());
  ExpectVector(floor[0].plane.GetPoint(), contacts[0].plane.GetPoint());

  // The movement ends 0.5 short of the floor; ending exactly on it still counts.
  EXPECT_EQ(0u, Sweep(floor, {0, 3, 0}, {0, -1.5f, 0}).GetCount());
  EXPECT_EQ(1u, Sweep(floor, {0, 3, 0}, {0, -2, 0}).GetCount());
}

TEST(SweepSphere, EmbeddedStartPushesAlongTheNearestPoint) {
  const CollisionPolygonList floor = ListOf({Floor()});
  const CollisionContactList contacts = Sweep(floor, {0, 0.5f, 0}, {1, -1, 0});
  ASSERT_EQ(1u, contacts.GetCount());
  EXPECT_EQ(ContactEmbedded, contacts[0].kind);
  EXPECT_FLOAT_EQ(-0.5f, contacts[0].distance);
  ExpectVector({0, 0, 0}, contacts[0].plane.GetPoint());
  ExpectVector({0, 0.5f, 0}, contacts[0].plane.GetNormal());

  // Embedded contacts need no movement into the plane.
  EXPECT_EQ(ContactEmbedded, Sweep(floor, {0, 0.5f, 0}, {0, 3, 0})[0].kind);
}

TEST(SweepSphere, NoContactWithoutAFrontSideOrWithParallelMovement) {
  const CollisionPolygonList floor = ListOf({Floor()});
  const D3DXVECTOR3 movements[] = {{0, -1, 0}, {1, -1, 0}, {0, 1, 0}, {1, 0, 0}};
  for (const D3DXVECTOR3& movement : movements) {
    EXPECT_EQ(0u, Sweep(floor, {0, 0, 0}, movement).GetCount());      // centre on the plane
    EXPECT_EQ(0u, Sweep(floor, {0, -0.5f, 0}, movement).GetCount());  // behind it
    EXPECT_EQ(0u, Sweep(floor, {2, -3, 1}, movement).GetCount());
  }
  // Exactly parallel: ignored even though the sphere touches the floor.
  EXPECT_EQ(0u, Sweep(floor, {0, 0.5f, 0}, {1, 0, 0}).GetCount());
  // A degenerate polygon never collides.
  EXPECT_EQ(0u, Sweep(ListOf({MakePlanePolygon({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}})}), {0, 0.5f, 0},
                      {0, -1, 0})
                    .GetCount());
}

TEST(SweepSphere, FaceContactMayLieSlightlyBehindTheStart) {
  const CollisionPolygonList floor = ListOf({Floor()});
  // Not touching (0.999995 > 0.99999) but the leading point is 0.000005 below the floor.
  const CollisionContactList straight = Sweep(floor, {0, 0.999995f, 0}, {0, -1, 0});
  ASSERT_EQ(1u, straight.GetCount());
  EXPECT_EQ(ContactFace, straight[0].kind);
  EXPECT_LT(straight[0].distance, 0.0f);
  EXPECT_GT(straight[0].distance, -0.00002f);
  // A shallow movement puts that point 0.00005 behind along the movement: dropped.
  EXPECT_EQ(0u, Sweep(floor, {0, 0.999995f, 0}, {10, -1, 0}).GetCount());
}

// Two walls facing the sphere moving diagonally into their corner, the second one shifted.
struct NearestCase {
  const char* name;
  float secondWallShift;  // towards the sphere
  std::vector<int> expectedWalls;
};

class KeepingTheNearest : public testing::TestWithParam<NearestCase> {};

TEST_P(KeepingTheNearest, ComparesWithTheFirstListedContact) {
  const float z = 2 - GetParam().secondWallShift;
  const CollisionPolygonList walls = ListOf({
      MakePlanePolygon({{2, -5, -5}, {2, -5, 5}, {2, 5, 5}, {2, 5, -5}}),  // x = 2, normal -x
      MakePlanePolygon({{-5, -5, z}, {-5, 5, z}, {5, 5, z}, {5, -5, z}}),  // z = 2 - shift, -z
  });
  const CollisionContactList contacts = Sweep(walls, {0, 0, 0}, {3, 0, 3});
  ASSERT_EQ(GetParam().expectedWalls.size(), contacts.GetCount());
  for (std::size_t i = 0; i < contacts.GetCount(); ++i) {
    EXPECT_EQ(&walls[GetParam().expectedWalls[i]], contacts[i].polygon);
    EXPECT_EQ(ContactFace, contacts[i].kind);
  }
}

INSTANTIATE_TEST_SUITE_P(
    SweepSphere, KeepingTheNearest,
    testing::Values(NearestCase{"EquallyNearInMeshOrder", 0, {0, 1}},
                    NearestCase{"SlightlyNearerIsAppendedBehind", 0.000004f, {0, 1}},
                    NearestCase{"NearerReplacesTheList", 0.0001f, {1}},
                    NearestCase{"FartherIsDropped", -0.0001f, {0}}),
    [](const auto& info) { return info.param.name; });

TEST(SweepSphere, CoplanarPolygonsMetTogetherGiveOneContact) {
  const CollisionPolygonList halves = ListOf({
      MakePlanePolygon({{-10, 0, -10}, {-10, 0, 10}, {10, 0, 10}}),
      MakePlanePolygon({{-10, 0, -10}, {10, 0, 10}, {10, 0, -10}}),
  });
  const CollisionContactList contacts = Sweep(halves, {1, 3, 1}, {0, -5, 0});  // on the seam
  ASSERT_EQ(1u, contacts.GetCount());
  EXPECT_EQ(&halves[0], contacts[0].polygon);
}

TEST(SweepSphere, EdgeContact) {
  const CollisionPolygonList triangle =
      ListOf({MakePlanePolygon({{0, 0, 0}, {0, 0, 10}, {10, 0, 0}})});
  const CollisionContactList contacts = Sweep(triangle, {-2, 0.5f, 2}, {3, -0.01f, 0});
  ASSERT_EQ(1u, contacts.GetCount());
  EXPECT_EQ(ContactEdge, contacts[0].kind);
  // Where the centre's path comes within 1 of the edge's line x = y = 0.
  EXPECT_NEAR(1.131814f, contacts[0].distance, 1e-4f);
  ExpectVector({0, 0, 2}, contacts[0].plane.GetPoint(), 1e-4f);
  ExpectVector({-0.868193f, 0.496227f, 0}, contacts[0].plane.GetNormal(), 1e-4f);
  EXPECT_NEAR(1.0f, contacts[0].plane.GetLength(), 1e-4f);
}

TEST(SweepSphere, VertexContact) {
  const CollisionPolygonList triangle =
      ListOf({MakePlanePolygon({{0, 0, 0}, {0, 0, 10}, {10, 0, 0}})});
  const CollisionContactList contacts = Sweep(triangle, {-2, 0.5f, -2}, {3, -0.01f, 3});
  ASSERT_EQ(1u, contacts.GetCount());
  EXPECT_EQ(ContactVertex, contacts[0].kind);
  // Where the centre's path comes within 1 of the corner.
  EXPECT_NEAR(1.959757f, contacts[0].distance, 1e-4f);
  ExpectVector({0, 0, 0}, contacts[0].plane.GetPoint());
  ExpectVector({-0.614247f, 0.495381f, -0.614247f}, contacts[0].plane.GetNormal(), 1e-4f);

  EXPECT_EQ(0u, Sweep(triangle, {-2, 0.5f, -2}, {1, -0.01f, 1}).GetCount());  // too short
  // Moving away from the corner.
  EXPECT_EQ(0u, Sweep(triangle, {-2, 0.5f, -2}, {-3, -0.01f, -3}).GetCount());
  EXPECT_EQ(0u, Sweep(triangle, {-1, 1, -1}, {-1, 1, -1}).GetCount());
}

TEST(SweepSphere, MovementAlongAnEdgeIgnoresThePolygon) {
  // The sphere beside the long edge x = 0 sinks towards it while moving along it.
  const CollisionPolygonList triangle =
      ListOf({MakePlanePolygon({{0, 0, 0}, {0, 0, 1000}, {1000, 0, 0}})});
  EXPECT_EQ(0u, Sweep(triangle, {-0.3f, 0.98f, 500}, {0, -0.4f, -100}).GetCount());
  // A little steeper and the same edge is met.
  const CollisionContactList steeper = Sweep(triangle, {-0.3f, 0.98f, 500}, {0, -0.5f, -100});
  ASSERT_EQ(1u, steeper.GetCount());
  EXPECT_EQ(ContactEdge, steeper[0].kind);
}

TEST(SweepSphere, ExcludedPolygonsAreSkipped) {
  const CollisionPolygonList floors = ListOf({Floor(0), Floor(-1)});
  CollisionSolver solver;
  const CollisionPlane ray({0, 3, 0}, {0, -5, 0});
  EXPECT_EQ(&floors[0], solver.SweepSphere(floors, ray)[0].polygon);
  solver.excludedPolygons.Append(&floors[0]);
  const CollisionContactList contacts = solver.SweepSphere(floors, ray);
  ASSERT_EQ(1u, contacts.GetCount());
  EXPECT_EQ(&floors[1], contacts[0].polygon);
  EXPECT_FLOAT_EQ(3.0f, contacts[0].distance);
  solver.excludedPolygons.Append(&floors[1]);
  EXPECT_EQ(0u, solver.SweepSphere(floors, ray).GetCount());
  EXPECT_EQ(2u, solver.excludedPolygons.GetCount());  // the sweep only reads the list
}

TEST(SweepSphere, EmbeddedCentreOnThePolygonStaysFinite) {
  // The centre lies above a tilted polygon by less than rounding can express, so its foot on
  // the plane is the centre itself; the contact still has a direction.
  const CollisionPolygonList tilted =
      ListOf({MakePlanePolygon({{-10, -3, -10}, {-10, 7, 10}, {10, 7, 10}, {10, -3, -10}})});
  const D3DXVECTOR3 centre(0.3f, 6.00015068f, 8.00030041f);
  const float h = tilted[0].plane.SignedDistance(centre);
  ASSERT_GT(h, 0.0f);
  ASSERT_TRUE(centre - h * tilted[0].plane.GetUnitNormal() == centre);
  const CollisionContactList contacts = Sweep(tilted, centre, {0, -1, 0});
  ASSERT_EQ(1u, contacts.GetCount());
  EXPECT_EQ(ContactEmbedded, contacts[0].kind);
  const D3DXVECTOR3& n = contacts[0].plane.GetUnitNormal();
  EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
  EXPECT_FLOAT_EQ(-1.0f, contacts[0].distance);

  // The solver lifts it to 1 above the plane instead of producing NaN.
  CollisionSolver solver;
  D3DXVECTOR3 position, velocity;
  bool collided = false;
  solver.CollideAndSlide(position, {1, 1, 1}, tilted, CollisionPlane(centre, {0, -1, 0}), velocity,
                         collided, 1);
  EXPECT_TRUE(collided);
  EXPECT_NEAR(1.0f, tilted[0].plane.SignedDistance(position), 1e-5f);
}

// Against the exact first touch, on random single triangles approached from in front: a contact
// is never reported where there is none, and where one is reported its distance is the exact
// one. Some real contacts go unreported: edges whose ends the centre starts beyond, corners
// whose neighbours lie in front of the touching plane.
TEST(SweepSphere, AgreesWithTheExactFirstTouch) {
  const std::vector<fcr_scenes::SweepCase> cases = fcr_scenes::MakeSweepCases(77, 3000);
  const CollisionSolver solver;
  CollisionContactList contacts;
  int exactHits = 0, hits = 0, agreeing = 0;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const fcr_scenes::SweepCase& c = cases[i];
    const float exact = fcr_scenes::ExactFraction(c);
    solver.SweepSphere(c.triangle, CollisionPlane(c.start, c.movement), contacts);
    exactHits += exact >= 0;
    if (contacts.IsEmpty()) continue;
    ++hits;
    ASSERT_GE(exact, 0.0f) << "case " << i << ": contact without a touch";
    ASSERT_NE(ContactEmbedded, contacts[0].kind) << "case " << i;
    const float length = std::sqrt(c.movement.x * c.movement.x + c.movement.y * c.movement.y +
                                   c.movement.z * c.movement.z);
    agreeing += std::fabs(contacts[0].distance - exact * length) <= 0.001f;
  }
  // Representative: about half the sweeps touch, most touches are found and nearly all agree.
  EXPECT_GT(exactHits, 1000);
  EXPECT_LT(exactHits, 2000);
  EXPECT_GT(hits, exactHits * 3 / 4);
  EXPECT_GE(agreeing, hits - hits / 200);
}

}  // namespace

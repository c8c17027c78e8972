// The collision mesh records: plane caches and queries, polygon plane, mapping and centroid.

#include <gtest/gtest.h>

#include <cmath>

#include "fast_collision_response/collision_contact.h"
#include "fast_collision_response/collision_plane.h"
#include "fast_collision_response/collision_polygon.h"
#include "tests/fast_collision_response/fcr_scenes.h"

using fcr_scenes::MakePlanePolygon;
using fcr_scenes::MakePolygon;

namespace {

void ExpectVector(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tolerance = 0) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
  EXPECT_NEAR(expected.z, actual.z, tolerance);
}

TEST(CollisionPlane, CachesFillAtFirstUseAndSetNormalClearsThemAll) {
  CollisionPlane plane({0, 0, 1}, {0, 0, 2});
  EXPECT_FALSE(plane.GetIfUnitNormalValid());
  EXPECT_FALSE(plane.GetIfLengthValid());
  EXPECT_FALSE(plane.GetIfPlaneDValid());

  EXPECT_EQ(-1.0f, plane.GetPlaneD());  // fills the unit normal on the way
  EXPECT_TRUE(plane.GetIfUnitNormalValid());
  EXPECT_TRUE(plane.GetIfPlaneDValid());
  EXPECT_FALSE(plane.GetIfLengthValid());
  EXPECT_EQ(2.0f, plane.GetLength());

  plane.SetNormal({3, 0, 0});
  EXPECT_FALSE(plane.GetIfUnitNormalValid());
  EXPECT_FALSE(plane.GetIfLengthValid());
  EXPECT_FALSE(plane.GetIfPlaneDValid());
  ExpectVector({1, 0, 0}, plane.GetUnitNormal());
  EXPECT_EQ(3.0f, plane.GetLength());
  EXPECT_EQ(0.0f, plane.GetPlaneD());
}

TEST(CollisionPlane, SetPointClearsOnlyThePlaneConstant) {
  CollisionPlane plane({0, 0, 1}, {0, 0, 2});
  plane.GetLength();
  EXPECT_EQ(-1.0f, plane.GetPlaneD());
  plane.SetPoint({0, 0, 4});
  EXPECT_TRUE(plane.GetIfUnitNormalValid());
  EXPECT_TRUE(plane.GetIfLengthValid());
  EXPECT_FALSE(plane.GetIfPlaneDValid());
  EXPECT_EQ(-4.0f, plane.GetPlaneD());
}

TEST(CollisionPlane, CopiesKeepCachesAndFlagsAsTheyAre) {
  CollisionPlane filled({1, 2, 3}, {0, 4, 0});
  filled.GetPlaneD();
  filled.GetLength();
  const CollisionPlane copy(filled);
  EXPECT_TRUE(copy.GetIfUnitNormalValid());
  EXPECT_TRUE(copy.GetIfLengthValid());
  EXPECT_TRUE(copy.GetIfPlaneDValid());
  EXPECT_EQ(-2.0f, copy.GetPlaneD());

  CollisionPlane assigned;
  assigned.GetUnitNormal();  // NaN from the zero normal, and cached
  EXPECT_TRUE(assigned.GetIfUnitNormalValid());
  assigned = CollisionPlane({0, 0, 0}, {1, 0, 0});  // a fresh plane: nothing cached
  EXPECT_FALSE(assigned.GetIfUnitNormalValid());
  ExpectVector({1, 0, 0}, assigned.GetUnitNormal());
}

TEST(CollisionPlane, SignedDistanceFollowsTheNormalsSide) {
  EXPECT_FLOAT_EQ(4.0f, CollisionPlane({0, 0, 1}, {0, 0, 2}).SignedDistance({0, 0, 5}));
  EXPECT_FLOAT_EQ(-4.0f, CollisionPlane({0, 0, 1}, {0, 0, -2}).SignedDistance({0, 0, 5}));
  EXPECT_FLOAT_EQ(-3.0f, CollisionPlane({0, 0, 1}, {0, 0, 2}).SignedDistance({7, -2, -2}));
  // A degenerate plane measures 0 instead of NaN.
  EXPECT_EQ(0.0f, CollisionPlane({0, 0, 1}, {0, 0, 0}).SignedDistance({0, 0, 5}));
}

TEST(CollisionPlane, IntersectRay) {
  const CollisionPlane plane({0, 0, 1}, {0, 0, 2});
  float t = 99;
  EXPECT_TRUE(plane.IntersectRay(CollisionPlane({0, 0, 5}, {0, 0, -10}), t));
  EXPECT_FLOAT_EQ(4.0f, t);  // along the unit direction, whatever the ray's length
  EXPECT_TRUE(plane.IntersectRay(CollisionPlane({0, 0, 5}, {0, 0, 3}), t));
  EXPECT_FLOAT_EQ(-4.0f, t);  // behind the origin
  EXPECT_TRUE(plane.IntersectRay(CollisionPlane({0, 0, 5}, {3, 0, -4}), t));
  EXPECT_FLOAT_EQ(5.0f, t);

  t = 99;
  EXPECT_FALSE(plane.IntersectRay(CollisionPlane({0, 0, 5}, {1, 1, 0}), t));
  EXPECT_EQ(0.0f, t);
  t = 99;
  EXPECT_FALSE(plane.IntersectRay(CollisionPlane({0, 0, 5}, {0, 0, 0}), t));
  EXPECT_EQ(0.0f, t);
  t = 99;
  EXPECT_FALSE(CollisionPlane({0, 0, 1}, {0, 0, 0}).IntersectRay(CollisionPlane({0, 0, 5}, {0, 0, -1}), t));
  EXPECT_EQ(0.0f, t);
}

TEST(CollisionPlane, ProjectPointAndPointAt) {
  const CollisionPlane plane({0, 0, 1}, {0, 0, 2});
  ExpectVector({3, -2, 1}, plane.ProjectPoint({3, -2, 5}));
  ExpectVector({3, -2, 1}, plane.ProjectPoint({3, -2, -7}));
  const CollisionPlane ray({1, 1, 1}, {0, 3, 4});
  ExpectVector({1, 4, 5}, ray.PointAt(5), 1e-6f);
  ExpectVector({1, 1, 1}, ray.PointAt(0));
}

TEST(CollisionPolygonItem, RebuildPlaneFollowsTheWinding) {
  CollisionPolygonItem polygon = MakePolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  polygon.plane.GetUnitNormal();
  polygon.RebuildPlane();
  EXPECT_FALSE(polygon.plane.GetIfUnitNormalValid());
  ExpectVector({0, 0, 1}, polygon.plane.GetNormal());
  ExpectVector({0, 0, 0}, polygon.plane.GetPoint());

  CollisionPolygonItem reversed = MakePolygon({{1, 1, 0}, {1, 0, 0}, {0, 0, 0}, {5, 5, 5}});
  reversed.RebuildPlane();  // only the first three corners count
  ExpectVector({0, 0, -1}, reversed.plane.GetNormal());
  ExpectVector({1, 1, 0}, reversed.plane.GetPoint());

  // Too few corners for a plane: a zero normal, which the collision tests skip.
  CollisionPolygonItem segment = MakePolygon({{1, 2, 3}, {4, 5, 6}});
  segment.RebuildPlane();
  ExpectVector({0, 0, 0}, segment.plane.GetNormal());
  ExpectVector({1, 2, 3}, segment.plane.GetPoint());
  CollisionPolygonItem empty;
  empty.RebuildPlane();
  ExpectVector({0, 0, 0}, empty.plane.GetNormal());
}

struct PlanarUVCase {
  D3DXVECTOR3 normal;
  char uAxis, vAxis;
};

class PlanarUV : public testing::TestWithParam<PlanarUVCase> {};

TEST_P(PlanarUV, ProjectsAlongTheDominantAxis) {
  CollisionPolygonItem polygon = MakePolygon({{1, 2, 3}, {-4, 5, -6}, {7, -8, 9}});
  polygon.plane = CollisionPlane({0, 0, 0}, GetParam().normal);
  polygon.CalculatePlanarUV(2, 3);
  for (const CollisionVertex& vertex : polygon.vertices) {
    const D3DXVECTOR3& p = vertex.position;
    const auto axis = [&](char a) { return a == 'x' ? p.x : a == 'y' ? p.y : p.z; };
    EXPECT_EQ(2 * axis(GetParam().uAxis), vertex.u);
    EXPECT_EQ(-3 * axis(GetParam().vAxis), vertex.v);
  }
}

INSTANTIATE_TEST_SUITE_P(
    CollisionPolygonItem, PlanarUV,
    testing::Values(PlanarUVCase{{0.6f, 0.8f, 0}, 'x', 'z'}, PlanarUVCase{{0.8f, 0.6f, 0}, 'z', 'y'},
                    PlanarUVCase{{0, 0, 1}, 'x', 'y'}, PlanarUVCase{{0.6f, 0, 0.8f}, 'x', 'y'},
                    PlanarUVCase{{-5, 1, 2}, 'z', 'y'},   // the sign does not matter
                    PlanarUVCase{{1, 1, 0}, 'z', 'y'},    // ties go to x ...
                    PlanarUVCase{{0, 1, -1}, 'x', 'z'},   // ... and to y before z
                    PlanarUVCase{{1, 1, 1}, 'z', 'y'}));

TEST(CollisionPolygonItem, Centroid) {
  ExpectVector({0, 0, 0}, CollisionPolygonItem().GetCentroid());
  ExpectVector({1, 2, 3}, MakePolygon({{0, 0, 0}, {3, 0, 9}, {0, 6, 0}}).GetCentroid());
}

TEST(CollisionPolygonItem, ClosestPointOnPolygonEdges) {
  const CollisionPolygonItem square =
      MakePolygon({{0, 0, 0}, {0, 0, 10}, {10, 0, 10}, {10, 0, 0}});
  D3DXVECTOR3 a, b;
  bool onEdge;

  // Inside an edge: the edge's ends, in visiting order (the first visited edge runs from the
  // last vertex to vertex 0).
  ExpectVector({0, 0, 4}, square.ClosestPointOnPolygonEdges({-3, 0, 4}, a, b, onEdge));
  EXPECT_TRUE(onEdge);
  ExpectVector({0, 0, 0}, a);
  ExpectVector({0, 0, 10}, b);
  ExpectVector({5, 0, 0}, square.ClosestPointOnPolygonEdges({5, 2, -1}, a, b, onEdge));
  EXPECT_TRUE(onEdge);
  ExpectVector({10, 0, 0}, a);
  ExpectVector({0, 0, 0}, b);

  // A corner reached past an edge's end: the corner's two neighbours.
  ExpectVector({10, 0, 10}, square.ClosestPointOnPolygonEdges({12, 0, 13}, a, b, onEdge));
  EXPECT_FALSE(onEdge);
  ExpectVector({0, 0, 10}, a);
  ExpectVector({10, 0, 0}, b);

  CollisionPolygonItem empty;
  ExpectVector({1, 2, 3}, empty.ClosestPointOnPolygonEdges({1, 2, 3}, a, b, onEdge));
  EXPECT_FALSE(onEdge);

  // Equidistant from two edges (the centre): the earlier visited edge wins.
  ExpectVector({5, 0, 0}, square.ClosestPointOnPolygonEdges({5, 0, 5}, a, b, onEdge));
  EXPECT_TRUE(onEdge);
  ExpectVector({10, 0, 0}, a);
}

TEST(CollisionLists, ClearKeepsStorageAndCopiesAreDeep) {
  CollisionPolygonList list;
  list.Append(MakePlanePolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
  list.Append(MakePlanePolygon({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}}));
  CollisionPolygonList copy = list;
  copy[0].vertices[0].position = {9, 9, 9};
  ExpectVector({0, 0, 0}, list[0].vertices[0].position);
  EXPECT_EQ(2u, copy.GetCount());

  const CollisionPolygonItem* storage = &list[0];
  list.Clear();
  EXPECT_TRUE(list.IsEmpty());
  list.Append(copy[1]);
  EXPECT_EQ(storage, &list[0]);

  CollisionContactList contacts;
  CollisionContactItem contact;
  contact.plane = CollisionPlane({0, 0, 0}, {0, 2, 0});
  contact.plane.GetPlaneD();
  contacts.Append(contact);
  const CollisionContactList contactCopy = contacts;
  EXPECT_TRUE(contactCopy[0].plane.GetIfPlaneDValid());
  contacts.Clear();
  EXPECT_EQ(0u, contacts.GetCount());
}

}  // namespace

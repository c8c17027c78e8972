// Collide-and-slide: worked cases on a floor and in creases, then properties on seeded random
// scenes.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "fast_collision_response/collision_solver.h"
#include "tests/fast_collision_response/fcr_scenes.h"

using fcr_scenes::MakePolygon;

namespace {

bool IsFinite(const D3DXVECTOR3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

struct Outcome {
  D3DXVECTOR3 position, velocity;
  bool collided = false;
  int passes = 0;
};

Outcome Slide(CollisionSolver& solver, const CollisionPolygonList& polygons, D3DXVECTOR3 start,
            D3DXVECTOR3 movement, D3DXVECTOR3 radius = {1, 1, 1}, int loopCount = 4) {
  Outcome outcome;
  outcome.position = outcome.velocity = {99, 99, 99};
  const CollisionPlane ray(start, movement);
  const D3DXVECTOR3* returned = solver.CollideAndSlide(outcome.position, radius, polygons, ray,
                                                       outcome.velocity, outcome.collided,
                                                       loopCount);
  EXPECT_EQ(&outcome.position, returned);
  outcome.passes = solver.GetLastPassCount();
  return outcome;
}

CollisionPolygonList FloorTriangle() {
  CollisionPolygonList floor;
  floor.Append(MakePolygon({{-10, 0, -10}, {-10, 0, 30}, {30, 0, -10}}));
  return floor;
}

// Two walls x = 2 and z = 2 facing the origin; their crease runs along y.
CollisionPolygonList Corner() {
  CollisionPolygonList walls;
  walls.Append(MakePolygon({{2, -9, -9}, {2, -9, 9}, {2, 9, 9}, {2, 9, -9}}));
  walls.Append(MakePolygon({{-9, -9, 2}, {-9, 9, 2}, {9, 9, 2}, {9, -9, 2}}));
  return walls;
}

struct WorkedCase {
  const char* name;
  bool floor;  // else no polygons
  D3DXVECTOR3 start, movement, radius;
  int loopCount;
  D3DXVECTOR3 position, velocity;
  bool collided;
  int passes;
};

class CollideAndSlideOnAFloor : public testing::TestWithParam<WorkedCase> {};

TEST_P(CollideAndSlideOnAFloor, EndsWhereTheStepsSay) {
  const WorkedCase& c = GetParam();
  CollisionSolver solver;
  const CollisionPolygonList polygons = c.floor ? FloorTriangle() : CollisionPolygonList();
  const CollisionPolygonList before = polygons;
  const Outcome outcome = Slide(solver, polygons, c.start, c.movement, c.radius, c.loopCount);
  EXPECT_NEAR(c.position.x, outcome.position.x, 1e-5f);
  EXPECT_NEAR(c.position.y, outcome.position.y, 1e-5f);
  EXPECT_NEAR(c.position.z, outcome.position.z, 1e-5f);
  EXPECT_NEAR(c.velocity.x, outcome.velocity.x, 1e-5f);
  EXPECT_NEAR(c.velocity.y, outcome.velocity.y, 1e-5f);
  EXPECT_NEAR(c.velocity.z, outcome.velocity.z, 1e-5f);
  EXPECT_EQ(c.collided, outcome.collided);
  EXPECT_EQ(c.passes, outcome.passes);
  // The caller's mesh is only read: no plane gets built in it.
  for (std::size_t i = 0; i < polygons.GetCount(); ++i) {
    EXPECT_TRUE(polygons[i].plane.GetNormal() == before[i].plane.GetNormal());
    EXPECT_FALSE(polygons[i].plane.GetIfUnitNormalValid());
  }
}

INSTANTIATE_TEST_SUITE_P(
    CollisionSolver, CollideAndSlideOnAFloor,
    testing::Values(
        WorkedCase{"FromAbove", true, {0, 3, 0}, {0, -5, 0}, {1, 1, 1}, 4, {0, 1, 0}, {0, 0, 0}, true, 1},
        WorkedCase{"ObliqueSlidesTheWholeTangentialPart", true, {0, 3, 0}, {4, -4, 0}, {1, 1, 1}, 4,
                   {6, 1, 0}, {4, 0, 0}, true, 2},
        WorkedCase{"ObliqueOnePassLeavesTheSlideUnapplied", true, {0, 3, 0}, {4, -4, 0}, {1, 1, 1}, 1,
                   {2, 1, 0}, {4, 0, 0}, true, 1},
        WorkedCase{"RadiusTwo", true, {0, 6, 0}, {0, -10, 0}, {2, 2, 2}, 4, {0, 2, 0}, {0, 0, 0}, true, 1},
        WorkedCase{"EllipsoidScalesEachAxis", true, {0, 9, 0}, {4, -12, 0}, {2, 3, 1}, 4, {6, 3, 0},
                   {4, 0, 0}, true, 2},
        WorkedCase{"EmbeddedStartIsLiftedFirst", true, {0, 0.5f, 0}, {1, -1, 0}, {1, 1, 1}, 4, {1, 1, 0},
                   {1, 0, 0}, true, 3},
        WorkedCase{"ParallelAndOutOfReach", true, {0, 3, 0}, {1, 0, 0}, {1, 1, 1}, 4, {1, 3, 0}, {1, 0, 0},
                   false, 1},
        WorkedCase{"NoPolygons", false, {0, 3, 0}, {4, -4, 0}, {1, 1, 1}, 4, {4, -1, 0}, {4, -4, 0},
                   false, 1},
        WorkedCase{"ZeroLoopCount", true, {0, 3, 0}, {4, -4, 0}, {1, 1, 1}, 0, {0, 3, 0}, {0, 0, 0}, false, 0},
        WorkedCase{"NegativeLoopCount", true, {0, 3, 0}, {4, -4, 0}, {1, 1, 1}, -1, {0, 3, 0}, {0, 0, 0},
                   false, 0},
        WorkedCase{"MostNegativeLoopCount", false, {0, 3, 0}, {4, -4, 0}, {1, 1, 1}, INT_MIN, {0, 3, 0},
                   {0, 0, 0}, false, 0},
        WorkedCase{"ZeroMovement", true, {0, 3, 0}, {0, 0, 0}, {1, 1, 1}, 4, {0, 3, 0}, {0, 0, 0}, false, 0},
        WorkedCase{"TinyMovementIsNotSwept", true, {0, 1, 0}, {0, -0.00001f, 0}, {1, 1, 1}, 4, {0, 1, 0},
                   {0, 0, 0}, false, 0}),
    [](const auto& info) { return info.param.name; });

TEST(CollisionSolver, CreaseSlideFollowsTheCreaseAxis) {
  CollisionSolver solver;
  // Both walls at the same distance: advance to them, then keep only the movement along the
  // crease (y), which the next pass makes with both walls excluded.
  const Outcome outcome = Slide(solver, Corner(), {0, 0, 0}, {3, 1, 3});
  EXPECT_NEAR(1.0f, outcome.position.x, 1e-5f);
  EXPECT_NEAR(4.0f / 3.0f, outcome.position.y, 1e-5f);
  EXPECT_NEAR(1.0f, outcome.position.z, 1e-5f);
  EXPECT_NEAR(0.0f, outcome.velocity.x, 1e-5f);
  EXPECT_NEAR(1.0f, outcome.velocity.y, 1e-5f);
  EXPECT_NEAR(0.0f, outcome.velocity.z, 1e-5f);
  EXPECT_TRUE(outcome.collided);
  EXPECT_EQ(2, outcome.passes);
}

TEST(CollisionSolver, WedgedSphereKeepsItsMovementUntilTheCountIsUsedUp) {
  CollisionSolver solver;
  // Straight into the crease: nothing of the movement lies along it.
  const Outcome outcome = Slide(solver, Corner(), {0, 0, 0}, {3, 0, 3}, {1, 1, 1}, 6);
  EXPECT_NEAR(1.0f, outcome.position.x, 1e-5f);
  EXPECT_NEAR(0.0f, outcome.position.y, 1e-5f);
  EXPECT_NEAR(1.0f, outcome.position.z, 1e-5f);
  EXPECT_NEAR(3.0f, outcome.velocity.x, 1e-5f);
  EXPECT_NEAR(3.0f, outcome.velocity.z, 1e-5f);
  EXPECT_EQ(6, outcome.passes);
  EXPECT_EQ(0u, solver.excludedPolygons.GetCount());
}

TEST(CollisionSolver, PolygonsWithoutAPlaneAreIgnored) {
  CollisionSolver solver;
  CollisionPolygonList odd = FloorTriangle();
  odd.Append(MakePolygon({{-5, 0.5f, -5}, {5, 0.5f, 5}}));
  odd.Append(MakePolygon({}));
  const Outcome outcome = Slide(solver, odd, {0, 3, 0}, {0, -5, 0});
  EXPECT_NEAR(1.0f, outcome.position.y, 1e-6f);  // the floor, not the two-corner polygon
}

TEST(CollisionSolver, CollidedIsNeverCleared) {
  CollisionSolver solver;
  D3DXVECTOR3 position, velocity;
  bool collided = true;
  solver.CollideAndSlide(position, {1, 1, 1}, CollisionPolygonList(),
                         CollisionPlane({0, 0, 0}, {1, 0, 0}), velocity, collided, 4);
  EXPECT_TRUE(collided);
}

// A sphere pulled straight down onto a long slope, frame after frame as the channel does it:
// it rests on the slope and slides down along it, never sinking in.
class SlidingDownASlope : public testing::TestWithParam<int> {};

TEST_P(SlidingDownASlope, RestsOnItAndSlidesDownhill) {
  const float angle = GetParam() * 3.14159265f / 180.0f;
  const float c = std::cos(angle), s = std::sin(angle);
  // The slope descends towards +x; two triangles, so the sphere crosses their shared edge.
  const auto at = [&](float x, float z) { return D3DXVECTOR3(x * c, -x * s, z); };
  CollisionPolygonList slope;
  slope.Append(MakePolygon({at(-50, -50), at(-50, 50), at(50, 50)}));
  slope.Append(MakePolygon({at(-50, -50), at(50, 50), at(50, -50)}));
  const CollisionPlane plane(at(0, 0), D3DXVECTOR3(s, c, 0));

  CollisionSolver solver;
  D3DXVECTOR3 position = at(-1, 0.3f) + 1.5f * D3DXVECTOR3(s, c, 0);
  const D3DXVECTOR3 gravity(0, -0.3f, 0);
  // A frame on the slope moves the sphere by the part of the pull along it: 0.3 sin cos in x.
  // Crossing the shared edge, the second triangle is met a little way into the slide, which
  // then starts again from there with its whole length.
  const float slide = 0.3f * s * c;
  float along = 0;
  int frames = 0, plainFrames = 0;
  for (int frame = 0; frame < 100; ++frame) {
    const Outcome outcome = Slide(solver, slope, position, gravity);
    const float progress = outcome.position.x - position.x;
    position = outcome.position;
    ASSERT_GE(plane.SignedDistance(position), 1.0f - 1e-4f) << "frame " << frame;
    if (!outcome.collided) continue;
    ++frames;
    EXPECT_GE(progress, slide - 1e-4f) << "frame " << frame;
    EXPECT_LE(progress, 2 * slide) << "frame " << frame;
    plainFrames += std::fabs(progress - slide) <= 1e-4f;
    along += progress;
  }
  EXPECT_GE(plainFrames, frames - 2);
  EXPECT_GT(along / c, 1.3f);  // past the shared edge
}

INSTANTIATE_TEST_SUITE_P(CollisionSolver, SlidingDownASlope, testing::Range(5, 90, 10));

// Properties on seeded random scenes.

TEST(CollisionSolverProperties, FiniteInputsGiveFinitePositionsWithinTheLoopCount) {
  std::mt19937 rng(20261211);
  std::uniform_real_distribution<float> radius(0.05f, 4.0f);
  std::uniform_int_distribution<int> loops(-3, 8);
  CollisionSolver solver;
  int collisions = 0;
  const int trials = 3000;
  for (int trial = 0; trial < trials; ++trial) {
    const CollisionPolygonList scene =
        fcr_scenes::ScatteredTriangles(rng(), 40, 6.0f, 3.0f, /*degenerateEvery=*/7);
    const D3DXVECTOR3 start = fcr_scenes::RandomVector(rng, 6.0f);
    D3DXVECTOR3 movement = fcr_scenes::RandomVector(rng, 8.0f);
    if (trial % 50 == 0) movement = {0, 0, 0};
    const D3DXVECTOR3 r(radius(rng), radius(rng), radius(rng));
    const int loopCount = loops(rng);
    const Outcome outcome = Slide(solver, scene, start, movement, r, loopCount);
    ASSERT_TRUE(IsFinite(outcome.position)) << "trial " << trial;
    ASSERT_TRUE(IsFinite(outcome.velocity)) << "trial " << trial;
    ASSERT_LE(outcome.passes, std::max(loopCount, 0)) << "trial " << trial;
    collisions += outcome.collided;
  }
  // The scenes must be busy enough to exercise contacts, not only free flight.
  EXPECT_GT(collisions, trials / 4);
  EXPECT_LT(collisions, trials * 9 / 10);
}

TEST(CollisionSolverProperties, SphereOrEllipsoidNeverLeavesAClosedRoom) {
  const float half = 5.0f;
  const CollisionPolygonList room = fcr_scenes::BoxRoom(half);
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  CollisionSolver solver;
  int collisions = 0, frames = 0;
  for (int run = 0; run < 12; ++run) {
    // Spheres first, then ellipsoids; r is the smallest radius.
    const float r = 0.25f + 1.5f * unit(rng);
    const D3DXVECTOR3 radius = run < 8 ? D3DXVECTOR3(r, r, r)
                                       : D3DXVECTOR3(r, r * (1 + unit(rng)), r * (1 + unit(rng)));
    D3DXVECTOR3 position = fcr_scenes::RandomVector(rng, half - 2 * r);
    // Movements keep a direction for a while so the sphere reaches walls, edges and corners.
    D3DXVECTOR3 heading = fcr_scenes::RandomVector(rng, 1.0f);
    for (int frame = 0; frame < 1500; ++frame, ++frames) {
      if (frame % 40 == 0) heading = fcr_scenes::RandomVector(rng, 1.0f);
      D3DXVECTOR3 movement = heading + 0.3f * fcr_scenes::RandomVector(rng, 1.0f);
      const float length = std::sqrt(movement.x * movement.x + movement.y * movement.y +
                                     movement.z * movement.z);
      if (length > 0) movement *= 0.999f * r * unit(rng) / length;
      const Outcome outcome = Slide(solver, room, position, movement, radius, 4);
      position = outcome.position;
      ASSERT_TRUE(std::fabs(position.x) <= half && std::fabs(position.y) <= half &&
                  std::fabs(position.z) <= half)
          << "run " << run << " frame " << frame << " at " << position.x << ", " << position.y
          << ", " << position.z;
      collisions += outcome.collided;
    }
  }
  EXPECT_GT(collisions, frames / 4);
}

}  // namespace

// The demo's own pieces where a fault would not show in its output: the rasteriser's depth
// order, the route giving up a waypoint it cannot reach, and the built-in level facing the
// walker.

#include <gtest/gtest.h>

#include <cmath>

#include "apps/argb_canvas.h"
#include "apps/level_geometry.h"
#include "apps/route_script.h"

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00, kBlack = 0xFF000000;

TEST(ArgbCanvas, NearerTrianglesWinWhateverTheOrder) {
  ArgbCanvas canvas(20, 20, kBlack);
  canvas.Triangle({0, 0, 1}, {20, 0, 1}, {0, 20, 1}, kRed);
  canvas.Triangle({20, 20, 0}, {0, 0, 0}, {20, 0, 0}, kBlue);  // nearer, wound the other way
  canvas.Triangle({0, 0, 2}, {20, 0, 2}, {20, 20, 2}, kGreen);  // farther: hidden
  EXPECT_EQ(canvas.At(15, 2), kBlue);   // in both
  EXPECT_EQ(canvas.At(2, 10), kRed);    // in the red one only
  EXPECT_EQ(canvas.At(18, 10), kBlue);  // in the blue and the green one
  EXPECT_EQ(canvas.At(5, 19), kBlack);  // in none
}

TEST(ArgbCanvas, DrawingOutsideThePictureIsClipped) {
  ArgbCanvas canvas(8, 8, kBlack);
  canvas.Triangle({-50, -50, 0}, {60, -50, 0}, {-50, 60, 0}, kRed);
  canvas.Line(-10, 4, 20, 4, kGreen, 3);
  canvas.Disc(100, 100, 5, kBlue);
  canvas.Text(6, 6, "A9", kBlue, 3);
  EXPECT_EQ(canvas.At(0, 0), kRed);
  EXPECT_EQ(canvas.At(7, 4), kGreen);
}

TEST(RouteScript, HeadsForEachWaypointAndGivesUpOneItCannotReach) {
  RouteScript route({{10, 0}, {10, 10}}, 0.5f, 0.25f, 1.0f);
  const D3DXVECTOR3 m = route.NextMovement({0, 3, 0});
  EXPECT_NEAR(m.x, 0.5f, 1e-6f);
  EXPECT_NEAR(m.z, 0, 1e-6f);
  EXPECT_EQ(m.y, -0.25f);
  // Held in place (a wall in the way): the waypoint is given up after a while, not forever.
  int frames = 0;
  while (route.CurrentWaypoint() == 0 && frames < 1000) {
    route.NextMovement({0, 3, 0});
    ++frames;
  }
  EXPECT_EQ(route.CurrentWaypoint(), 1);
  EXPECT_LT(frames, 100);
  const D3DXVECTOR3 next = route.NextMovement({10, 3, 0});
  EXPECT_NEAR(next.z, 0.5f, 1e-6f);
  // Past the last waypoint it keeps pushing towards it.
  route.NextMovement({10, 3, 9.5f});
  EXPECT_EQ(route.CurrentWaypoint(), 2);
  EXPECT_NEAR(route.NextMovement({10, 3, 8}).z, 0.5f, 1e-6f);
}

// The collision response ignores the back of a triangle: the floor must face up and every
// other face of the built-in level must face away from the solid it bounds, so that it faces
// the open middle of the room.
TEST(BuiltInLevel, TheFloorFacesUpAndThePerimeterWallsFaceIn) {
  const LevelDescription level = BuiltInLevel();
  ASSERT_EQ(level.objects.size(), 2u);
  int floor = 0, walls = 0;
  // A perimeter wall triangle lies in x = +-20 (axis 0) or z = +-20 (axis 2) and reaches a
  // corner of the room; the solids against the walls (platform, landing) do not.
  auto onPerimeter = [](const Triangle& t, int axis) {
    const int other = 2 - axis;
    return std::fabs(t.a[axis]) == 20 && t.a[axis] == t.b[axis] && t.b[axis] == t.c[axis] &&
           (std::fabs(t.a[other]) == 20 || std::fabs(t.b[other]) == 20 || std::fabs(t.c[other]) == 20);
  };
  for (const Triangle& t : level.objects[0].triangles) {
    D3DXVECTOR3 n = FaceNormal(t);
    D3DXVec3Normalize(&n, &n);
    if (t.a.y == 0 && t.b.y == 0 && t.c.y == 0 && std::fabs(t.a.x) == 20 && std::fabs(t.a.z) == 20) {
      EXPECT_GT(n.y, 0.99f);
      ++floor;
    }
    for (int axis : {0, 2})
      if (onPerimeter(t, axis)) {
        EXPECT_LT(n[axis] * t.a[axis], -0.99f * 20);  // straight towards the middle
        ++walls;
      }
  }
  EXPECT_EQ(floor, 2);
  EXPECT_EQ(walls, 8);
}

}  // namespace

// Walks an ellipsoid through a small level: a floor, two walls meeting in a crease, a ramp up
// to a platform placed by its own world matrix, and stairs.

#include <gtest/gtest.h>

#include <cmath>

#include "response_scene.h"

namespace {

class Level : public testing::Test {
 protected:
  void SetUp() override {
    std::vector<Triangle> level = Floor(-20, 20, -20, 20, 0);
    for (const auto& part : {WallFacingMinusX(10, -20, 20, 0, 5), WallFacingMinusZ(10, -20, 20, 0, 5)})
      level.insert(level.end(), part.begin(), part.end());
    // A 45-degree ramp rising towards -x, from x = -5 (height 0) to x = -15 (height 10).
    level.push_back({{-5, 0, -5}, {-15, 10, -5}, {-15, 10, 5}});
    level.push_back({{-5, 0, -5}, {-15, 10, 5}, {-5, 0, 5}});
    // Stairs of 0.25 high steps towards -z, in front of the wall at z = 10.
    for (int step = 1; step <= 4; ++step) {
      const float y = 0.25f * step, z = -10.0f - step;
      const auto tread = Floor(0, 4, step == 4 ? -25.0f : z - 1, z, y);  // the top step is long
      level.insert(level.end(), tread.begin(), tread.end());
      // The riser, facing +z.
      level.push_back({{0, y - 0.25f, z}, {4, y - 0.25f, z}, {4, y, z}});
      level.push_back({{0, y - 0.25f, z}, {4, y, z}, {0, y, z}});
    }
    scene.AddObject(level);
    // The platform at the ramp's top, placed by a rotation and a translation.
    D3DXMATRIX turn, move, world;
    D3DXMatrixRotationY(&turn, 3.14159265f / 2);
    D3DXMatrixTranslation(&move, -20, 10, 0);
    D3DXMatrixMultiply(&world, &turn, &move);
    scene.AddObject(Floor(-5, 5, -5, 5, 0), &world);
  }

  // Runs frames with a constant movement from start; returns the positions.
  std::vector<D3DXVECTOR3> Walk(D3DXVECTOR3 start, D3DXVECTOR3 step, int frames) {
    scene.position->SetVector(start);
    scene.movement->SetVector(step);
    std::vector<D3DXVECTOR3> path;
    scene.Step();
    for (int i = 0; i < frames; ++i) path.push_back(scene.Step());
    return path;
  }

  ResponseScene scene;
};

}  // namespace

TEST_F(Level, WalkingIntoAWallSlidesAlongIt) {
  const auto path = Walk({5, 1, -15}, {0.2f, -0.1f, 0.1f}, 100);
  for (const auto& p : path) ASSERT_LE(p.x, 9.0f + 1e-3f);
  EXPECT_NEAR(path.back().x, 9.0f, 1e-2f);
  EXPECT_NEAR(path.back().y, 1.0f, 1e-2f);
  EXPECT_GT(path.back().z, -15.0f + 9.0f);  // kept going along the wall
}

TEST_F(Level, WalkingIntoTheCreaseStops) {
  const auto path = Walk({5, 1, 5}, {0.2f, -0.1f, 0.2f}, 200);
  const D3DXVECTOR3 end = path.back();
  EXPECT_NEAR(end.x, 9.0f, 2e-2f);
  EXPECT_NEAR(end.z, 9.0f, 2e-2f);
  EXPECT_NEAR(end.y, 1.0f, 2e-2f);
  const D3DXVECTOR3 before = path[path.size() - 20];
  EXPECT_NEAR(end.x, before.x, 1e-3f);
  EXPECT_NEAR(end.z, before.z, 1e-3f);
}

TEST_F(Level, FallingLandsOnTheFloorAndStaysThere) {
  scene.friction->SetValue(0.5f);
  const auto path = Walk({2, 6, 2}, {0, -0.2f, 0}, 10000);
  bool landed = false;
  for (const auto& p : path) {
    ASSERT_GE(p.y, 1.0f - 1e-3f);
    ASSERT_NEAR(p.x, 2.0f, 1e-4f);
    ASSERT_NEAR(p.z, 2.0f, 1e-4f);
    if (landed) {
      ASSERT_NEAR(p.y, 1.0f, 1e-3f);
    }
    landed = landed || std::fabs(p.y - 1.0f) < 1e-3f;
  }
  EXPECT_TRUE(landed);
}

TEST_F(Level, WalkingUpTheRampClimbsIt) {
  const auto path = Walk({-2, 1, 0}, {-0.2f, -0.1f, 0}, 200);
  EXPECT_GT(path.back().y, 9.0f);
  EXPECT_LT(path.back().x, -13.0f);
  for (std::size_t i = 1; i < path.size(); ++i) ASSERT_GE(path[i].y, path[i - 1].y - 1e-3f);
}

TEST_F(Level, TheStairsAreClimbedStepByStep) {
  const auto path = Walk({2, 1, -8}, {0, -0.1f, -0.15f}, 80);
  EXPECT_NEAR(path.back().y, 2.0f, 0.05f) << path.back().z;  // on the top step, 1 above its tread
  EXPECT_LT(path.back().z, -15.0f);
}

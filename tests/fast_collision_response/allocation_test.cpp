// Heap use of the sweep and the solver once their storage has grown: none. Counted through the
// global allocation functions of this test program.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "fast_collision_response/collision_solver.h"
#include "tests/fast_collision_response/fcr_scenes.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(CollisionSolverAllocations, SteadyStateSweepsAndSlidesAllocateNothing) {
  CollisionPolygonList room = fcr_scenes::BoxRoom(5.0f);
  CollisionSolver solver;
  const CollisionPlane ray({4, -3, 1}, {3, -2, 2});  // into the corner region: several passes
  D3DXVECTOR3 position, velocity;
  bool collided = false;
  solver.CollideAndSlide(position, {1, 1, 1}, room, ray, velocity, collided, 4);  // grows storage
  ASSERT_TRUE(collided);
  ASSERT_GT(solver.GetLastPassCount(), 1);

  const long before = allocations.load();
  solver.CollideAndSlide(position, {1, 1, 1}, room, ray, velocity, collided, 4);
  EXPECT_EQ(before, allocations.load()) << "CollideAndSlide";

  for (CollisionPolygonItem& polygon : room) polygon.RebuildPlane();
  CollisionContactList contacts;
  solver.SweepSphere(room, ray, contacts);
  ASSERT_FALSE(contacts.IsEmpty());
  const long beforeSweep = allocations.load();
  solver.SweepSphere(room, ray, contacts);
  EXPECT_EQ(beforeSweep, allocations.load()) << "SweepSphere into a kept list";
}

}  // namespace

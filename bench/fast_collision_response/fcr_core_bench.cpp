// Swept sphere cost per polygon and collide-and-slide cost per call, on scenes whose every
// triangle lies near the sphere's path (what the channel's query box hands the solver).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "fast_collision_response/collision_solver.h"
#include "tests/fast_collision_response/fcr_scenes.h"

namespace {

// The machine may be shared: with --benchmark_repetitions, the fastest repetition is the one
// least disturbed.
double Fastest(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

// count triangles covering a 4 x 4 patch around the origin, whatever their number.
CollisionPolygonList NearbyGround(int count) {
  const float side = std::ceil(std::sqrt(count / 2.0f));
  return fcr_scenes::RumpledGround(7, count, 4.0f / side);
}

// A sphere gliding low over a rumpled ground, sweeping every triangle of it.
void BM_SweepSphere(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  CollisionPolygonList ground = NearbyGround(count);
  for (CollisionPolygonItem& polygon : ground) polygon.RebuildPlane();
  const CollisionSolver solver;
  CollisionContactList contacts;
  const CollisionPlane ray({-0.3f, 1.2f, -0.2f}, {0.8f, -0.5f, 0.6f});
  for (auto _ : state) {
    solver.SweepSphere(ground, ray, contacts);
    benchmark::DoNotOptimize(contacts);
  }
  state.counters["contacts"] = static_cast<double>(contacts.GetCount());
  state.counters["per_polygon"] = benchmark::Counter(
      static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate |
                                      benchmark::Counter::kInvert);
}
BENCHMARK(BM_SweepSphere)->Arg(10)->Arg(100)->Arg(1000)->ComputeStatistics("min", Fastest);

// The same per polygon when the triangles lie scattered around the path, most of them out of
// reach: the usual mix of early rejections.
void BM_SweepSphereScattered(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  CollisionPolygonList scene = fcr_scenes::ScatteredTriangles(11, count, 4.0f, 1.5f);
  for (CollisionPolygonItem& polygon : scene) polygon.RebuildPlane();
  const CollisionSolver solver;
  CollisionContactList contacts;
  const CollisionPlane ray({-3, 0.5f, -2}, {6, -1, 4});
  for (auto _ : state) {
    solver.SweepSphere(scene, ray, contacts);
    benchmark::DoNotOptimize(contacts);
  }
  state.counters["per_polygon"] = benchmark::Counter(
      static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate |
                                      benchmark::Counter::kInvert);
}
BENCHMARK(BM_SweepSphereScattered)->Arg(10)->Arg(100)->Arg(1000)->ComputeStatistics("min", Fastest);

// One solver call of the channel: an ellipsoid sliding down and along the ground, all of its
// triangles gathered.
void BM_CollideAndSlide(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const CollisionPolygonList ground = NearbyGround(count);
  CollisionSolver solver;
  const CollisionPlane movement({0.1f, 1.3f, -0.2f}, {0.9f, -0.6f, 0.7f});
  const D3DXVECTOR3 radius(0.8f, 1.0f, 0.8f);
  D3DXVECTOR3 position, velocity;
  int passes = 0;
  for (auto _ : state) {
    bool collided = false;
    solver.CollideAndSlide(position, radius, ground, movement, velocity, collided, 4);
    benchmark::DoNotOptimize(position);
    passes = solver.GetLastPassCount();
  }
  state.counters["passes"] = passes;
}
BENCHMARK(BM_CollideAndSlide)->Arg(10)->Arg(100)->Arg(1000)->ComputeStatistics("min", Fastest);

}  // namespace

BENCHMARK_MAIN();

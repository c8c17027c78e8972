// A scripted walk of 10,000 frames through a level of about 100k triangles, through the host
// with the real plug-ins: time per evaluation (GetVector), split into solving (the same
// CollideAndSlide call replayed on the gathered polygons) and the rest (gathering and
// bookkeeping), triangles gathered per frame, and the ratio of the whole frame to the pure
// swept-sphere work it performs, timed per polygon in the same run.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "collision_object/kv_dx8_collision_object.h"
#include "fast_collision_response/collision_solver.h"
#include "fast_collision_response/kv_dx8_fast_collision_response.h"
#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/siblings/object3d/object3d.h"
#include "host/siblings/value/value_channel.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A bumpy terrain of n x n quads over [-100, 100]^2 (2 n^2 triangles).
void BuildTerrain(int n, std::vector<D3DXVECTOR3>& vertices, std::vector<std::int32_t>& indices) {
  const float size = 200.0f / static_cast<float>(n);
  auto height = [](float x, float z) { return 1.5f * std::sin(x * 0.15f) * std::cos(z * 0.11f); };
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) {
      const float x = -100.0f + static_cast<float>(i) * size, z = -100.0f + static_cast<float>(j) * size;
      vertices.push_back({x, height(x, z), z});
    }
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const std::int32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
      for (std::int32_t v : {a, c, d, a, d, b}) indices.push_back(v);  // facing up
    }
}

}  // namespace

int main() {
  constexpr int kFrames = 10000;
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  auto* object = static_cast<Kv_DX8_3DObject*>(engine.CreateChannel(MakeGuid(type_guids::k3DObject)));
  auto* collision = static_cast<Kv_DX8_CollisionObject*>(engine.CreateChannel(MakeGuid(type_guids::kCollisionObject)));
  auto* response = static_cast<Kv_DX8_FastCollisionResponse*>(
      engine.CreateChannel(MakeGuid(type_guids::kFastCollisionResponse)));
  if (!object || !collision || !response) {
    std::fprintf(stderr, "plug-ins missing in %s\n", engine.GetPluginFolder().c_str());
    return 1;
  }
  std::vector<D3DXVECTOR3> vertices;
  std::vector<std::int32_t> indices;
  BuildTerrain(224, vertices, indices);
  object->AddSubObject(vertices, indices, kMeshTriangleList);
  collision->SetTreeDepth(16);
  engine.Link(collision, 0, object);
  engine.Link(response, 6, collision);

  auto* movement = static_cast<Kv_VectorChannel*>(response->GetChild(0));
  auto* position = static_cast<Kv_VectorChannel*>(response->GetChild(2));
  static_cast<Kv_ValueChannel*>(response->GetChild(3))->SetValue(0.2f);
  position->SetVector({-60, 4, -60});

  // The tree is built at the first query: time that apart.
  const auto buildStart = Clock::now();
  collision->UpdateCollisionTree();
  const double build = Seconds(Clock::now() - buildStart);

  double total = 0, solve = 0, pureSweep = 0;
  long long gathered = 0, sweeps = 0, collisions = 0;
  CollisionSolver replay;
  std::vector<double> sweepNsSamples;
  for (int frame = 0; frame < kFrames; ++frame) {
    // The route: a slow spiral under a constant downward movement.
    const float angle = static_cast<float>(frame) * 0.004f;
    movement->SetVector({0.05f * std::cos(angle) + 0.006f, -0.08f, 0.05f * std::sin(angle) + 0.006f});
    const D3DXVECTOR3 start = response->lastPosition;
    engine.BeginFrame();
    const auto t0 = Clock::now();
    response->GetVector();
    total += Seconds(Clock::now() - t0);
    if (frame == 0) continue;  // the first evaluation only takes the position

    // Replays the solver call the channel just made, on the same polygons.
    const CollisionPlane ray(start, response->movement);
    D3DXVECTOR3 outPosition, outVelocity;
    bool collided = false;
    const auto t1 = Clock::now();
    replay.CollideAndSlide(outPosition, response->radius, response->collisionPolygons, ray, outVelocity, collided,
                           response->slideLoopCount);
    solve += Seconds(Clock::now() - t1);
    collisions += collided;
    const auto polygons = static_cast<long long>(response->collisionPolygons.GetCount());
    gathered += polygons;
    sweeps += replay.GetLastPassCount() * polygons;

    // Every 100th frame, time one sweep over the gathered polygons alone (unit-sphere space,
    // radius 1) to price a polygon sweep in this run.
    if (frame % 100 == 1 && polygons > 0) {
      CollisionPolygonList list = response->collisionPolygons;
      for (CollisionPolygonItem& p : list) p.RebuildPlane();
      const CollisionPlane sweepRay(start, response->movement);
      CollisionContactList contacts;
      constexpr int kRepeats = 200;
      const auto t2 = Clock::now();
      for (int r = 0; r < kRepeats; ++r) replay.SweepSphere(list, sweepRay, contacts);
      sweepNsSamples.push_back(Seconds(Clock::now() - t2) * 1e9 / (kRepeats * static_cast<double>(polygons)));
    }
  }
  double nsPerPolygon = 0;
  for (double s : sweepNsSamples) nsPerPolygon += s;
  nsPerPolygon /= static_cast<double>(sweepNsSamples.empty() ? 1 : sweepNsSamples.size());
  pureSweep = static_cast<double>(sweeps) * nsPerPolygon * 1e-9;

  const double frames = kFrames - 1;
  std::printf("level: %zu triangles, tree depth 16: %d nodes, build %.1f ms\n", indices.size() / 3,
              collision->GetTreeNodeCount(), build * 1e3);
  std::printf("frames: %d, with a collision: %lld, final position (%.2f, %.2f, %.2f)\n", kFrames, collisions,
              response->lastPosition.x, response->lastPosition.y, response->lastPosition.z);
  std::printf("triangles gathered per frame: %.1f\n", static_cast<double>(gathered) / frames);
  std::printf("time per GetVector:           %8.2f us\n", total / frames * 1e6);
  std::printf("  solving (CollideAndSlide):  %8.2f us\n", solve / frames * 1e6);
  std::printf("  gathering and bookkeeping:  %8.2f us\n", (total - solve) / frames * 1e6);
  std::printf("SweepSphere per polygon:      %8.2f ns (same run)\n", nsPerPolygon);
  std::printf("pure sweep work per frame:    %8.2f us (passes x polygons x per-polygon cost)\n",
              pureSweep / frames * 1e6);
  std::printf("whole frame / pure sweep work: %.2fx (target at most 1.5x)\n", total / pureSweep);
  return 0;
}

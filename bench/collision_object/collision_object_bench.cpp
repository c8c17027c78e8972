// Build time and query rates of the collision object's tree on the benchmark scenes. The
// tree is the engine-free core the plug-in runs; the channel adds one virtual call per node
// visited and the world transform per query.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/collision_object/bench_scenes.h"
#include "collision_object/collision_tree.h"

namespace {

using bench_scenes::Mesh;

void Fill(CollisionTree& tree, const Mesh& mesh) {
  tree.Clear();
  tree.SetTreeDepth(bench_scenes::TreeDepthFor(mesh));
  for (std::size_t i = 0; i < mesh.indices.size(); i += 3)
    tree.AddTriangle(mesh.vertices[mesh.indices[i]], mesh.vertices[mesh.indices[i + 1]],
                     mesh.vertices[mesh.indices[i + 2]]);
}

struct Prepared {
  Mesh mesh;
  CollisionTree tree;
  std::vector<bench_scenes::Segment> segments;
  std::vector<std::pair<D3DXVECTOR3, D3DXVECTOR3>> boxes;
  std::vector<bench_scenes::Sphere> spheres;
};

// Polygon list and tree from the raw mesh, as a rebuild of the channel does.
void BM_Build(benchmark::State& state, const Prepared* p) {
  CollisionTree tree;
  for (auto _ : state) {
    Fill(tree, p->mesh);
    benchmark::DoNotOptimize(tree.Build());
  }
  state.counters["nodes"] = tree.Stats().nodeCount;
  state.counters["triangles"] = p->mesh.TriangleCount();
}

void BM_Segment(benchmark::State& state, Prepared* p, bool closest) {
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    const bench_scenes::Segment& s = p->segments[i++ % p->segments.size()];
    const float d = p->tree.RayCollision(s.origin, s.dir, nullptr, nullptr, closest);
    hits += d >= 0;
    benchmark::DoNotOptimize(d);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["hit%"] = 100.0 * static_cast<double>(hits) / static_cast<double>(state.iterations());
}

void BM_Box(benchmark::State& state, Prepared* p) {
  std::size_t i = 0, found = 0;
  std::vector<int> out;
  for (auto _ : state) {
    const auto& b = p->boxes[i++ % p->boxes.size()];
    out.clear();
    p->tree.BoxCollision(out, b.first, b.second);
    found += out.size();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["tris/query"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}

void BM_Sphere(benchmark::State& state, Prepared* p) {
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    const bench_scenes::Sphere& s = p->spheres[i++ % p->spheres.size()];
    const bool hit = p->tree.SphereCollision(s.center, s.radius);
    hits += hit;
    benchmark::DoNotOptimize(hit);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["hit%"] = 100.0 * static_cast<double>(hits) / static_cast<double>(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<std::unique_ptr<Prepared>> scenes;
  for (Mesh& mesh : bench_scenes::AllScenes()) {
    auto p = std::make_unique<Prepared>();
    p->mesh = std::move(mesh);
    Fill(p->tree, p->mesh);
    p->tree.Build();
    p->segments = bench_scenes::Segments(p->mesh, 4096);
    p->boxes = bench_scenes::CharacterBoxes(p->mesh, 4096);
    p->spheres = bench_scenes::Spheres(p->mesh, 4096);
    scenes.push_back(std::move(p));
  }
  for (auto& p : scenes) {
    const std::string name = p->mesh.name;
    Prepared* raw = p.get();
    benchmark::RegisterBenchmark(("Build/" + name).c_str(), BM_Build, raw)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark(("SegmentNearest/" + name).c_str(), BM_Segment, raw, true);
    benchmark::RegisterBenchmark(("SegmentFirst/" + name).c_str(), BM_Segment, raw, false);
    benchmark::RegisterBenchmark(("CharacterBox/" + name).c_str(), BM_Box, raw);
    benchmark::RegisterBenchmark(("Sphere/" + name).c_str(), BM_Sphere, raw);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

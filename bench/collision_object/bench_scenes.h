#pragma once
// Deterministic scenes and query sets for the collision object benchmarks: a rolling terrain
// and a level of rooms with crates, at about 10k, 100k and 1M triangles, and the segments,
// character-sized boxes and spheres asked of them. The same seed gives the same scene and
// queries on every machine, so figures from different runs compare.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx/d3dx8_math.h"

namespace bench_scenes {

struct Mesh {
  std::string name;
  std::vector<D3DXVECTOR3> vertices;
  std::vector<std::uint32_t> indices;  // triangle list
  int TriangleCount() const { return static_cast<int>(indices.size() / 3); }
};

// A small generator with fixed output everywhere (std distributions differ by library).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 32);
  }
  float Uniform(float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(Next() >> 8) / static_cast<float>(1u << 24);
  }

 private:
  std::uint64_t state_;
};

inline float TerrainHeight(float x, float z) {
  return 3.0f * std::sin(x * 0.05f) * std::cos(z * 0.045f) + 1.2f * std::sin(x * 0.23f + 1.0f) +
         0.8f * std::cos(z * 0.31f + 0.5f) + 0.3f * std::sin((x + z) * 0.9f);
}

// cells x cells unit squares, two triangles each.
inline Mesh Terrain(int cells) {
  Mesh mesh;
  mesh.name = "terrain" + std::to_string(2 * cells * cells / 1000) + "k";
  const int n = cells + 1;
  mesh.vertices.reserve(static_cast<std::size_t>(n) * n);
  for (int z = 0; z < n; ++z)
    for (int x = 0; x < n; ++x) {
      const float fx = static_cast<float>(x), fz = static_cast<float>(z);
      mesh.vertices.emplace_back(fx, TerrainHeight(fx, fz), fz);
    }
  for (int z = 0; z < cells; ++z)
    for (int x = 0; x < cells; ++x) {
      const std::uint32_t a = static_cast<std::uint32_t>(z * n + x), b = a + 1,
                          c = a + static_cast<std::uint32_t>(n), d = c + 1;
      mesh.indices.insert(mesh.indices.end(), {a, c, b, b, c, d});
    }
  return mesh;
}

// A quad split into steps x steps cells, from corner o along u and v.
inline void AddPatch(Mesh& mesh, D3DXVECTOR3 o, D3DXVECTOR3 u, D3DXVECTOR3 v, int steps) {
  const std::uint32_t base = static_cast<std::uint32_t>(mesh.vertices.size());
  for (int j = 0; j <= steps; ++j)
    for (int i = 0; i <= steps; ++i)
      mesh.vertices.push_back(o + u * (static_cast<float>(i) / steps) +
                              v * (static_cast<float>(j) / steps));
  const std::uint32_t row = static_cast<std::uint32_t>(steps + 1);
  for (int j = 0; j < steps; ++j)
    for (int i = 0; i < steps; ++i) {
      const std::uint32_t a = base + static_cast<std::uint32_t>(j) * row + static_cast<std::uint32_t>(i);
      mesh.indices.insert(mesh.indices.end(), {a, a + row, a + 1, a + 1, a + row, a + row + 1});
    }
}

inline void AddBox(Mesh& mesh, D3DXVECTOR3 lo, D3DXVECTOR3 hi) {
  const D3DXVECTOR3 e = hi - lo;
  AddPatch(mesh, lo, {e.x, 0, 0}, {0, e.y, 0}, 1);
  AddPatch(mesh, {lo.x, lo.y, hi.z}, {0, e.y, 0}, {e.x, 0, 0}, 1);
  AddPatch(mesh, lo, {0, 0, e.z}, {e.x, 0, 0}, 1);
  AddPatch(mesh, {lo.x, hi.y, lo.z}, {e.x, 0, 0}, {0, 0, e.z}, 1);
  AddPatch(mesh, lo, {0, e.y, 0}, {0, 0, e.z}, 1);
  AddPatch(mesh, {hi.x, lo.y, lo.z}, {0, 0, e.z}, {0, e.y, 0}, 1);
}

// Rooms of 10 x 4 x 10 on two storeys: tessellated floors, ceilings and walls, and crates.
// About 600 triangles a room.
inline Mesh Level(int rooms) {
  Mesh mesh;
  Random random(77);
  const int perRow = static_cast<int>(std::ceil(std::sqrt(rooms / 2.0)));
  for (int r = 0; r < rooms; ++r) {
    const int storey = r % 2, cell = r / 2;
    const D3DXVECTOR3 o(static_cast<float>(cell % perRow) * 10.0f, storey * 4.0f,
                        static_cast<float>(cell / perRow) * 10.0f);
    AddPatch(mesh, o, {0, 0, 10}, {10, 0, 0}, 8);                       // floor
    AddPatch(mesh, o + D3DXVECTOR3(0, 4, 0), {10, 0, 0}, {0, 0, 10}, 8);  // ceiling
    AddPatch(mesh, o, {10, 0, 0}, {0, 4, 0}, 6);                          // walls
    AddPatch(mesh, o + D3DXVECTOR3(0, 0, 10), {0, 4, 0}, {10, 0, 0}, 6);
    AddPatch(mesh, o, {0, 4, 0}, {0, 0, 10}, 6);
    AddPatch(mesh, o + D3DXVECTOR3(10, 0, 0), {0, 0, 10}, {0, 4, 0}, 6);
    for (int k = 0; k < 6; ++k) {
      const D3DXVECTOR3 at = o + D3DXVECTOR3(random.Uniform(1, 8), 0, random.Uniform(1, 8));
      const float size = random.Uniform(0.4f, 1.2f);
      AddBox(mesh, at, at + D3DXVECTOR3(size, size, size));
    }
  }
  mesh.name = "level" + std::to_string(mesh.TriangleCount() / 1000) + "k";
  return mesh;
}

// The six benchmark scenes, smallest first.
inline std::vector<Mesh> AllScenes() {
  return {Terrain(71), Level(17), Terrain(224), Level(171), Terrain(708), Level(1712)};
}

inline void Bounds(const Mesh& mesh, D3DXVECTOR3& lo, D3DXVECTOR3& hi) {
  lo = hi = mesh.vertices.front();
  for (const D3DXVECTOR3& v : mesh.vertices)
    for (int i = 0; i < 3; ++i) {
      if (v[i] < lo[i]) lo[i] = v[i];
      if (v[i] > hi[i]) hi[i] = v[i];
    }
}

struct Segment {
  D3DXVECTOR3 origin, dir;  // the segment runs from origin to origin + dir
};

// Segments of length 2 to 30 from points in the scene's box (raised a little), in every
// direction, biased downwards, as line-of-sight and ground probes are.
inline std::vector<Segment> Segments(const Mesh& mesh, int count, std::uint64_t seed = 1) {
  D3DXVECTOR3 lo, hi;
  Bounds(mesh, lo, hi);
  Random random(seed);
  std::vector<Segment> out;
  for (int i = 0; i < count; ++i) {
    const D3DXVECTOR3 o(random.Uniform(lo.x, hi.x), random.Uniform(lo.y, hi.y + 4),
                        random.Uniform(lo.z, hi.z));
    D3DXVECTOR3 d(random.Uniform(-1, 1), random.Uniform(-1.5f, 0.5f), random.Uniform(-1, 1));
    D3DXVec3Normalize(&d, &d);
    out.push_back({o, d * random.Uniform(2, 30)});
  }
  return out;
}

// A character's box (0.8 x 1.8 x 0.8) around points in the scene's box.
inline std::vector<std::pair<D3DXVECTOR3, D3DXVECTOR3>> CharacterBoxes(const Mesh& mesh, int count,
                                                                     std::uint64_t seed = 2) {
  D3DXVECTOR3 lo, hi;
  Bounds(mesh, lo, hi);
  Random random(seed);
  std::vector<std::pair<D3DXVECTOR3, D3DXVECTOR3>> out;
  const D3DXVECTOR3 half(0.4f, 0.9f, 0.4f);
  for (int i = 0; i < count; ++i) {
    const D3DXVECTOR3 c(random.Uniform(lo.x, hi.x), random.Uniform(lo.y, hi.y),
                        random.Uniform(lo.z, hi.z));
    out.emplace_back(c - half, c + half);
  }
  return out;
}

struct Sphere {
  D3DXVECTOR3 center;
  float radius;
};

inline std::vector<Sphere> Spheres(const Mesh& mesh, int count, std::uint64_t seed = 3) {
  D3DXVECTOR3 lo, hi;
  Bounds(mesh, lo, hi);
  Random random(seed);
  std::vector<Sphere> out;
  for (int i = 0; i < count; ++i)
    out.push_back({{random.Uniform(lo.x, hi.x), random.Uniform(lo.y, hi.y),
                    random.Uniform(lo.z, hi.z)},
                   random.Uniform(0.3f, 1.5f)});
  return out;
}

// Tree depth used for a scene: the default 8 for the small ones, 16 for the large.
inline int TreeDepthFor(const Mesh& mesh) { return mesh.TriangleCount() > 50000 ? 16 : 8; }

}  // namespace bench_scenes

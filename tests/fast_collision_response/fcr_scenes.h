#pragma once
// Named scenes for the collision core's tests and benchmarks.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>

#include "fast_collision_response/collision_polygon.h"

namespace fcr_scenes {

inline CollisionPolygonItem MakePolygon(std::initializer_list<D3DXVECTOR3> corners) {
  CollisionPolygonItem polygon;
  for (const D3DXVECTOR3& corner : corners) {
    CollisionVertex vertex;
    vertex.position = corner;
    polygon.vertices.push_back(vertex);
  }
  return polygon;
}

// Same, with the plane built, as the sweep needs it.
inline CollisionPolygonItem MakePlanePolygon(std::initializer_list<D3DXVECTOR3> corners) {
  CollisionPolygonItem polygon = MakePolygon(corners);
  polygon.RebuildPlane();
  return polygon;
}

// The closed box [-h, h]^3 as twelve triangles facing inwards.
inline CollisionPolygonList BoxRoom(float h) {
  CollisionPolygonList room;
  const auto quad = [&](D3DXVECTOR3 a, D3DXVECTOR3 b, D3DXVECTOR3 c, D3DXVECTOR3 d) {
    room.Append(MakePolygon({a, b, c}));
    room.Append(MakePolygon({a, c, d}));
  };
  // Each quad runs counter-clockwise seen from inside the room.
  quad({-h, -h, -h}, {-h, -h, h}, {h, -h, h}, {h, -h, -h});  // floor, normal +y
  quad({-h, h, -h}, {h, h, -h}, {h, h, h}, {-h, h, h});      // ceiling, normal -y
  quad({-h, -h, -h}, {-h, h, -h}, {-h, h, h}, {-h, -h, h});  // x = -h, normal +x
  quad({h, -h, -h}, {h, -h, h}, {h, h, h}, {h, h, -h});      // x = +h, normal -x
  quad({-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h});  // z = -h, normal +z
  quad({-h, -h, h}, {-h, h, h}, {h, h, h}, {h, -h, h});      // z = +h, normal -z
  return room;
}

inline D3DXVECTOR3 RandomVector(std::mt19937& rng, float extent) {
  std::uniform_real_distribution<float> coordinate(-extent, extent);
  const float x = coordinate(rng);
  const float y = coordinate(rng);
  const float z = coordinate(rng);
  return {x, y, z};
}

// count triangles of about `size` scattered in the cube [-extent, extent]^3, some of them
// degenerate when degenerateEvery > 0.
inline CollisionPolygonList ScatteredTriangles(std::uint32_t seed, int count, float extent,
                                               float size, int degenerateEvery = 0) {
  std::mt19937 rng(seed);
  CollisionPolygonList triangles;
  for (int i = 0; i < count; ++i) {
    const D3DXVECTOR3 centre = RandomVector(rng, extent);
    const D3DXVECTOR3 a = centre + RandomVector(rng, size);
    D3DXVECTOR3 b = centre + RandomVector(rng, size);
    D3DXVECTOR3 c = centre + RandomVector(rng, size);
    if (degenerateEvery > 0 && i % degenerateEvery == 0) {
      if (i % (2 * degenerateEvery) == 0) b = a;       // two equal corners
      else c = a + 2.0f * (b - a);                     // collinear corners
    }
    triangles.Append(MakePolygon({a, b, c}));
  }
  return triangles;
}

// A ground of count triangles in a strip of fans around the origin, slightly rumpled, under a
// sphere moving along it: every triangle is near the path, most are met.
inline CollisionPolygonList RumpledGround(std::uint32_t seed, int count, float cell) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> bump(-0.1f * cell, 0.1f * cell);
  CollisionPolygonList ground;
  const int side = static_cast<int>(std::ceil(std::sqrt(count / 2.0f)));
  const float origin = -0.5f * side * cell;
  for (int i = 0; ground.GetCount() < static_cast<std::size_t>(count); ++i) {
    const float x = origin + (i % side) * cell;
    const float z = origin + (i / side) * cell;
    const D3DXVECTOR3 p00(x, bump(rng), z), p10(x + cell, bump(rng), z);
    const D3DXVECTOR3 p01(x, bump(rng), z + cell), p11(x + cell, bump(rng), z + cell);
    ground.Append(MakePolygon({p00, p01, p11}));  // normal up
    if (ground.GetCount() < static_cast<std::size_t>(count)) ground.Append(MakePolygon({p00, p11, p10}));
  }
  return ground;
}

}  // namespace fcr_scenes

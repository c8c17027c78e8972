#include "apps/level_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

D3DXVECTOR3 Cross(const D3DXVECTOR3& u, const D3DXVECTOR3& v) {
  return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

float Dot(const D3DXVECTOR3& u, const D3DXVECTOR3& v) { return u.x * v.x + u.y * v.y + u.z * v.z; }

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

constexpr float kPi = 3.14159265f;

// The level proper: one object holding every static part.
LevelObject Level() {
  LevelObject level{"level", {}, Identity()};
  MeshBuilder mesh(level.triangles);
  const D3DXVECTOR3 above{0, 50, 0};
  mesh.QuadFacing({-20, 0, -20}, {20, 0, -20}, {20, 0, 20}, {-20, 0, 20}, above);

  // Perimeter walls, facing the middle.
  const D3DXVECTOR3 middle{0, 2, 0};
  mesh.Wall(-20, -20, 20, -20, 4, middle);
  mesh.Wall(20, -20, 20, 20, 4, middle);
  mesh.Wall(20, 20, -20, 20, 4, middle);
  mesh.Wall(-20, 20, -20, -20, 4, middle);

  // A ramp rising towards -x from the floor at x = -6 to the platform's top at x = -14.
  mesh.QuadFacing({-6, 0, -3}, {-14, 4, -3}, {-14, 4, 3}, {-6, 0, 3}, {-10, 50, 0});
  level.triangles.push_back({{-6, 0, -3}, {-14, 0, -3}, {-14, 4, -3}});
  level.triangles.push_back({{-6, 0, 3}, {-14, 4, 3}, {-14, 0, 3}});
  mesh.Box({-20, 0, -3}, {-14, 4, 3});

  // Eight steps of a quarter unit up to a landing at height 2 against the far wall.
  for (int i = 1; i <= 8; ++i) {
    const float z0 = 6 + 0.75f * (i - 1), z1 = i == 8 ? 20.0f : 6 + 0.75f * i;
    mesh.Box({-3, 0, z0}, {3, 0.25f * i, z1});
  }

  // Pillars across the way from the crate to the stairs.
  for (const Waypoint& p : {Waypoint{10, -4}, Waypoint{10.5f, 0}, Waypoint{9.5f, 4}})
    mesh.Box({p.x - 0.75f, 0, p.z - 0.75f}, {p.x + 0.75f, 4, p.z + 0.75f});

  // A 60-degree crease: two walls meeting at (19, 14), open towards -x.
  const D3DXVECTOR3 inside{15, 1.5f, 14};
  mesh.Wall(13, 10.5f, 19, 14, 3, inside);
  mesh.Wall(19, 14, 13, 17.5f, 3, inside);
  return level;
}

// The second object: a crate turned by 30 degrees and moved into the route.
LevelObject Crate() {
  LevelObject crate{"crate", {}, Identity()};
  MeshBuilder(crate.triangles).Box({-1.5f, 0, -1.5f}, {1.5f, 2, 1.5f});
  D3DXMATRIX turn, move;
  D3DXMatrixRotationY(&turn, kPi / 6);
  D3DXMatrixTranslation(&move, -10, 0, -12.5f);
  D3DXMatrixMultiply(&crate.world, &turn, &move);
  return crate;
}

}  // namespace

D3DXVECTOR3 FaceNormal(const Triangle& t) { return Cross(t.b - t.a, t.c - t.a); }

void MeshBuilder::QuadFacing(D3DXVECTOR3 a, D3DXVECTOR3 b, D3DXVECTOR3 c, D3DXVECTOR3 d,
                             D3DXVECTOR3 towards) {
  const Triangle first{a, b, c};
  if (Dot(FaceNormal(first), towards - a) >= 0) {
    out_.push_back(first);
    out_.push_back({a, c, d});
  } else {
    out_.push_back({a, c, b});
    out_.push_back({a, d, c});
  }
}

void MeshBuilder::Box(D3DXVECTOR3 lo, D3DXVECTOR3 hi) {
  const D3DXVECTOR3 centre = (lo + hi) * 0.5f;
  auto corner = [&](int i) { return D3DXVECTOR3{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z}; };
  // Each face as four corner numbers around it; it faces away from the centre.
  static constexpr int kFaces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                       {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
  for (const auto& f : kFaces) {
    const D3DXVECTOR3 a = corner(f[0]), b = corner(f[1]), c = corner(f[2]), d = corner(f[3]);
    const D3DXVECTOR3 faceCentre = (a + b + c + d) * 0.25f;
    QuadFacing(a, b, c, d, faceCentre + (faceCentre - centre));
  }
}

void MeshBuilder::Wall(float x0, float z0, float x1, float z1, float height, D3DXVECTOR3 towards) {
  QuadFacing({x0, 0, z0}, {x1, 0, z1}, {x1, height, z1}, {x0, height, z0}, towards);
}

LevelDescription BuiltInLevel() {
  LevelDescription level;
  level.objects = {Level(), Crate()};
  level.start = {0, 1.5f, -14};
  level.route = {{-3, 0},  {-17, 0}, {-17, -8}, {-3, -17}, {10, -8},
                 {10, 8},  {0, 4},   {0, 17},   {6, 17},   {19.5f, 14}};
  return level;
}

void WorldBounds(const LevelObject& object, D3DXVECTOR3* lo, D3DXVECTOR3* hi) {
  constexpr float kBig = std::numeric_limits<float>::max();
  *lo = {kBig, kBig, kBig};
  *hi = {-kBig, -kBig, -kBig};
  for (const Triangle& t : object.triangles)
    for (const D3DXVECTOR3& corner : {t.a, t.b, t.c}) {
      D3DXVECTOR3 p;
      D3DXVec3TransformCoord(&p, &corner, &object.world);
      for (int i = 0; i < 3; ++i) {
        (*lo)[i] = std::min((*lo)[i], p[i]);
        (*hi)[i] = std::max((*hi)[i], p[i]);
      }
    }
}

LevelDescription RouteOverImportedLevel(std::vector<Triangle> triangles, const std::string& name) {
  LevelDescription level;
  level.objects.push_back({name, std::move(triangles), Identity()});
  D3DXVECTOR3 lo, hi;
  WorldBounds(level.objects[0], &lo, &hi);
  const float w = hi.x - lo.x, d = hi.z - lo.z, size = std::max({w, d, hi.y - lo.y, 1e-3f});
  level.radius = {0.02f * size, 0.03f * size, 0.02f * size};
  level.walk = 0.0025f * size;
  level.fall = 0.5f * level.walk;
  level.start = {lo.x + 0.5f * w, hi.y + 2 * level.radius.y, lo.z + 0.5f * d};
  auto at = [&](float u, float v) { return Waypoint{lo.x + u * w, lo.z + v * d}; };
  level.route = {at(0.25f, 0.25f), at(0.75f, 0.25f), at(0.75f, 0.75f), at(0.25f, 0.75f), at(1, 1)};
  return level;
}

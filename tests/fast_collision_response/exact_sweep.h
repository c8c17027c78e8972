#pragma once
// Single-triangle sweeps of a unit sphere with their exact answers, for checking SweepSphere
// against a reference in the tests and the side-by-side benchmark.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "fast_collision_response/collision_solver.h"
#include "tests/fast_collision_response/fcr_scenes.h"

namespace fcr_scenes {

// One random triangle near the origin and a sweep that starts clear of it, in front of it.
struct SweepCase {
  CollisionPolygonList triangle;  // one polygon
  D3DXVECTOR3 start, movement;
};

// count cases; the sweeps end anywhere from halfway to well past a point near the triangle, so
// that about half of them touch it.
inline std::vector<SweepCase> MakeSweepCases(std::uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const CollisionSolver solver;
  std::vector<SweepCase> cases;
  while (static_cast<int>(cases.size()) < count) {
    SweepCase c;
    c.triangle.Append(fcr_scenes::MakePlanePolygon({fcr_scenes::RandomVector(rng, 2.0f),
                                                    fcr_scenes::RandomVector(rng, 2.0f),
                                                    fcr_scenes::RandomVector(rng, 2.0f)}));
    const CollisionPolygonItem& triangle = c.triangle[0];
    if (!(triangle.plane.GetLength() > 0.5f)) continue;
    const D3DXVECTOR3 n = triangle.plane.GetUnitNormal();
    // Start 1.2 to 4 in front of the plane, aim at a point near the triangle, and travel
    // between half and one and a half times the way there.
    c.start = triangle.GetCentroid() + (1.2f + 2.8f * unit(rng)) * n +
              fcr_scenes::RandomVector(rng, 2.5f);
    D3DXVECTOR3 foot;
    if (!(triangle.plane.SignedDistance(c.start) > 1.01f)) continue;
    if (solver.SphereTouchesPolygon(triangle, c.start, foot)) continue;
    const D3DXVECTOR3 target = triangle.GetCentroid() + fcr_scenes::RandomVector(rng, 2.0f);
    c.movement = (target - c.start) * (0.5f + unit(rng));
    cases.push_back(c);
  }
  return cases;
}

// Double-precision vectors of the reference.
namespace exact {

struct Exact {
  double x, y, z;
};
inline Exact operator-(Exact a, Exact b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Exact operator+(Exact a, Exact b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Exact operator*(Exact a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(Exact a, Exact b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Exact Cross(Exact a, Exact b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Exact ToExact(const D3DXVECTOR3& v) { return {v.x, v.y, v.z}; }

// Least root in [0, 1] of a t^2 + b t + c = 0 (the entering one), or -1.
inline double EnteringRoot(double a, double b, double c) {
  const double discriminant = b * b - 4 * a * c;
  if (a <= 0 || discriminant < 0) return -1;
  const double t = (-b - std::sqrt(discriminant)) / (2 * a);
  return t >= 0 && t <= 1 ? t : -1;
}

}  // namespace exact

// The exact answer in double precision: the least fraction at which the unit sphere touches
// the triangle's inside, an edge or a corner (the first touch of a sphere starting clear of
// the triangle, whichever side it comes from).
// -1 when the sphere does not touch it within the movement.
inline float ExactFraction(const SweepCase& c) {
  using namespace exact;
  const Exact o = ToExact(c.start), d = ToExact(c.movement);
  Exact p[3];
  for (int i = 0; i < 3; ++i) p[i] = ToExact(c.triangle[0].vertices[i].position);
  Exact n = Cross(p[1] - p[0], p[2] - p[1]);
  n = n * (1 / std::sqrt(Dot(n, n)));
  double best = 2;
  for (double side : {1.0, -1.0}) {
    const Exact m = n * side;
    const double approach = Dot(d, m);
    if (approach >= 0) continue;
    const double t = (Dot(o - p[0], m) - 1) / -approach;
    if (t < 0 || t > 1) continue;
    const Exact touch = o + d * t - m;
    bool inside = true;
    for (int i = 0; i < 3; ++i) {
      if (Dot(Cross(p[(i + 1) % 3] - p[i], touch - p[i]), n) < 0) inside = false;
    }
    if (inside) best = std::min(best, t);
  }
  for (int i = 0; i < 3; ++i) {
    const Exact a = p[i], e = p[(i + 1) % 3] - p[i], q = o - a;
    const double ee = Dot(e, e);
    const Exact qp = q - e * (Dot(e, q) / ee), dp = d - e * (Dot(e, d) / ee);
    const double t = EnteringRoot(Dot(dp, dp), 2 * Dot(qp, dp), Dot(qp, qp) - 1);
    if (t >= 0) {
      const double along = Dot(q + d * t, e) / ee;
      if (along >= 0 && along <= 1) best = std::min(best, t);
    }
    const double tv = EnteringRoot(Dot(d, d), 2 * Dot(q, d), Dot(q, q) - 1);
    if (tv >= 0) best = std::min(best, tv);
  }
  return best <= 1 ? static_cast<float>(best) : -1.0f;
}

}  // namespace fcr_scenes

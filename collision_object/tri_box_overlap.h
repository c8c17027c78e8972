#pragma once
// Triangle/box overlap by the separating axis theorem (nine edge-cross-axis tests, the three
// box axes, then the triangle's plane), in single precision and without tolerance. Touching
// counts as overlapping: a box whose face lies in the triangle's plane overlaps it.

#include <cmath>

// 1 when the plane normal.x + d = 0 meets the origin-centred box with half sizes maxBox,
// including a plane that only touches the box; else 0.
inline int PlaneBoxOverlap(const float normal[3], float d, const float maxBox[3]) {
  float vmin[3], vmax[3];
  for (int q = 0; q < 3; ++q) {
    if (normal[q] > 0.0f) {
      vmin[q] = -maxBox[q];
      vmax[q] = maxBox[q];
    } else {
      vmin[q] = maxBox[q];
      vmax[q] = -maxBox[q];
    }
  }
  if (normal[0] * vmin[0] + normal[1] * vmin[1] + normal[2] * vmin[2] + d > 0.0f) return 0;
  if (normal[0] * vmax[0] + normal[1] * vmax[1] + normal[2] * vmax[2] + d >= 0.0f) return 1;
  return 0;
}

// 1 when the triangle triVerts and the box (centre, half sizes) overlap, else 0. planeTest is
// called as planeTest(normal, d, halfSize) for the final plane test, so an owner can route it
// through its own interface.
template <class PlaneTest>
int TriBoxOverlapWith(const float boxCenter[3], const float boxHalfSize[3],
                      const float triVerts[3][3], PlaneTest&& planeTest) {
  const float* h = boxHalfSize;
  float v0[3], v1[3], v2[3], e0[3], e1[3], e2[3];
  for (int i = 0; i < 3; ++i) {
    v0[i] = triVerts[0][i] - boxCenter[i];
    v1[i] = triVerts[1][i] - boxCenter[i];
    v2[i] = triVerts[2][i] - boxCenter[i];
  }
  for (int i = 0; i < 3; ++i) {
    e0[i] = v1[i] - v0[i];
    e1[i] = v2[i] - v1[i];
    e2[i] = v0[i] - v2[i];
  }

  // Projections p and q of two corners on one axis against radius r.
  auto apart = [](float p, float q, float r) {
    const float lo = p < q ? p : q;
    const float hi = p < q ? q : p;
    return lo > r || hi < -r;
  };
  // X: e.z*t.y - e.y*t.z; Y: -e.z*t.x + e.x*t.z; Z: e.y*t.x - e.x*t.y.
  auto px = [](const float* e, const float* t) { return e[2] * t[1] - e[1] * t[2]; };
  auto py = [](const float* e, const float* t) { return -e[2] * t[0] + e[0] * t[2]; };
  auto pz = [](const float* e, const float* t) { return e[1] * t[0] - e[0] * t[1]; };
  auto rx = [h](const float* e) { return std::fabs(e[2]) * h[1] + std::fabs(e[1]) * h[2]; };
  auto ry = [h](const float* e) { return std::fabs(e[2]) * h[0] + std::fabs(e[0]) * h[2]; };
  auto rz = [h](const float* e) { return std::fabs(e[1]) * h[0] + std::fabs(e[0]) * h[1]; };

  // e0: X01, Y02, Z12.
  if (apart(px(e0, v0), px(e0, v2), rx(e0))) return 0;
  if (apart(py(e0, v0), py(e0, v2), ry(e0))) return 0;
  if (apart(pz(e0, v1), pz(e0, v2), rz(e0))) return 0;
  // e1: X01, Y02, Z0.
  if (apart(px(e1, v0), px(e1, v2), rx(e1))) return 0;
  if (apart(py(e1, v0), py(e1, v2), ry(e1))) return 0;
  if (apart(pz(e1, v0), pz(e1, v1), rz(e1))) return 0;
  // e2: X2, Y1, Z12.
  if (apart(px(e2, v0), px(e2, v1), rx(e2))) return 0;
  if (apart(py(e2, v0), py(e2, v1), ry(e2))) return 0;
  if (apart(pz(e2, v1), pz(e2, v2), rz(e2))) return 0;

  for (int i = 0; i < 3; ++i) {
    float lo = v0[i], hi = v0[i];
    if (v1[i] < lo) lo = v1[i];
    if (v1[i] > hi) hi = v1[i];
    if (v2[i] < lo) lo = v2[i];
    if (v2[i] > hi) hi = v2[i];
    if (lo > h[i] || hi < -h[i]) return 0;
  }

  float normal[3] = {e0[1] * e1[2] - e0[2] * e1[1], e0[2] * e1[0] - e0[0] * e1[2],
                     e0[0] * e1[1] - e0[1] * e1[0]};
  const float d = -(normal[0] * v0[0] + normal[1] * v0[1] + normal[2] * v0[2]);
  return planeTest(normal, d, h);
}

inline int TriBoxOverlap(const float boxCenter[3], const float boxHalfSize[3],
                         const float triVerts[3][3]) {
  return TriBoxOverlapWith(boxCenter, boxHalfSize, triVerts,
                           [](const float* n, float d, const float* h) {
                             return PlaneBoxOverlap(n, d, h);
                           });
}

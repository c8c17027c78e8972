#pragma once
// Two-sided segment/triangle test. The segment runs from origin along dir, whose length is
// `length`. A triangle is hit from either side unless `cull` is set, which skips triangles whose
// normal points along the segment (normal . dir > 0.0001). A segment nearly parallel to the
// triangle (|det| < 0.0001), and so a zero-length one, never hits. The hit point must lie on
// the segment: within `length` of both ends.

#include <cmath>

#include "collision_object/polygon_info_item.h"

// True on a hit, with the hit point and its distance from origin.
inline bool SegmentTriangleHit(const PolygonInfoItem& polygon, const D3DXVECTOR3& origin,
                               const D3DXVECTOR3& dir, float length, bool cull,
                               D3DXVECTOR3& hitPoint, float& distance) {
  if (cull && D3DXVec3Dot(&polygon.normal, &dir) > 0.0001f) return false;

  D3DXVECTOR3 pvec;
  D3DXVec3Cross(&pvec, &dir, &polygon.edge1);
  const float signedDet = D3DXVec3Dot(&polygon.edge0, &pvec);
  const bool front = signedDet > 0.0f;
  const float det = front ? signedDet : -signedDet;
  const D3DXVECTOR3 tvec = front ? origin - polygon.vertex0 : polygon.vertex0 - origin;
  float u = D3DXVec3Dot(&tvec, &pvec);
  D3DXVECTOR3 qvec;
  D3DXVec3Cross(&qvec, &tvec, &polygon.edge0);
  float v = D3DXVec3Dot(&dir, &qvec);
  // Most triangles of a leaf miss: every test is evaluated and combined in one branch, which
  // gives the same answers as rejecting at the first failing test, with fewer mispredictions.
  const bool miss = (det < 0.0001f) | (u < 0.0f) | (u > det) | (v < 0.0f) | (u + v > det);
  if (miss) return false;

  const float f = 1.0f / det;
  u *= f;
  v *= f;
  const D3DXVECTOR3 p = polygon.vertex0 + u * (polygon.vertex1 - polygon.vertex0) +
                        v * (polygon.vertex2 - polygon.vertex0);

  // Lengths as D3DXVec3Length computes them, without a call into the math library.
  const D3DXVECTOR3 toEnd = origin + dir - p;
  if (std::sqrt(D3DXVec3Dot(&toEnd, &toEnd)) > length) return false;
  const D3DXVECTOR3 toStart = p - origin;
  const float d = std::sqrt(D3DXVec3Dot(&toStart, &toStart));
  if (d > length) return false;
  hitPoint = p;
  distance = d;
  return true;
}

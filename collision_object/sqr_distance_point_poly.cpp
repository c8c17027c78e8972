#include "collision_object/sqr_distance_point_poly.h"

#include <cmath>

float SqrDistancePointTriangle(const D3DXVECTOR3& point, const D3DXVECTOR3& vertex0,
                               const D3DXVECTOR3& edge0, const D3DXVECTOR3& edge1) {
  const D3DXVECTOR3 diff = vertex0 - point;
  const float a = D3DXVec3Dot(&edge0, &edge0);
  const float b = D3DXVec3Dot(&edge0, &edge1);
  const float c = D3DXVec3Dot(&edge1, &edge1);
  const float d = D3DXVec3Dot(&edge0, &diff);
  const float e = D3DXVec3Dot(&edge1, &diff);
  const float f = D3DXVec3Dot(&diff, &diff);
  const float det = std::fabs(a * c - b * b);
  float s = b * e - c * d;
  float t = b * d - a * e;
  float sqrDist;

  // Clamped to the edge t = 0 (s in [0, 1]) or s = 0 (t in [0, 1]).
  auto onEdgeS = [&]() {
    if (d >= 0.0f) return f;
    if (-d >= a) return a + 2.0f * d + f;
    const float ss = -d / a;
    return d * ss + f;
  };
  auto onEdgeT = [&]() {
    if (e >= 0.0f) return f;
    if (-e >= c) return c + 2.0f * e + f;
    const float tt = -e / c;
    return e * tt + f;
  };
  auto at = [&](float ss, float tt) {
    return ss * (a * ss + b * tt + 2.0f * d) + tt * (b * ss + c * tt + 2.0f * e) + f;
  };

  if (s + t <= det) {
    if (s < 0.0f) {
      if (t < 0.0f) {  // region 4
        if (d < 0.0f) {
          sqrDist = -d >= a ? a + 2.0f * d + f : d * (-d / a) + f;
        } else {
          sqrDist = onEdgeT();
        }
      } else {  // region 3
        sqrDist = onEdgeT();
      }
    } else if (t < 0.0f) {  // region 5
      sqrDist = onEdgeS();
    } else {  // region 0
      const float invDet = 1.0f / det;
      s *= invDet;
      t *= invDet;
      sqrDist = at(s, t);
    }
  } else {
    if (s < 0.0f) {  // region 2
      const float tmp0 = b + d;
      const float tmp1 = c + e;
      if (tmp1 > tmp0) {
        const float numer = tmp1 - tmp0;
        const float denom = a - 2.0f * b + c;
        if (numer >= denom) {
          sqrDist = a + 2.0f * d + f;
        } else {
          s = numer / denom;
          t = 1.0f - s;
          sqrDist = at(s, t);
        }
      } else if (tmp1 <= 0.0f) {
        sqrDist = c + 2.0f * e + f;
      } else if (e >= 0.0f) {
        sqrDist = f;
      } else {
        sqrDist = e * (-e / c) + f;
      }
    } else if (t < 0.0f) {  // region 6
      const float tmp0 = b + e;
      const float tmp1 = a + d;
      if (tmp1 > tmp0) {
        const float numer = tmp1 - tmp0;
        const float denom = a - 2.0f * b + c;
        if (numer >= denom) {
          sqrDist = c + 2.0f * e + f;
        } else {
          t = numer / denom;
          s = 1.0f - t;
          sqrDist = at(s, t);
        }
      } else if (tmp1 <= 0.0f) {
        sqrDist = a + 2.0f * d + f;
      } else if (d >= 0.0f) {
        sqrDist = f;
      } else {
        sqrDist = d * (-d / a) + f;
      }
    } else {  // region 1
      const float numer = c + e - b - d;
      if (numer <= 0.0f) {
        sqrDist = c + 2.0f * e + f;
      } else {
        const float denom = a - 2.0f * b + c;
        if (numer >= denom) {
          sqrDist = a + 2.0f * d + f;
        } else {
          s = numer / denom;
          t = 1.0f - s;
          sqrDist = at(s, t);
        }
      }
    }
  }
  return std::fabs(sqrDist);
}

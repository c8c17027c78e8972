#pragma once
// Point/segment helpers of the swept sphere test. Inline: the sweep calls them for every
// polygon it does not meet face on.

#include "fast_collision_response/vector_ops.h"
#include "platform/d3dx/d3dx8_math.h"

// Nearest point of segment a-b to p. between is true when that point is not beyond either end;
// the ends themselves count as between. A segment of length 0 (or with a NaN end) gives a with
// between false.
inline D3DXVECTOR3 ClosestPointOnSegment(const D3DXVECTOR3& a, const D3DXVECTOR3& b,
                                         const D3DXVECTOR3& p, bool& between) {
  const D3DXVECTOR3 v = b - a;
  const float length = fcr::Length(v);
  const D3DXVECTOR3 direction = v / length;
  const float t = fcr::Dot(direction, p - a);
  between = false;
  // Written so that the NaN of a zero-length segment also lands here.
  if (!(t >= 0.0f)) return a;
  if (length < t) return b;
  between = true;
  return a + t * direction;
}

// (a - p).(b - p) <= 0: for a point on the line through a and b, whether it lies between
// them, the ends included. Off the line this is the ball with diameter a-b; the sweep only
// asks about points it has put on an edge's line.
inline bool IsPointBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& p) {
  return fcr::Dot(a - p, b - p) <= 0.0f;
}

#include "fast_collision_response/segment_queries.h"

#include "fast_collision_response/vector_ops.h"

D3DXVECTOR3 ClosestPointOnSegment(const D3DXVECTOR3& a, const D3DXVECTOR3& b,
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

bool IsPointBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& p) {
  return fcr::Dot(a - p, b - p) <= 0.0f;
}

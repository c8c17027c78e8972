#include "fast_collision_response/collision_polygon.h"

#include <cmath>

#include "fast_collision_response/segment_queries.h"
#include "fast_collision_response/vector_ops.h"

void CollisionPolygonItem::CalculatePlanarUV(float scaleU, float scaleV) {
  const D3DXVECTOR3& n = plane.GetUnitNormal();
  const D3DXVECTOR3 a(std::fabs(n.x), std::fabs(n.y), std::fabs(n.z));
  for (CollisionVertex& vertex : vertices) {
    const D3DXVECTOR3& p = vertex.position;
    if (a.x >= a.y && a.x >= a.z) {
      vertex.u = scaleU * p.z;
      vertex.v = -(scaleV * p.y);
    } else if (a.y >= a.x && a.y >= a.z) {
      vertex.u = scaleU * p.x;
      vertex.v = -(scaleV * p.z);
    } else {
      vertex.u = scaleU * p.x;
      vertex.v = -(scaleV * p.y);
    }
  }
}

void CollisionPolygonItem::RebuildPlane() {
  if (vertices.size() < 3) {
    // No plane: a zero normal, which every collision test skips.
    plane.SetPoint(vertices.empty() ? D3DXVECTOR3(0, 0, 0) : vertices[0].position);
    plane.SetNormal(D3DXVECTOR3(0, 0, 0));
    return;
  }
  const D3DXVECTOR3& p0 = vertices[0].position;
  const D3DXVECTOR3& p1 = vertices[1].position;
  const D3DXVECTOR3& p2 = vertices[2].position;
  plane.SetPoint(p0);
  plane.SetNormal(fcr::Cross(p1 - p0, p2 - p1));
}

D3DXVECTOR3 CollisionPolygonItem::GetCentroid() const {
  D3DXVECTOR3 sum(0, 0, 0);
  if (vertices.empty()) return sum;
  for (const CollisionVertex& vertex : vertices) sum += vertex.position;
  return sum / static_cast<float>(vertices.size());
}

D3DXVECTOR3 CollisionPolygonItem::ClosestPointOnPolygonEdges(const D3DXVECTOR3& q, D3DXVECTOR3& A,
                                                             D3DXVECTOR3& B, bool& onEdge) const {
  const std::size_t count = vertices.size();
  if (count == 0) {
    A = B = q;
    onEdge = false;
    return q;
  }
  std::size_t kept = 0;
  bool keptBetween = false;
  D3DXVECTOR3 keptPoint;
  float keptDistance = 0.0f;
  float keptSquared = 0.0f;
  // Edge i runs from vertex i - 1 (the last one for i = 0) to vertex i.
  for (std::size_t i = 0; i < count; ++i) {
    const D3DXVECTOR3& start = vertices[i == 0 ? count - 1 : i - 1].position;
    const D3DXVECTOR3& end = vertices[i].position;
    bool between;
    const D3DXVECTOR3 x = ClosestPointOnSegment(start, end, q, between);
    // The square root is needed only for a point that may be nearer: sqrt keeps the order
    // of squares but may round two of them to one distance, and equal distances keep the
    // earlier edge.
    const float squared = fcr::Dot(x - q, x - q);
    if (i != 0 && !(squared < keptSquared)) continue;
    const float distance = std::sqrt(squared);
    if (i == 0 || distance < keptDistance) {
      keptSquared = squared;
      kept = i;
      keptBetween = between;
      keptPoint = x;
      keptDistance = distance;
    }
  }
  onEdge = keptBetween;
  const std::size_t before = kept == 0 ? count - 1 : kept - 1;
  if (onEdge) {
    A = vertices[before].position;
    B = vertices[kept].position;
  } else {
    A = vertices[before].position;
    B = vertices[kept + 1 == count ? 0 : kept + 1].position;
  }
  return keptPoint;
}

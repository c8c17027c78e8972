#pragma once
// A convex polygon of the collision mesh (the mesh builder gives triangles) and the mesh
// itself, a list of polygons held by value.

#include <cstddef>
#include <vector>

#include "fast_collision_response/collision_plane.h"
#include "fast_collision_response/collision_vertex.h"
#include "platform/d3dx/d3dx8_math.h"

// Held by value in arrays and never deleted through a pointer to a derived class, so its one
// virtual operation, the planar mapping, comes without a virtual destructor.
class CollisionPolygonItem {
 public:
  // Corners in winding order; seen from the side the plane normal points to they run
  // counter-clockwise.
  std::vector<CollisionVertex> vertices;
  // Set by RebuildPlane; meaningless until then.
  CollisionPlane plane;

  // Sets u and v of every vertex by projecting along the dominant axis of the plane's unit
  // normal (ties go to x before y, y before z). Reads `plane`, so RebuildPlane must have run;
  // no vertex count is checked.
  virtual void CalculatePlanarUV(float scaleU, float scaleV);

  // plane point = vertex 0, plane normal = (p1 - p0) x (p2 - p1), caches cleared. Only the
  // first three vertices count. Collinear corners, or fewer than three, give a zero normal,
  // which every collision test skips.
  void RebuildPlane();

  // Mean of the vertex positions; (0,0,0) without vertices.
  D3DXVECTOR3 GetCentroid() const;

  // Nearest point of the boundary to q. Edges are visited from the last vertex to vertex 0,
  // then 0 to 1, 1 to 2, ...; on equal distances the earlier edge wins. onEdge tells whether
  // the point lies on the kept edge (its ends included); then A and B are that edge's ends.
  // Otherwise the point is the end of the kept edge (or its start, when the kept edge is the
  // first visited) and A and B are the vertices before and after the kept edge's end vertex.
  // A polygon without vertices returns q itself, with onEdge false and A = B = q.
  D3DXVECTOR3 ClosestPointOnPolygonEdges(const D3DXVECTOR3& q, D3DXVECTOR3& A, D3DXVECTOR3& B,
                                         bool& onEdge) const;
};

// The collision mesh. Clear only forgets the polygons: their slots, each with its vertex
// storage, stay for the polygons appended next, so a list refilled every frame (or copied over
// every call) stops allocating once it has reached its working size.
class CollisionPolygonList {
 public:
  using Slots = std::vector<CollisionPolygonItem>;

  CollisionPolygonList() = default;
  CollisionPolygonList(const CollisionPolygonList& other) { *this = other; }
  CollisionPolygonList& operator=(const CollisionPolygonList& other) {
    if (this == &other) return *this;
    Clear();
    for (const CollisionPolygonItem& polygon : other) Append(polygon);
    return *this;
  }

  void Append(const CollisionPolygonItem& polygon) {
    if (count_ < polygons_.size())
      polygons_[count_] = polygon;  // reuses the slot's vertex storage
    else
      polygons_.push_back(polygon);
    ++count_;
  }
  void Clear() { count_ = 0; }
  std::size_t GetCount() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

  CollisionPolygonItem& operator[](std::size_t i) { return polygons_[i]; }
  const CollisionPolygonItem& operator[](std::size_t i) const { return polygons_[i]; }

  Slots::iterator begin() { return polygons_.begin(); }
  Slots::iterator end() { return polygons_.begin() + static_cast<std::ptrdiff_t>(count_); }
  Slots::const_iterator begin() const { return polygons_.begin(); }
  Slots::const_iterator end() const { return polygons_.begin() + static_cast<std::ptrdiff_t>(count_); }

 private:
  Slots polygons_;
  std::size_t count_ = 0;  // polygons in use; the slots after them are kept for reuse
};

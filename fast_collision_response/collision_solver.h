#pragma once
// Collide-and-slide of an ellipsoid through a collision mesh. The world is scaled so that the
// ellipsoid becomes a unit sphere; each pass sweeps the sphere against every polygon, advances
// it to the nearest contacts and turns the movement into a slide along the contact plane or
// the crease of two planes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fast_collision_response/collision_contact.h"
#include "fast_collision_response/collision_plane.h"
#include "fast_collision_response/collision_polygon.h"
#include "platform/d3dx/d3dx8_math.h"

// Polygons a sweep must ignore, compared by address only and never followed.
class ExcludedPolygonList {
 public:
  void Clear() { polygons_.clear(); }
  void Append(const CollisionPolygonItem* polygon) { polygons_.push_back(polygon); }
  bool Contains(const CollisionPolygonItem* polygon) const {
    return std::find(polygons_.begin(), polygons_.end(), polygon) != polygons_.end();
  }
  std::size_t GetCount() const { return polygons_.size(); }

 private:
  std::vector<const CollisionPolygonItem*> polygons_;
};

class CollisionSolver {
 public:
  // The polygons touched in the last slide pass. CollideAndSlide empties it before its first
  // sweep, so nothing carries over from one call to the next.
  ExcludedPolygonList excludedPolygons;

  // Moves the ellipsoid with radii r from ray.point by ray.normal (both world space) through
  // polygons and returns &outPosition, the final centre. outVelocity receives the last slide
  // vector (unscaled back to world space), which the last pass may not have applied yet.
  // collided is set to true when any pass finds a contact and is never set to false.
  // At most loopCount passes; a count of 0 or less makes none, leaving outPosition at the
  // start and outVelocity (0,0,0). A movement of length 0.00001 or less in the sphere's space
  // is not swept. polygons and ray are only read (their planes and caches are not used); r
  // must have no zero component.
  D3DXVECTOR3* CollideAndSlide(D3DXVECTOR3& outPosition, const D3DXVECTOR3& r,
                               const CollisionPolygonList& polygons, const CollisionPlane& ray,
                               D3DXVECTOR3& outVelocity, bool& collided, std::int32_t loopCount);

  // The nearest contacts of a unit sphere with centre ray.point moving by ray.normal, in list
  // order, at most one per plane orientation among those equally near (within 0.00001 of the
  // first listed). Polygons need a valid plane (RebuildPlane), are one-sided (a centre on or
  // behind the plane never collides) and are skipped when the movement is exactly parallel to
  // their plane or they are in excludedPolygons. A polygon the sphere already reaches gives a
  // ContactEmbedded whatever the direction; others count only when the movement reaches them
  // (ending exactly on one counts) and leads into the contact plane. Contacts point into
  // polygons.
  CollisionContactList SweepSphere(const CollisionPolygonList& polygons,
                                   const CollisionPlane& ray) const;
  // The same into a caller's list, which is emptied first and keeps its storage.
  void SweepSphere(const CollisionPolygonList& polygons, const CollisionPlane& ray,
                   CollisionContactList& contacts) const;

  // Whether the unit sphere around centre already touches the polygon (reaches within 0.99999
  // of it). N receives the polygon point the decision used: the foot of the centre on the plane
  // when it lies inside the polygon, else the nearest boundary point. A centre more than
  // 0.99999 in front of the plane returns false at once; the back side is not limited.
  bool SphereTouchesPolygon(const CollisionPolygonItem& polygon, const D3DXVECTOR3& centre,
                            D3DXVECTOR3& N) const;

  // First intersection of the ray's line with the sphere of radius 1 around centre, as a
  // distance along the ray's unit direction: negative when the ray starts inside the sphere or
  // the sphere lies behind it (a ray from the centre gives -1). A line that misses, or a ray
  // without a unit direction, returns false with t = 0.
  bool IntersectRayUnitSphere(const D3DXVECTOR3& centre, const CollisionPlane& ray,
                              float& t) const;

  // Sweeps made by the last CollideAndSlide call; one per slide pass.
  int GetLastPassCount() const { return lastPassCount_; }

 private:
  bool SweepPolygon(const CollisionPolygonItem& polygon, const CollisionPlane& ray,
                    const D3DXVECTOR3& rayDirection, const D3DXVECTOR3& reverseDirection,
                    CollisionContactItem& contact) const;

  // Work storage of CollideAndSlide, kept only so that its capacity is reused: the scaled copy
  // of the polygons and the contacts of the current pass.
  CollisionPolygonList workPolygons_;
  CollisionContactList contacts_;
  int lastPassCount_ = 0;
};

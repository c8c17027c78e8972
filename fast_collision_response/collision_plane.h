#pragma once
// A point with a direction vector, used as a polygon's plane, as a contact's sliding plane and
// as a ray (origin and direction). The unit normal, the length of `normal` and the plane
// constant are computed at first use and kept until `normal` or `point` changes: the swept
// test asks for them many times per polygon and per slide pass.

#include "fast_collision_response/vector_ops.h"
#include "platform/d3dx/d3dx8_math.h"

class CollisionPlane {
 public:
  // point and normal (0,0,0), nothing cached.
  CollisionPlane() = default;
  // Nothing cached.
  CollisionPlane(const D3DXVECTOR3& point, const D3DXVECTOR3& normal)
      : point_(point), normal_(normal) {}
  // Copies keep the caches and their flags as they are, so a copied plane is not recomputed.
  CollisionPlane(const CollisionPlane&) = default;
  CollisionPlane& operator=(const CollisionPlane&) = default;
  virtual ~CollisionPlane() = default;

  const D3DXVECTOR3& GetPoint() const { return point_; }
  const D3DXVECTOR3& GetNormal() const { return normal_; }

  // Invalidates the plane constant only.
  void SetPoint(const D3DXVECTOR3& point) {
    point_ = point;
    planeDValid_ = false;
  }
  // Invalidates every cached value.
  void SetNormal(const D3DXVECTOR3& normal) {
    normal_ = normal;
    unitNormalValid_ = lengthValid_ = planeDValid_ = false;
  }

  // normal * (1 / |normal|). A zero normal gives NaN components, which every test below treats
  // as a degenerate plane rather than guarding here.
  const D3DXVECTOR3& GetUnitNormal() const {
    if (!unitNormalValid_) {
      unitNormal_ = fcr::UnitVector(normal_);
      unitNormalValid_ = true;
    }
    return unitNormal_;
  }
  // |normal|; for a ray, the length of its direction vector.
  float GetLength() const {
    if (!lengthValid_) {
      length_ = fcr::Length(normal_);
      lengthValid_ = true;
    }
    return length_;
  }
  // D = -(unit normal . point), so that unit normal . p + D is the signed distance of p.
  float GetPlaneD() const {
    if (!planeDValid_) {
      planeD_ = -fcr::Dot(GetUnitNormal(), point_);
      planeDValid_ = true;
    }
    return planeD_;
  }

  bool GetIfUnitNormalValid() const { return unitNormalValid_; }
  bool GetIfLengthValid() const { return lengthValid_; }
  bool GetIfPlaneDValid() const { return planeDValid_; }

  // Distance along the ray's unit direction from its origin to this plane, negative when the
  // plane lies behind the origin. t is 0 and the result false when the ray runs parallel to
  // the plane or either direction is degenerate (zero vector, NaN).
  bool IntersectRay(const CollisionPlane& ray, float& t) const {
    return IntersectUnitRay(ray.point_, ray.GetUnitNormal(), t);
  }

  // Same as IntersectRay for a ray given by its origin and an already unit direction.
  bool IntersectUnitRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& unitDirection,
                        float& t) const {
    t = 0.0f;
    const D3DXVECTOR3& n = GetUnitNormal();
    const float den = fcr::Dot(n, unitDirection);
    if (den == 0.0f || den != den) return false;
    t = -(fcr::Dot(n, origin) + GetPlaneD()) / den;
    return true;
  }

  // Signed distance of p, positive on the side `normal` points to. Measured as the ray from p
  // along the reversed unit normal, so a degenerate plane gives 0.
  float SignedDistance(const D3DXVECTOR3& p) const {
    float t;
    IntersectUnitRay(p, fcr::UnitVector(-GetUnitNormal()), t);
    return t;
  }

  // The foot of p on the plane.
  D3DXVECTOR3 ProjectPoint(const D3DXVECTOR3& p) const {
    return p - SignedDistance(p) * GetUnitNormal();
  }

  // The point at distance t along the ray.
  D3DXVECTOR3 PointAt(float t) const { return point_ + t * GetUnitNormal(); }

 private:
  D3DXVECTOR3 point_;
  D3DXVECTOR3 normal_;
  mutable D3DXVECTOR3 unitNormal_;
  mutable float length_ = 0.0f;
  mutable float planeD_ = 0.0f;
  mutable bool unitNormalValid_ = false;
  mutable bool lengthValid_ = false;
  mutable bool planeDValid_ = false;
};

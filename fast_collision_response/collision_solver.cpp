#include "fast_collision_response/collision_solver.h"

#include <cmath>

#include "fast_collision_response/vector_ops.h"

using fcr::Cross;
using fcr::Dot;
using fcr::Length;
using fcr::Scale;

namespace {

// Movements this short in the unit sphere's space are not swept.
constexpr float kLeastMovement = 0.00001f;
// A crease direction this short means the sphere is wedged: it keeps its movement.
constexpr float kLeastCrease = 0.00001f;

// Index of the contact whose unit plane normal faces the movement most directly, skipping
// skip; the earlier contact wins a tie. -1 when no normal compares (all NaN).
int MostOpposed(const CollisionContactList& contacts, const D3DXVECTOR3& direction, int skip) {
  float least = 2.0f;
  int index = -1;
  for (std::size_t i = 0; i < contacts.GetCount(); ++i) {
    if (static_cast<int>(i) == skip) continue;
    const float facing = Dot(contacts[i].plane.GetUnitNormal(), direction);
    if (facing < least) {
      least = facing;
      index = static_cast<int>(i);
    }
  }
  return index;
}

}  // namespace

D3DXVECTOR3* CollisionSolver::CollideAndSlide(D3DXVECTOR3& outPosition, const D3DXVECTOR3& r,
                                              const CollisionPolygonList& polygons,
                                              const CollisionPlane& ray, D3DXVECTOR3& outVelocity,
                                              bool& collided, std::int32_t loopCount) {
  outVelocity = D3DXVECTOR3(0, 0, 0);
  const D3DXVECTOR3 s(1.0f / r.x, 1.0f / r.y, 1.0f / r.z);

  workPolygons_ = polygons;
  for (CollisionPolygonItem& polygon : workPolygons_) {
    for (CollisionVertex& vertex : polygon.vertices) vertex.position = Scale(vertex.position, s);
    polygon.RebuildPlane();
  }

  // The working ray: the sphere's centre and the movement still to be made.
  CollisionPlane W(Scale(ray.GetPoint(), s), Scale(ray.GetNormal(), s));
  excludedPolygons.Clear();
  lastPassCount_ = 0;

  for (std::int32_t pass = 0; pass < loopCount; ++pass) {
    const D3DXVECTOR3& movement = W.GetNormal();
    if (movement.x == 0.0f && movement.y == 0.0f && movement.z == 0.0f) break;
    if (!(W.GetLength() > kLeastMovement)) break;

    outVelocity = W.GetNormal();
    SweepSphere(workPolygons_, W, contacts_);
    ++lastPassCount_;
    excludedPolygons.Clear();

    if (contacts_.IsEmpty()) {
      W.SetPoint(W.GetPoint() + W.GetNormal());
      break;
    }
    collided = true;
    const CollisionContactItem& first = contacts_[0];

    if (first.kind == ContactEmbedded) {
      // distance is zero or negative: this moves the centre out to exactly 1 from the polygon.
      W.SetPoint(W.GetPoint() - first.plane.GetUnitNormal() * first.distance);
      continue;
    }

    const D3DXVECTOR3 direction = W.GetUnitNormal();
    W.SetPoint(W.GetPoint() + direction * first.distance);

    if (contacts_.GetCount() >= 2) {
      // Slide along the crease of the two planes facing the movement most directly.
      const int i1 = MostOpposed(contacts_, direction, -1);
      const int i2 = MostOpposed(contacts_, direction, i1);
      if (i1 < 0 || i2 < 0) continue;
      const D3DXVECTOR3 crease =
          Cross(contacts_[i2].plane.GetUnitNormal(), contacts_[i1].plane.GetUnitNormal());
      const D3DXVECTOR3 a(std::fabs(crease.x), std::fabs(crease.y), std::fabs(crease.z));
      D3DXVECTOR3 w = Scale(W.GetNormal(), a);
      const float wLength = Length(w);
      if (wLength < kLeastCrease) continue;
      w = (w * W.GetLength()) / wLength;
      const float k = Dot(w / Length(w), direction);
      W.SetNormal(w * k);
      outVelocity = W.GetNormal();
      excludedPolygons.Append(contacts_[i1].polygon);
      excludedPolygons.Append(contacts_[i2].polygon);
    } else {
      // The tangential part of the whole movement this pass started with.
      const CollisionPlane& plane = first.plane;
      const D3DXVECTOR3 q0 = plane.ProjectPoint(W.GetPoint());
      const D3DXVECTOR3 q1 = plane.ProjectPoint(W.GetPoint() + W.GetNormal());
      W.SetNormal(q1 - q0);
      outVelocity = W.GetNormal();
      excludedPolygons.Append(first.polygon);
    }
  }

  outVelocity = Scale(outVelocity, r);
  outPosition = Scale(W.GetPoint(), r);
  return &outPosition;
}

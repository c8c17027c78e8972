// The swept unit sphere against one polygon at a time: face, edge, vertex and already-touching
// contacts, and the list of the nearest ones.

#include <cmath>

#include "fast_collision_response/collision_solver.h"
#include "fast_collision_response/segment_queries.h"
#include "fast_collision_response/vector_ops.h"

using fcr::Cross;
using fcr::Dot;
using fcr::Length;
using fcr::UnitVector;

namespace {

// Distances up to this count as touching the unit sphere; unit vectors whose dot product
// exceeds it count as parallel.
constexpr float kReach = 0.99999f;
constexpr float kParallel = 0.99999f;
// Side band of the inside test, and how close two contact distances must be to count as one.
constexpr float kSideTolerance = 0.00001f;
constexpr float kEqualDistance = 0.00001f;
// How far behind the start a face contact may lie, and the least distance of an edge contact.
constexpr float kFaceBehind = 0.00002f;
constexpr float kEdgeBehind = -1.0f;

// Edge i runs from vertex i to vertex i + 1; a point is inside when no edge has it on the
// positive side or none on the negative side (either winding).
bool InsidePolygon(const CollisionPolygonItem& polygon, const D3DXVECTOR3& n,
                   const D3DXVECTOR3& point, float tolerance) {
  const auto& vertices = polygon.vertices;
  const std::size_t count = vertices.size();
  bool positive = false;
  bool negative = false;
  for (std::size_t i = 0; i < count; ++i) {
    const D3DXVECTOR3& p = vertices[i].position;
    const D3DXVECTOR3& next = vertices[i + 1 == count ? 0 : i + 1].position;
    const float side = Dot(point - p, Cross(next - p, n));
    if (side > tolerance) positive = true;
    if (side < -tolerance) negative = true;
  }
  return !positive || !negative;
}

// IntersectRayUnitSphere for a ray given by origin and unit direction. A NaN direction misses.
bool RayUnitSphere(const D3DXVECTOR3& centre, const D3DXVECTOR3& origin,
                   const D3DXVECTOR3& unitDirection, float& t) {
  const D3DXVECTOR3 q = centre - origin;
  const float c = Length(q);
  const float w = Dot(unitDirection, q);
  const float s = 1.0f - (c * c - w * w);
  if (!(s >= 0.0f)) {
    t = 0.0f;
    return false;
  }
  t = w - std::sqrt(s);
  return true;
}

// SphereTouchesPolygon with the signed distance h of the centre already known.
bool TouchesAt(const CollisionPolygonItem& polygon, const D3DXVECTOR3& centre, float h,
               D3DXVECTOR3& N) {
  if (h > kReach) return false;
  const D3DXVECTOR3& n = polygon.plane.GetUnitNormal();
  const D3DXVECTOR3 foot = centre - h * n;
  N = foot;
  if (InsidePolygon(polygon, n, foot, 0.0f)) return true;
  D3DXVECTOR3 a, b;
  bool onEdge;
  N = polygon.ClosestPointOnPolygonEdges(foot, a, b, onEdge);
  return Length(N - centre) <= kReach;
}

}  // namespace

bool CollisionSolver::IntersectRayUnitSphere(const D3DXVECTOR3& centre, const CollisionPlane& ray,
                                             float& t) const {
  return RayUnitSphere(centre, ray.GetPoint(), ray.GetUnitNormal(), t);
}

bool CollisionSolver::SphereTouchesPolygon(const CollisionPolygonItem& polygon,
                                           const D3DXVECTOR3& centre, D3DXVECTOR3& N) const {
  return TouchesAt(polygon, centre, polygon.plane.SignedDistance(centre), N);
}

// rayDirection and reverseDirection are the unit directions of rays built along +u and -u, u
// being the sweep's unit movement direction.
bool CollisionSolver::SweepPolygon(const CollisionPolygonItem& polygon, const CollisionPlane& ray,
                                   const D3DXVECTOR3& rayDirection,
                                   const D3DXVECTOR3& reverseDirection,
                                   CollisionContactItem& contact) const {
  const CollisionPlane& plane = polygon.plane;
  const D3DXVECTOR3& O = ray.GetPoint();
  const D3DXVECTOR3& u = ray.GetUnitNormal();

  // One-sided: a centre on or behind the plane (or a degenerate plane) never collides.
  const float t0 = plane.SignedDistance(O);
  if (!(t0 > 0.0f)) return false;

  const D3DXVECTOR3& n = plane.GetUnitNormal();
  const D3DXVECTOR3 L = O - n;
  const float den = Dot(n, u);
  if (den == 0.0f || den != den) return false;
  const float tp = -(Dot(n, L) + plane.GetPlaneD()) / den;

  contact.polygon = &polygon;

  D3DXVECTOR3 N;
  if (TouchesAt(polygon, O, t0, N)) {
    D3DXVECTOR3 away = O - N;
    // A centre on the polygon to within rounding has no direction towards it; pushing it out
    // along the polygon's normal keeps the position finite.
    if (Dot(away, away) == 0.0f) away = plane.GetNormal();
    contact.plane = CollisionPlane(N, away);
    contact.distance = Length(N - O) - 1.0f;
    contact.kind = ContactEmbedded;
    return true;
  }

  const D3DXVECTOR3 I = L + tp * u;
  if (InsidePolygon(polygon, n, I, kSideTolerance)) {
    if (tp < -kFaceBehind) return false;
    contact.plane = plane;
    contact.distance = tp;
    contact.kind = ContactFace;
  } else {
    D3DXVECTOR3 S, U;
    bool onEdge;
    const D3DXVECTOR3 C = polygon.ClosestPointOnPolygonEdges(I, S, U, onEdge);
    if (!onEdge) {
      float t;
      if (!RayUnitSphere(O, C, reverseDirection, t)) return false;
      const D3DXVECTOR3 V = C - t * u;
      const CollisionPlane touching(C, O - V);
      // Moving away from the corner, or meeting it from behind the polygon.
      if (Dot(O - C, ray.GetNormal()) > 0.0f) return false;
      if (Dot(touching.GetNormal(), plane.GetNormal()) < 0.0f) return false;
      // The neighbours must not lie in front, or the sphere meets an edge rather than C.
      if (touching.SignedDistance(S) > 0.0f || touching.SignedDistance(U) > 0.0f) return false;
      contact.plane = touching;
      contact.distance = t;
      contact.kind = ContactVertex;
    } else {
      const D3DXVECTOR3 edge = U - S;
      const D3DXVECTOR3 e = edge / Length(edge);
      if (std::fabs(Dot(u, e)) > kParallel) return false;
      // The plane holding the edge's line, parallel to the movement.
      const CollisionPlane sweptPlane(U, Cross(u, e));
      const float h5 = sweptPlane.SignedDistance(O);
      const D3DXVECTOR3 foot = O - h5 * sweptPlane.GetUnitNormal();
      if (Length(foot - O) > kReach) return false;
      bool between;
      const D3DXVECTOR3 E = ClosestPointOnSegment(S, U, foot, between);
      if (!between) return false;
      const D3DXVECTOR3 towardFoot = foot - E;
      float t5;
      if (!RayUnitSphere(O, E, UnitVector(towardFoot), t5)) return false;
      // The point of the sphere nearest to the edge's line: the one that meets it.
      const D3DXVECTOR3 H = E + t5 * (towardFoot / Length(towardFoot));
      // Where H meets the edge's line must lie within the edge.
      const CollisionPlane across(S, UnitVector(Cross(Cross(edge, u), edge)));
      float t6;
      across.IntersectUnitRay(H, rayDirection, t6);
      const D3DXVECTOR3 K = H + t6 * u;
      if (!IsPointBetween(S, U, K)) return false;
      const CollisionPlane touching(C, O - H);
      if (touching.SignedDistance(polygon.GetCentroid()) > 0.0f) return false;
      if (Dot(touching.GetUnitNormal(), n) < 0.0f) return false;
      float distance;
      touching.IntersectUnitRay(H, rayDirection, distance);
      if (distance < kEdgeBehind) return false;
      contact.plane = touching;
      contact.distance = distance;
      contact.kind = ContactEdge;
    }
  }

  // The movement must reach the contact (ending exactly on it counts) and lead into its plane.
  if (ray.GetLength() < contact.distance) return false;
  if (!(Dot(contact.plane.GetUnitNormal(), u) < 0.0f)) return false;
  return true;
}

void CollisionSolver::SweepSphere(const CollisionPolygonList& polygons, const CollisionPlane& ray,
                                  CollisionContactList& contacts) const {
  contacts.Clear();
  const D3DXVECTOR3& u = ray.GetUnitNormal();
  const D3DXVECTOR3 rayDirection = UnitVector(u);
  const D3DXVECTOR3 reverseDirection = UnitVector(-u);
  CollisionContactItem contact;
  for (const CollisionPolygonItem& polygon : polygons) {
    if (excludedPolygons.Contains(&polygon)) continue;
    if (!SweepPolygon(polygon, ray, rayDirection, reverseDirection, contact)) continue;

    if (contacts.IsEmpty()) {
      contacts.Append(contact);
      continue;
    }
    // Always measured against the first listed contact, not the nearest one.
    const float first = contacts[0].distance;
    if (std::fabs(contact.distance - first) > kEqualDistance) {
      if (contact.distance < first) {
        contacts.Clear();
        contacts.Append(contact);
      }
      continue;
    }
    const D3DXVECTOR3& normal = contact.plane.GetUnitNormal();
    bool sameOrientation = false;
    for (const CollisionContactItem& listed : contacts) {
      if (Dot(listed.plane.GetUnitNormal(), normal) > kParallel) {
        sameOrientation = true;
        break;
      }
    }
    if (!sameOrientation) contacts.Append(contact);
  }
}

CollisionContactList CollisionSolver::SweepSphere(const CollisionPolygonList& polygons,
                                                  const CollisionPlane& ray) const {
  CollisionContactList contacts;
  SweepSphere(polygons, ray, contacts);
  return contacts;
}

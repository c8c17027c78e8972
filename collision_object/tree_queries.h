#pragma once
// The tree descents of the ray, sphere, plane and box queries. Each works on the tree as it is
// and reaches everything it calls (the box and triangle tests, the recursion into children,
// the owner's settings) through Ops, so an owner whose operations are virtual keeps its calls
// going through its own interface, while a plain owner calls the tests directly.
//
// Ops provides, for the queries it is used with:
//   PolygonInfoItem* Polygon(int number);       // null when the number has no polygon
//   void PrefetchPolygons(const int* numbers, int count);  // a hint; may do nothing
//   bool UsePolygonCulling();
//   bool LinePieceAABB(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax, D3DXVECTOR3* origin,
//                      D3DXVECTOR3* dir, float length);
//   float RayWithNode(D3DXVECTOR3* origin, D3DXVECTOR3* dir, float length, BSPTree* node,
//                     float& hitDistance, D3DXVECTOR3* hitPoint, D3DXVECTOR3* hitNormal,
//                     bool closest);
//   float Square(float x);
//   float SqrDistancePointPoly(D3DXVECTOR3 point, PolygonInfoItem* polygon);
//   bool SphereWithNode(D3DXVECTOR3* center, float radius, float radiusSquared, BSPTree* node);
//   void TransformedMinMaxBox(D3DXMATRIX* matrix, D3DXVECTOR3& boxMin, D3DXVECTOR3& boxMax);
//   bool SphereWithNodeWithMatrix(D3DXVECTOR3* center, float radius, float radiusSquared,
//                                 BSPTree* node, D3DXMATRIX* matrix);
//   int PlaneSide();
//   int PlaneWithNode(D3DXPLANE* plane, BSPTree* node);
//   int TriBoxOverlap(float* boxCenter, float* boxHalfSize, float (*triVerts)[3]);
//   bool Marked(int number);  void Mark(int number);  void Append(List* list, int number);
//   void BoxFromNode(List* list, D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax, BSPTree* node);

#include <algorithm>

#include "collision_object/bsp_tree.h"
#include "collision_object/ray_triangle.h"

// The box around the eight corners of [boxMin, boxMax] carried by matrix; replaces the box.
inline void TransformedMinMaxBox(const D3DXMATRIX& matrix, D3DXVECTOR3& boxMin,
                                 D3DXVECTOR3& boxMax) {
  const D3DXVECTOR3 lo = boxMin, hi = boxMax;
  for (int corner = 0; corner < 8; ++corner) {
    const D3DXVECTOR3 p(corner & 1 ? hi.x : lo.x, corner & 2 ? hi.y : lo.y,
                        corner & 4 ? hi.z : lo.z);
    D3DXVECTOR3 q;
    D3DXVec3TransformCoord(&q, &p, &matrix);
    if (corner == 0) {
      boxMin = boxMax = q;
      continue;
    }
    for (int i = 0; i < 3; ++i) {
      if (q[i] < boxMin[i]) boxMin[i] = q[i];
      if (q[i] > boxMax[i]) boxMax[i] = q[i];
    }
  }
}

// Segment query on a subtree, in object space. With closest false the first hit in tree order
// (lower child first, leaf list order) is returned and reported; with closest true every reached
// leaf is searched, hitDistance ends as the smallest distance and the result is only the last
// improvement found in a leaf. Output vectors are written only on a hit.
template <class Ops>
float RayCollisionWithNode(Ops& ops, D3DXVECTOR3* origin, D3DXVECTOR3* dir, float length,
                           BSPTree* node, float& hitDistance, D3DXVECTOR3* hitPoint,
                           D3DXVECTOR3* hitNormal, bool closest) {
  if (!node || !ops.LinePieceAABB(&node->boxMin, &node->boxMax, origin, dir, length)) return -1;
  if (node->isLeaf) {
    ops.PrefetchPolygons(node->polygonIndices, node->polygonCount);
    float best = -1;
    const bool cull = ops.UsePolygonCulling();
    for (int i = 0; i < node->polygonCount; ++i) {
      const PolygonInfoItem* polygon = ops.Polygon(node->polygonIndices[i]);
      if (!polygon) continue;
      D3DXVECTOR3 point;
      float d;
      if (!SegmentTriangleHit(*polygon, *origin, *dir, length, cull, point, d)) continue;
      if (!closest || hitDistance == -1.0f || d < hitDistance) {
        hitDistance = d;
        best = d;
        if (hitPoint) *hitPoint = point;
        if (hitNormal) *hitNormal = polygon->normal;
        if (!closest) return d;
      }
    }
    return best;
  }
  float r = -1;
  // The upper child's node is needed right after the lower subtree: start loading it now.
  if (node->right) __builtin_prefetch(node->right);
  if (node->left) {
    r = ops.RayWithNode(origin, dir, length, node->left, hitDistance, hitPoint, hitNormal,
                        closest);
    if (!closest && r != -1.0f) return r;
  }
  if (node->right)
    r = ops.RayWithNode(origin, dir, length, node->right, hitDistance, hitPoint, hitNormal,
                        closest);
  return r;
}

// Squared distance from center to the box, summed per axis outside it.
template <class Ops>
float SqrDistancePointBox(Ops& ops, const D3DXVECTOR3& center, const D3DXVECTOR3& boxMin,
                          const D3DXVECTOR3& boxMax) {
  float d = 0;
  for (int i = 0; i < 3; ++i) {
    if (center[i] < boxMin[i])
      d += ops.Square(center[i] - boxMin[i]);
    else if (center[i] > boxMax[i])
      d += ops.Square(center[i] - boxMax[i]);
  }
  return d;
}

// Whether a triangle of the subtree comes strictly closer than the radius to center (object
// space). A box exactly radius away is still searched: only a larger distance prunes it.
template <class Ops>
bool SphereCollisionWithNode(Ops& ops, D3DXVECTOR3* center, float radius, float radiusSquared,
                             BSPTree* node) {
  if (!node) return false;
  if (SqrDistancePointBox(ops, *center, node->boxMin, node->boxMax) > radiusSquared) return false;
  if (node->isLeaf) {
    for (int i = 0; i < node->polygonCount; ++i) {
      PolygonInfoItem* polygon = ops.Polygon(node->polygonIndices[i]);
      if (polygon && ops.SqrDistancePointPoly(*center, polygon) < radiusSquared) return true;
    }
    return false;
  }
  if (node->left && ops.SphereWithNode(center, radius, radiusSquared, node->left)) return true;
  if (node->right) return ops.SphereWithNode(center, radius, radiusSquared, node->right);
  return false;
}

// The same with boxes and triangles carried by matrix into the space of center, for worlds
// whose scale differs per axis.
template <class Ops>
bool SphereCollisionWithNodeWithMatrix(Ops& ops, D3DXVECTOR3* center, float radius,
                                       float radiusSquared, BSPTree* node, D3DXMATRIX* matrix) {
  if (!node) return false;
  D3DXVECTOR3 boxMin = node->boxMin, boxMax = node->boxMax;
  ops.TransformedMinMaxBox(matrix, boxMin, boxMax);
  if (SqrDistancePointBox(ops, *center, boxMin, boxMax) > radiusSquared) return false;
  if (node->isLeaf) {
    for (int i = 0; i < node->polygonCount; ++i) {
      const PolygonInfoItem* polygon = ops.Polygon(node->polygonIndices[i]);
      if (!polygon) continue;
      PolygonInfoItem moved = *polygon;
      D3DXVec3TransformCoord(&moved.vertex0, &polygon->vertex0, matrix);
      D3DXVec3TransformCoord(&moved.vertex1, &polygon->vertex1, matrix);
      D3DXVec3TransformCoord(&moved.vertex2, &polygon->vertex2, matrix);
      moved.edge0 = moved.vertex1 - moved.vertex0;
      moved.edge1 = moved.vertex2 - moved.vertex0;
      D3DXVec3Cross(&moved.normal, &moved.edge0, &moved.edge1);
      if (ops.SqrDistancePointPoly(*center, &moved) < radiusSquared) return true;
    }
    return false;
  }
  if (node->left &&
      ops.SphereWithNodeWithMatrix(center, radius, radiusSquared, node->left, matrix))
    return true;
  if (node->right)
    return ops.SphereWithNodeWithMatrix(center, radius, radiusSquared, node->right, matrix);
  return false;
}

// planeSide when no triangle corner of the subtree lies strictly on the other side of the
// plane, else 0. A leaf whose whole box lies on the other side answers 0 without looking at its
// triangles; with planeSide 0 nothing counts as the other side.
template <class Ops>
int PlaneCollisionWithNode(Ops& ops, D3DXPLANE* plane, BSPTree* node) {
  const int side = ops.PlaneSide();
  if (!node || (node->isLeaf && node->polygonCount == 0)) return side;
  auto otherSide = [plane, side](const D3DXVECTOR3& p) {
    return D3DXPlaneDotCoord(plane, &p) * static_cast<float>(side) < 0.0f;
  };
  int cornersOther = 0;
  for (int corner = 0; corner < 8; ++corner) {
    const D3DXVECTOR3 p(corner & 1 ? node->boxMax.x : node->boxMin.x,
                        corner & 2 ? node->boxMax.y : node->boxMin.y,
                        corner & 4 ? node->boxMax.z : node->boxMin.z);
    if (otherSide(p)) ++cornersOther;
  }
  if (cornersOther == 0) return side;
  if (!node->isLeaf) {
    if (node->left && ops.PlaneWithNode(plane, node->left) == 0) return 0;
    if (node->right && ops.PlaneWithNode(plane, node->right) == 0) return 0;
    return side;
  }
  if (cornersOther == 8) return 0;
  for (int i = 0; i < node->polygonCount; ++i) {
    const PolygonInfoItem* polygon = ops.Polygon(node->polygonIndices[i]);
    if (!polygon) return side;
    if (otherSide(polygon->vertex0) || otherSide(polygon->vertex1) ||
        otherSide(polygon->vertex2))
      return 0;
  }
  return side;
}

// Appends the number of every triangle of the subtree touching the box [boxMin, boxMax]
// (touching counts), skipping those already marked by the current query.
template <class Ops, class List>
void BoxCollisionFromNode(Ops& ops, List* list, D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax,
                          BSPTree* node) {
  if (!node) return;
  const D3DXVECTOR3& qmin = *boxMin;
  const D3DXVECTOR3& qmax = *boxMax;
  if (node->boxMin.x > qmax.x || node->boxMax.x < qmin.x || node->boxMin.y > qmax.y ||
      node->boxMax.y < qmin.y || node->boxMin.z > qmax.z || node->boxMax.z < qmin.z)
    return;
  if (node->isLeaf) {
    ops.PrefetchPolygons(node->polygonIndices, node->polygonCount);
    const D3DXVECTOR3 half = (qmax - qmin) * 0.5f;
    const D3DXVECTOR3 centre = qmin + half;
    float centreArray[3] = {centre.x, centre.y, centre.z};
    float halfArray[3] = {half.x, half.y, half.z};
    for (int i = 0; i < node->polygonCount; ++i) {
      const int number = node->polygonIndices[i];
      const PolygonInfoItem* p = ops.Polygon(number);
      if (!p) continue;
      // Listed already in this query (it straddles leaves): the answer is the same without
      // testing it again.
      if (ops.Marked(number)) continue;
      const D3DXVECTOR3& a = p->vertex0;
      const D3DXVECTOR3& b = p->vertex1;
      const D3DXVECTOR3& c = p->vertex2;
      // Cheap reject by the triangle's own box; x and z first, as level geometry spreads
      // mostly horizontally.
      if (std::max({a.x, b.x, c.x}) < qmin.x || std::max({a.z, b.z, c.z}) < qmin.z ||
          std::min({a.x, b.x, c.x}) > qmax.x || std::min({a.z, b.z, c.z}) > qmax.z ||
          std::max({a.y, b.y, c.y}) < qmin.y || std::min({a.y, b.y, c.y}) > qmax.y)
        continue;
      float verts[3][3] = {{a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}};
      if (ops.TriBoxOverlap(centreArray, halfArray, verts) != 1) continue;
      ops.Append(list, number);
      ops.Mark(number);
    }
  }
  if (node->right) __builtin_prefetch(node->right);
  if (node->left) ops.BoxFromNode(list, boxMin, boxMax, node->left);
  if (node->right) ops.BoxFromNode(list, boxMin, boxMax, node->right);
}

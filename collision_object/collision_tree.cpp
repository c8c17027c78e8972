#include "collision_object/collision_tree.h"

#include <initializer_list>

#include "collision_object/line_piece_aabb.h"
#include "collision_object/sqr_distance_point_poly.h"
#include "collision_object/tree_queries.h"
#include "collision_object/tri_box_overlap.h"

void WidenPolygonBox(const PolygonInfoItem& polygon, bool first, D3DXVECTOR3& boxMin,
                     D3DXVECTOR3& boxMax) {
  if (first) boxMin = boxMax = polygon.vertex2;
  for (const D3DXVECTOR3* corner : {&polygon.vertex0, &polygon.vertex1, &polygon.vertex2}) {
    for (int i = 0; i < 3; ++i) {
      if ((*corner)[i] < boxMin[i]) boxMin[i] = (*corner)[i];
      if ((*corner)[i] > boxMax[i]) boxMax[i] = (*corner)[i];
    }
  }
}

// Direct calls for every operation the build and the descents need.
struct CollisionTreeOps {
  CollisionTree& tree;
  std::vector<int>* out = nullptr;

  int TreeDepth() { return tree.treeDepth_; }
  int TreePolyLeafCount() { return tree.treePolyLeafCount_; }
  PolygonInfoItem* Polygon(int number) {
    return static_cast<unsigned>(number) < tree.polygons_.size() ? tree.polygons_[number]
                                                                  : nullptr;
  }
  // A leaf's records lie apart in memory: ask for all of them before the first is tested.
  void PrefetchPolygons(const int* numbers, int count) {
    for (int i = 0; i < count; ++i)
      if (PolygonInfoItem* polygon = Polygon(numbers[i])) __builtin_prefetch(polygon);
  }
  bool UsePolygonCulling() { return tree.usePolygonCulling_; }
  bool LinePieceAABB(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax, D3DXVECTOR3* origin,
                     D3DXVECTOR3* dir, float length) {
    return ::LinePieceAABB(*boxMin, *boxMax, *origin, *dir, length);
  }
  float RayWithNode(D3DXVECTOR3* origin, D3DXVECTOR3* dir, float length, BSPTree* node,
                    float& hitDistance, D3DXVECTOR3* hitPoint, D3DXVECTOR3* hitNormal,
                    bool closest) {
    return RayCollisionWithNode(*this, origin, dir, length, node, hitDistance, hitPoint,
                                hitNormal, closest);
  }
  float Square(float x) { return x * x; }
  float SqrDistancePointPoly(D3DXVECTOR3 point, PolygonInfoItem* polygon) {
    return ::SqrDistancePointPoly(point, *polygon);
  }
  bool SphereWithNode(D3DXVECTOR3* center, float radius, float radiusSquared, BSPTree* node) {
    return SphereCollisionWithNode(*this, center, radius, radiusSquared, node);
  }
  void TransformedMinMaxBox(D3DXMATRIX* matrix, D3DXVECTOR3& boxMin, D3DXVECTOR3& boxMax) {
    ::TransformedMinMaxBox(*matrix, boxMin, boxMax);
  }
  bool SphereWithNodeWithMatrix(D3DXVECTOR3* center, float radius, float radiusSquared,
                                BSPTree* node, D3DXMATRIX* matrix) {
    return SphereCollisionWithNodeWithMatrix(*this, center, radius, radiusSquared, node, matrix);
  }
  int PlaneSide() { return tree.planeSide_; }
  int PlaneWithNode(D3DXPLANE* plane, BSPTree* node) {
    return PlaneCollisionWithNode(*this, plane, node);
  }
  int TriBoxOverlap(float* boxCenter, float* boxHalfSize, float (*triVerts)[3]) {
    return ::TriBoxOverlap(boxCenter, boxHalfSize, triVerts);
  }
  bool Marked(int number) {
    return static_cast<unsigned>(number) < tree.marks_.size() &&
           tree.marks_[number] == tree.boxQueryNumber_;
  }
  void Mark(int number) {
    if (static_cast<unsigned>(number) >= tree.marks_.size()) tree.marks_.resize(number + 1, 0);
    tree.marks_[number] = tree.boxQueryNumber_;
  }
  void Append(std::vector<int>* list, int number) { list->push_back(number); }
  void BoxFromNode(std::vector<int>* list, D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax,
                   BSPTree* node) {
    BoxCollisionFromNode(*this, list, boxMin, boxMax, node);
  }
};

CollisionTree::~CollisionTree() { Clear(); }

void CollisionTree::Clear() {
  delete root_;
  root_ = nullptr;
  for (PolygonInfoItem* polygon : polygons_) delete polygon;
  polygons_.clear();
}

int CollisionTree::AddTriangle(const D3DXVECTOR3& v0, const D3DXVECTOR3& v1,
                               const D3DXVECTOR3& v2) {
  delete root_;
  root_ = nullptr;
  auto* polygon = new PolygonInfoItem;
  SetPolygonCorners(*polygon, v0, v1, v2);
  polygon->firstIndex = static_cast<std::uint16_t>(polygons_.size() * 3);
  polygon->listIndex = static_cast<std::int32_t>(polygons_.size());
  polygons_.push_back(polygon);
  return polygon->listIndex;
}

bool CollisionTree::Build() {
  delete root_;
  root_ = nullptr;
  boxMin_ = boxMax_ = D3DXVECTOR3(0, 0, 0);
  for (std::size_t i = 0; i < polygons_.size(); ++i)
    WidenPolygonBox(*polygons_[i], i == 0, boxMin_, boxMax_);
  if (!polygons_.empty()) referencePoint_ = polygons_[0]->vertex2;
  CollisionTreeOps ops{*this};
  root_ = BuildTreeOver(ops, polygons_.data(), static_cast<int>(polygons_.size()), boxMin_,
                        boxMax_, stats_);
  return root_ != nullptr;
}

float CollisionTree::RayCollision(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir,
                                  D3DXVECTOR3* hitPoint, D3DXVECTOR3* hitNormal, bool closest) {
  if (!root_) return -1;
  D3DXVECTOR3 o = origin, d = dir;
  float hitDistance = -1;
  CollisionTreeOps ops{*this};
  RayCollisionWithNode(ops, &o, &d, D3DXVec3Length(&d), root_, hitDistance, hitPoint, hitNormal,
                       closest);
  return hitDistance;
}

bool CollisionTree::SphereCollision(const D3DXVECTOR3& center, float radius) {
  if (!root_) return false;
  D3DXVECTOR3 c = center;
  CollisionTreeOps ops{*this};
  return SphereCollisionWithNode(ops, &c, radius, radius * radius, root_);
}

bool CollisionTree::SphereCollisionWithMatrix(const D3DXVECTOR3& center, float radius,
                                              const D3DXMATRIX& matrix) {
  if (!root_) return false;
  D3DXVECTOR3 c = center;
  D3DXMATRIX m = matrix;
  CollisionTreeOps ops{*this};
  return SphereCollisionWithNodeWithMatrix(ops, &c, radius, radius * radius, root_, &m);
}

int CollisionTree::PlaneCollision(const D3DXPLANE& plane) {
  if (!root_) return 0;
  D3DXPLANE p = plane;
  const float s = D3DXPlaneDotCoord(&p, &referencePoint_);
  planeSide_ = s > 0 ? 1 : (s < 0 ? -1 : 0);
  CollisionTreeOps ops{*this};
  return PlaneCollisionWithNode(ops, &p, root_) != 0 ? planeSide_ : 0;
}

void CollisionTree::BoxCollision(std::vector<int>& out, const D3DXVECTOR3& boxMin,
                                 const D3DXVECTOR3& boxMax) {
  if (!root_) return;
  if (marks_.size() < polygons_.size()) marks_.resize(polygons_.size(), 0);
  if (++boxQueryNumber_ == 0) boxQueryNumber_ = 1;  // 0 is what a never-set mark holds
  D3DXVECTOR3 lo = boxMin, hi = boxMax;
  CollisionTreeOps ops{*this};
  BoxCollisionFromNode(ops, &out, &lo, &hi, root_);
}

#pragma once
// A box tree over a triangle list with every query in the object's own space, with no engine
// behind it: the same build and descents the channel runs, called directly. Benchmarks and
// tests use it on generated meshes; the channel adds the linked object, world matrices and its
// virtual interface around the same code.

#include <cstdint>
#include <vector>

#include "collision_object/bsp_tree.h"
#include "collision_object/tree_build.h"

// Widens [boxMin, boxMax] over the polygon's corners; the first polygon sets both to its third
// corner before widening, as the polygon list does.
void WidenPolygonBox(const PolygonInfoItem& polygon, bool first, D3DXVECTOR3& boxMin,
                     D3DXVECTOR3& boxMax);

// Builds a tree over items[0, count) within [boxMin, boxMax]. Null when the box is all zero
// (no polygon, or all at the origin) or the root cannot be had; stats then stay unchanged.
template <class Ops>
BSPTree* BuildTreeOver(Ops& ops, PolygonInfoItem* const* items, int count,
                       const D3DXVECTOR3& boxMin, const D3DXVECTOR3& boxMax,
                       TreeBuildStats& stats) {
  if (boxMin.x == 0 && boxMin.y == 0 && boxMin.z == 0 && boxMax.x == 0 && boxMax.y == 0 &&
      boxMax.z == 0)
    return nullptr;
  BSPTree* root = new (std::nothrow) BSPTree;
  if (!root) return nullptr;
  TreeBuildStats running;
  running.nodeCount = 1;
  TreeBuilder<Ops> builder(ops, running);
  builder.BuildNode(root, items, count, boxMin, boxMax, 0);
  stats = running;
  return root;
}

class CollisionTree {
 public:
  CollisionTree() = default;
  ~CollisionTree();
  CollisionTree(const CollisionTree&) = delete;
  CollisionTree& operator=(const CollisionTree&) = delete;

  void SetTreeDepth(int depth) { treeDepth_ = depth; }
  void SetTreePolyLeafCount(int count) { treePolyLeafCount_ = count; }
  void SetUsePolygonCulling(bool cull) { usePolygonCulling_ = cull; }

  // Appends a triangle; its number is its position. Invalidates the tree.
  int AddTriangle(const D3DXVECTOR3& v0, const D3DXVECTOR3& v1, const D3DXVECTOR3& v2);
  void Clear();

  // Builds over the current triangles; false (no tree) when none lies off the origin.
  bool Build();

  // Distance along the segment origin..origin+dir to the first (closest false) or nearest hit,
  // or -1; hitPoint and hitNormal, when given, receive the hit.
  float RayCollision(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, D3DXVECTOR3* hitPoint,
                     D3DXVECTOR3* hitNormal, bool closest);
  // Whether a triangle comes strictly closer than radius to center.
  bool SphereCollision(const D3DXVECTOR3& center, float radius);
  // The same with triangles carried by matrix into the space of center.
  bool SphereCollisionWithMatrix(const D3DXVECTOR3& center, float radius,
                                 const D3DXMATRIX& matrix);
  // Side (1 or -1) of the reference point against the plane when no triangle corner lies on
  // the other side, else 0.
  int PlaneCollision(const D3DXPLANE& plane);
  // Appends the numbers of the triangles touching the box, each once per query.
  void BoxCollision(std::vector<int>& out, const D3DXVECTOR3& boxMin, const D3DXVECTOR3& boxMax);

  BSPTree* Root() const { return root_; }
  const TreeBuildStats& Stats() const { return stats_; }
  const std::vector<PolygonInfoItem*>& Polygons() const { return polygons_; }
  D3DXVECTOR3 ReferencePoint() const { return referencePoint_; }
  int PlaneSide() const { return planeSide_; }
  int TreeDepth() const { return treeDepth_; }

 private:
  friend struct CollisionTreeOps;

  std::vector<PolygonInfoItem*> polygons_;
  BSPTree* root_ = nullptr;
  TreeBuildStats stats_;
  int treeDepth_ = 8;
  int treePolyLeafCount_ = 8;
  bool usePolygonCulling_ = false;
  int planeSide_ = 0;
  D3DXVECTOR3 referencePoint_;
  D3DXVECTOR3 boxMin_, boxMax_;
  std::vector<std::uint32_t> marks_;
  std::uint32_t boxQueryNumber_ = 0;
};

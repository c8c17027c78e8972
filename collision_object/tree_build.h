#pragma once
// Building the box tree over a polygon list: each inner node splits at the middle of its
// longest side; a node becomes a leaf when it holds fewer polygons than the leaf count or lies
// deeper than the depth limit. Straddling polygons go to both sides (corners only, no clipping).
//
// The owner supplies the limits through Ops, read at every node:
//   int TreeDepth();          // depth limit
//   int TreePolyLeafCount();  // leaf count
// Whatever they return, the build uses a depth of at most kMaxBuildDepth and a leaf count of at
// least 1, so a corrupt setting cannot make it unbounded.

#include <new>
#include <vector>

#include "collision_object/bsp_tree.h"

constexpr int kMaxBuildDepth = 16;

// What the channel reports about its last build.
struct TreeBuildStats {
  int memorySize = 0;    // per leaf its entry count + 4, per non-root node 48
  int nodeCount = 0;     // every node, the root included
  int leafEntrySum = 0;  // entries over all leaves
};

// Split axis of a box: x only when strictly longest, else y unless z is strictly longer, so
// ties go to the later axis.
inline int SplitAxis(const D3DXVECTOR3& boxMin, const D3DXVECTOR3& boxMax) {
  const float ex = boxMax.x - boxMin.x;
  const float ey = boxMax.y - boxMin.y;
  const float ez = boxMax.z - boxMin.z;
  if (ex > ey && ex > ez) return 0;
  if (ex <= ey && ey > ez) return 1;
  return 2;
}

template <class Ops>
class TreeBuilder {
 public:
  // Nodes split only at depths 0 to kMaxBuildDepth, one scratch level each.
  TreeBuilder(Ops& ops, TreeBuildStats& stats)
      : ops_(ops), stats_(stats), levels_(kMaxBuildDepth + 1) {}

  // Fills node over list[0, count) with the box [boxMin, boxMax] at the given depth.
  void BuildNode(BSPTree* node, PolygonInfoItem* const* list, int count,
                 const D3DXVECTOR3& boxMin, const D3DXVECTOR3& boxMax, int depth) {
    node->boxMin = boxMin;
    node->boxMax = boxMax;

    int leafCount = ops_.TreePolyLeafCount();
    if (leafCount < 1) leafCount = 1;
    int depthLimit = ops_.TreeDepth();
    if (depthLimit > kMaxBuildDepth) depthLimit = kMaxBuildDepth;
    if (count < leafCount || depth > depthLimit) {
      node->SetPolygons(list, count);
      stats_.memorySize += count + 4;
      stats_.leafEntrySum += count;
      return;
    }

    const int axis = SplitAxis(boxMin, boxMax);
    const float split = boxMin[axis] + 0.5f * (boxMax[axis] - boxMin[axis]);
    D3DXVECTOR3 lowerMax = boxMax;
    lowerMax[axis] = split;
    D3DXVECTOR3 upperMin = boxMin;
    upperMin[axis] = split;

    // One pair of scratch lists per depth: siblings reuse them, so a build allocates lists
    // only while they grow.
    std::vector<PolygonInfoItem*>& lower = levels_[depth].lower;
    std::vector<PolygonInfoItem*>& upper = levels_[depth].upper;
    lower.clear();
    upper.clear();
    for (int i = 0; i < count; ++i) {
      PolygonInfoItem* polygon = list[i];
      if (!polygon) continue;
      const int side = node->ClassifyPolygon(polygon, &lowerMax, axis);
      if (side != kPolygonUpper) lower.push_back(polygon);
      if (side != kPolygonLower) upper.push_back(polygon);
    }

    if (!lower.empty()) {
      ++stats_.nodeCount;
      stats_.memorySize += 48;
      node->left = new (std::nothrow) BSPTree;
    }
    if (!upper.empty()) {
      ++stats_.nodeCount;
      stats_.memorySize += 48;
      node->right = new (std::nothrow) BSPTree;
    }
    // Deeper levels never touch this level's lists, so they stay valid across the recursion.
    if (node->left)
      BuildNode(node->left, lower.data(), static_cast<int>(lower.size()), boxMin, lowerMax,
                depth + 1);
    if (node->right)
      BuildNode(node->right, upper.data(), static_cast<int>(upper.size()), upperMin, boxMax,
                depth + 1);
  }

 private:
  struct Level {
    std::vector<PolygonInfoItem*> lower, upper;
  };
  Ops& ops_;
  TreeBuildStats& stats_;
  std::vector<Level> levels_;
};

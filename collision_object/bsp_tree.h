#pragma once
// One node of a collision object's box tree. A node is either a leaf, holding the numbers
// (listIndex) of the polygons that touch its box, or an inner node with a child on each side of
// its split that received polygons. A node owns its children and its number array, so deleting
// the root deletes the whole tree. Member order is part of the exported class: keep it.

#include <cstdint>
#include <initializer_list>

#include "collision_object/polygon_info_item.h"

class Hx_List;

// Which side of an axis-aligned split plane a polygon lies on.
enum PolygonSide : int { kPolygonLower = 0, kPolygonUpper = 1, kPolygonBoth = 2 };

// Lower (0), upper (1), or both (2) sides of the plane through splitPoint perpendicular to axis
// (0 x, 1 y, 2 z). A corner strictly within 0.0001 of the plane (in double precision) makes the
// polygon count on both sides, so triangles grazing the plane reach both children.
inline int ClassifyPolygonCorners(const PolygonInfoItem& polygon, const D3DXVECTOR3& splitPoint,
                                  int axis) {
  const double s = splitPoint[axis];
  const double lowBound = s - 0.0001;
  const double highBound = s + 0.0001;
  bool lower = false, upper = false;
  for (const D3DXVECTOR3* corner : {&polygon.vertex0, &polygon.vertex1, &polygon.vertex2}) {
    const double c = (*corner)[axis];
    if (lowBound < c && c < highBound) return kPolygonBoth;
    if (c < s)
      lower = true;
    else
      upper = true;
  }
  if (lower && upper) return kPolygonBoth;
  return upper ? kPolygonUpper : kPolygonLower;
}

class BSPTree {
 public:
  BSPTree() = default;
  virtual ~BSPTree();
  BSPTree(const BSPTree&) = delete;
  BSPTree& operator=(const BSPTree&) = delete;

  // Makes this node a leaf over the given polygons: any previous array is freed and the
  // listIndex of each item stored in order. Null items are left out. Returns false, leaving the
  // node without array, when the array cannot be had.
  bool SetPolygons(PolygonInfoItem* const* items, int count);
  // The same over a list of PolygonInfoItem pointers; a null list leaves the node unchanged.
  void SetPolygons(Hx_List* polygons);

  int ClassifyPolygon(PolygonInfoItem* polygon, D3DXVECTOR3* splitPoint, int axis) {
    return ClassifyPolygonCorners(*polygon, *splitPoint, axis);
  }

  D3DXVECTOR3 boxMin;
  D3DXVECTOR3 boxMax;
  bool isLeaf = false;
  std::int32_t* polygonIndices = nullptr;
  std::int32_t polygonCount = 0;
  BSPTree* left = nullptr;
  BSPTree* right = nullptr;
};

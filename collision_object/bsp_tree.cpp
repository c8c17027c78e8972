#include "collision_object/bsp_tree.h"

#include <new>

BSPTree::~BSPTree() {
  delete[] polygonIndices;
  delete left;
  delete right;
}

bool BSPTree::SetPolygons(PolygonInfoItem* const* items, int count) {
  isLeaf = true;
  delete[] polygonIndices;
  polygonIndices = nullptr;
  polygonCount = 0;
  if (count <= 0) return true;
  polygonIndices = new (std::nothrow) std::int32_t[count];
  if (!polygonIndices) return false;
  for (int i = 0; i < count; ++i)
    if (items[i]) polygonIndices[polygonCount++] = items[i]->listIndex;
  return true;
}

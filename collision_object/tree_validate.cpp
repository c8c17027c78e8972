#include "collision_object/tree_validate.h"

#include <algorithm>
#include <sstream>

#include "collision_object/tri_box_overlap.h"

namespace {

bool Within(const BSPTree& inner, const BSPTree& outer) {
  for (int i = 0; i < 3; ++i)
    if (inner.boxMin[i] < outer.boxMin[i] || inner.boxMax[i] > outer.boxMax[i]) return false;
  return true;
}

struct Walker {
  const std::vector<PolygonInfoItem*>& polygons;
  int depthLimit;
  std::vector<bool> listed;
  std::ostringstream error;

  bool Fail(const char* what, int depth) {
    error << what << " at depth " << depth;
    return false;
  }

  bool Visit(const BSPTree& node, int depth) {
    if (depth > depthLimit + 1) return Fail("node below the depth bound", depth);
    if (node.isLeaf) {
      if (node.left || node.right) return Fail("leaf with a child", depth);
      std::vector<int> numbers(node.polygonIndices, node.polygonIndices + node.polygonCount);
      for (int n : numbers) {
        if (n < 0 || n >= static_cast<int>(polygons.size()))
          return Fail("leaf lists a missing polygon", depth);
        listed[n] = true;
      }
      std::sort(numbers.begin(), numbers.end());
      float centre[3], half[3];
      for (int i = 0; i < 3; ++i) {
        half[i] = (node.boxMax[i] - node.boxMin[i]) * 0.5f;
        centre[i] = node.boxMin[i] + half[i];
      }
      for (const PolygonInfoItem* p : polygons) {
        const float verts[3][3] = {{p->vertex0.x, p->vertex0.y, p->vertex0.z},
                                   {p->vertex1.x, p->vertex1.y, p->vertex1.z},
                                   {p->vertex2.x, p->vertex2.y, p->vertex2.z}};
        if (TriBoxOverlap(centre, half, verts) &&
            !std::binary_search(numbers.begin(), numbers.end(), p->listIndex)) {
          error << "polygon " << p->listIndex << " touches a leaf that does not list it, ";
          return Fail("", depth);
        }
      }
      return true;
    }
    if (node.polygonIndices || node.polygonCount) return Fail("inner node with an array", depth);
    for (const BSPTree* child : {node.left, node.right}) {
      if (!child) continue;
      if (!Within(*child, node)) return Fail("child box outside its parent", depth);
      if (!Visit(*child, depth + 1)) return false;
    }
    return true;
  }
};

}  // namespace

std::string ValidateTree(const BSPTree* root, const std::vector<PolygonInfoItem*>& polygons,
                         int depthLimit) {
  if (!root) return "no tree";
  Walker walker{polygons, depthLimit, std::vector<bool>(polygons.size(), false), {}};
  if (!walker.Visit(*root, 0)) return walker.error.str();
  for (std::size_t i = 0; i < polygons.size(); ++i)
    if (!walker.listed[i]) return "polygon " + std::to_string(i) + " is in no leaf";
  return {};
}

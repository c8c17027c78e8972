#pragma once
// Checks the invariants of a built tree, for tests: every node's box lies within its parent's
// and is the lower or upper part of its split; leaves have no children and inner nodes no
// array; leaves lie at depth at most depthLimit + 1; every listed number names a polygon; every
// polygon that touches a leaf's box (inclusively) is listed in that leaf, and every polygon is
// listed somewhere. Returns an empty text when all hold, else what failed first.

#include <string>
#include <vector>

#include "collision_object/bsp_tree.h"

std::string ValidateTree(const BSPTree* root, const std::vector<PolygonInfoItem*>& polygons,
                         int depthLimit);

#pragma once
// One triangle of a collision object, in the object's own space. Other plug-ins read these
// records through the collision object's GetPolygonInfoItem, so the field order and types are
// an interface: never reorder them.

#include <cstdint>

#include "platform/d3dx/d3dx8_math.h"

struct PolygonInfoItem {
  D3DXVECTOR3 vertex0;
  D3DXVECTOR3 vertex1;
  D3DXVECTOR3 vertex2;
  std::uint16_t firstIndex = 0;  // first index-list position of the triangle, low 16 bits
  D3DXVECTOR3 edge0;             // vertex1 - vertex0
  D3DXVECTOR3 edge1;             // vertex2 - vertex0
  D3DXVECTOR3 normal;            // normalised edge0 x edge1 (zero for a degenerate triangle)
  std::int32_t listIndex = 0;    // position in the owner's polygon list
};

// Fills the corners and what follows from them; the winding of v0, v1, v2 fixes the normal.
inline void SetPolygonCorners(PolygonInfoItem& polygon, const D3DXVECTOR3& v0,
                              const D3DXVECTOR3& v1, const D3DXVECTOR3& v2) {
  polygon.vertex0 = v0;
  polygon.vertex1 = v1;
  polygon.vertex2 = v2;
  polygon.edge0 = v1 - v0;
  polygon.edge1 = v2 - v0;
  D3DXVECTOR3 cross;
  D3DXVec3Cross(&cross, &polygon.edge0, &polygon.edge1);
  D3DXVec3Normalize(&polygon.normal, &cross);
}

#pragma once
// Squared distance from a point to a triangle, minimising the distance quadratic over the
// triangle's parameter domain (s >= 0, t >= 0, s + t <= 1) by the seven regions around it:
// inside, or clamped to the nearest edge or corner. Single precision; the absolute value is
// returned so rounding never gives a negative distance. A degenerate triangle (zero area)
// whose parameters land inside gives NaN, which compares false against any radius.

#include "collision_object/polygon_info_item.h"

float SqrDistancePointTriangle(const D3DXVECTOR3& point, const D3DXVECTOR3& vertex0,
                               const D3DXVECTOR3& edge0, const D3DXVECTOR3& edge1);

inline float SqrDistancePointPoly(const D3DXVECTOR3& point, const PolygonInfoItem& polygon) {
  return SqrDistancePointTriangle(point, polygon.vertex0, polygon.edge0, polygon.edge1);
}

#pragma once
// The few vector products the collision core needs, in 32-bit floats and in a fixed order of
// operations, so that every caller of "the unit vector of x" gets the same bits as the cached
// unit normal of a plane.

#include <cmath>

#include "platform/d3dx/d3dx8_math.h"

namespace fcr {

inline float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float Length(const D3DXVECTOR3& v) { return std::sqrt(Dot(v, v)); }

// v scaled by the reciprocal of its length. A zero vector gives NaN components; callers that
// can meet one say how they treat it.
inline D3DXVECTOR3 UnitVector(const D3DXVECTOR3& v) {
  const float inverse = 1.0f / std::sqrt(Dot(v, v));
  return v * inverse;
}

// Component-wise product.
inline D3DXVECTOR3 Scale(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return {a.x * b.x, a.y * b.y, a.z * b.z};
}

}  // namespace fcr

#pragma once
// Segment/box test by candidate planes: the box face the segment would enter first is the one
// with the largest entry parameter. A start point inside the box counts as a hit whatever the
// length (even 0). The entry point may lie up to 0.00001 outside the face it enters, so grazing
// segments are not lost to rounding; it must lie within `length` of the start point.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/d3dx/d3dx8_math.h"

inline bool LinePieceAABB(const D3DXVECTOR3& boxMin, const D3DXVECTOR3& boxMax,
                          const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, float length) {
  float t[3] = {-1.0f, -1.0f, -1.0f};
  float candidate[3] = {0, 0, 0};
  bool inside = true;
  for (int i = 0; i < 3; ++i) {
    bool has = false;
    if (origin[i] < boxMin[i]) {
      candidate[i] = boxMin[i];
      has = true;
    } else if (origin[i] > boxMax[i]) {
      candidate[i] = boxMax[i];
      has = true;
    }
    if (has) {
      inside = false;
      // Any bit set counts as non-zero, so -0 divides and gives an infinite parameter.
      const float component = dir[i];
      std::uint32_t bits;
      std::memcpy(&bits, &component, sizeof bits);
      if (bits != 0) t[i] = (candidate[i] - origin[i]) / dir[i];
    }
  }
  if (inside) return true;

  int w = 0;
  if (t[1] > t[0]) w = 1;
  if (t[2] > t[w]) w = 2;
  if (std::signbit(t[w])) return false;

  D3DXVECTOR3 hit;
  for (int i = 0; i < 3; ++i) {
    if (i == w) {
      hit[i] = candidate[i];
      continue;
    }
    hit[i] = origin[i] + t[w] * dir[i];
    if (hit[i] < boxMin[i] - 0.00001f || hit[i] > boxMax[i] + 0.00001f) return false;
  }
  const D3DXVECTOR3 span = origin - hit;
  // |span| <= length. A squared length within length^2 (exact in double) rounds to at most
  // length after the square root, so only the rest needs the root itself.
  const float squared = D3DXVec3Dot(&span, &span);
  if (length >= 0.0f &&
      static_cast<double>(squared) <= static_cast<double>(length) * static_cast<double>(length))
    return true;
  return std::sqrt(squared) <= length;
}

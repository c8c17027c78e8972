#pragma once
// One corner of a collision polygon. Only `position` takes part in collision; `u` and `v` are
// written by the polygon's planar mapping and read by nothing here.

#include "platform/d3dx/d3dx8_math.h"

struct CollisionVertex {
  float u = 0.0f;
  float v = 0.0f;
  D3DXVECTOR3 position;
};

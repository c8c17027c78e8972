#pragma once
// Point/segment helpers of the swept sphere test.

#include "platform/d3dx/d3dx8_math.h"

// Nearest point of segment a-b to p. between is true when that point is not beyond either end;
// the ends themselves count as between. A segment of length 0 (or with a NaN end) gives a with
// between false.
D3DXVECTOR3 ClosestPointOnSegment(const D3DXVECTOR3& a, const D3DXVECTOR3& b,
                                  const D3DXVECTOR3& p, bool& between);

// (a - p).(b - p) <= 0: for a point on the line through a and b, whether it lies between
// them, the ends included. Off the line this is the ball with diameter a-b; the sweep only
// asks about points it has put on an edge's line.
bool IsPointBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& p);

#pragma once
// The scripted walk: each frame the ellipsoid heads horizontally for the current waypoint at a
// walking pace, under a constant downward movement. A waypoint is done when the ellipsoid is
// near it or has stopped getting nearer (a pillar or a wall in the way); after the last one
// it keeps pushing towards it.

#include <vector>

#include "apps/level_geometry.h"

class RouteScript {
 public:
  RouteScript(std::vector<Waypoint> waypoints, float walk, float fall, float arriveDistance);

  // The movement for this frame from the position; advances the script.
  D3DXVECTOR3 NextMovement(const D3DXVECTOR3& position);
  // The waypoint being walked to (the route's size once the last has been passed).
  int CurrentWaypoint() const { return current_; }
  int WaypointCount() const { return static_cast<int>(waypoints_.size()); }

 private:
  bool Advance(float distance);

  std::vector<Waypoint> waypoints_;
  float walk_, fall_, arrive_;
  int current_ = 0;
  // Progress check: the nearest distance so far and the frames since it improved.
  float nearest_ = 0;
  int framesWithoutProgress_ = 0;
};

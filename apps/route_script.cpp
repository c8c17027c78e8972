#include "apps/route_script.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {

// Frames without getting a tenth of the arrival distance nearer before a waypoint is given up.
constexpr int kPatience = 40;

}  // namespace

RouteScript::RouteScript(std::vector<Waypoint> waypoints, float walk, float fall, float arriveDistance)
    : waypoints_(std::move(waypoints)),
      walk_(walk),
      fall_(fall),
      arrive_(arriveDistance),
      nearest_(std::numeric_limits<float>::max()) {}

D3DXVECTOR3 RouteScript::NextMovement(const D3DXVECTOR3& position) {
  if (waypoints_.empty()) return {0, -fall_, 0};
  const int last = static_cast<int>(waypoints_.size()) - 1;
  const Waypoint& target = waypoints_[current_ > last ? last : current_];
  const float dx = target.x - position.x, dz = target.z - position.z;
  const float distance = std::sqrt(dx * dx + dz * dz);
  if (current_ <= last && Advance(distance)) return NextMovement(position);
  if (distance < 1e-6f) return {0, -fall_, 0};
  return {walk_ * dx / distance, -fall_, walk_ * dz / distance};
}

bool RouteScript::Advance(float distance) {
  if (distance < nearest_ - 0.1f * arrive_) {
    nearest_ = distance;
    framesWithoutProgress_ = 0;
  } else {
    ++framesWithoutProgress_;
  }
  if (distance > arrive_ && framesWithoutProgress_ < kPatience) return false;
  ++current_;
  nearest_ = std::numeric_limits<float>::max();
  framesWithoutProgress_ = 0;
  return true;
}

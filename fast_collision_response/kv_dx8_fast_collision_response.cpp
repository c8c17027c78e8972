#include "fast_collision_response/kv_dx8_fast_collision_response.h"

#include <cmath>
#include <cstring>

#include "fast_collision_response/collision_plane.h"
#include "fast_collision_response/collision_solver.h"
#include "frame/plugin_frame.h"
#include "frame/tagged_blocks.h"
#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/siblings/value/value_channel.h"

CORVANE_PLUGIN_ENTRY(Kv_DX8_FastCollisionResponse, "DX8 FastCollisionResponse",
                     type_guids::kFastCollisionResponse, type_guids::kValueVector, 0)

namespace {

// Child indices of the slots.
enum Child {
  kMovementVector = 0,
  kSpheroidRadius = 1,
  kMovementPosition = 2,
  kFrictionCoefficient = 3,
  kSpeed = 4,
  kVerticalPenaltyForce = 5,
};
constexpr int kCollisionObjectsSlot = 6;

// Comparison in which a NaN on either side counts as equal.
bool Differs(float a, float b) { return a < b || a > b; }

bool IsExactIdentity(const D3DXMATRIX& m) {
  static constexpr float kOne = 1.0f;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (r == c) {
        if (std::memcmp(&m.m[r][c], &kOne, sizeof kOne) != 0) return false;
      } else if (m.m[r][c] != 0.0f) {  // -0 passes
        return false;
      }
    }
  }
  return true;
}

}  // namespace

Kv_DX8_FastCollisionResponse::Kv_DX8_FastCollisionResponse()
    : companionObject(nullptr), initialised(false), collisionSolver(nullptr), slideLoopCount(4) {
  SetChannelName("DX8 FastCollisionResponse");
  SetChildCreationCount(6);
  SetChildCreateType(MakeChildCreation("Value Vector", type_guids::kValueVector, 0, true, 1, "Movement Vector"), 0);
  SetChildCreateType(MakeChildCreation("Value Vector", type_guids::kValueVector, 1, true, 1, "Collision Spheroid Radius"), 1);
  SetChildCreateType(MakeChildCreation("Value Vector", type_guids::kValueVector, 2, true, 0, "Movement Position"), 2);
  SetChildCreateType(MakeChildCreation("Value", type_guids::kValue, 3, true, 0, "Friction Coefficient"), 3);
  SetChildCreateType(MakeChildCreation("Value", type_guids::kValue, 4, true, 0, "Speed"), 4);
  SetChildCreateType(MakeChildCreation("Value Vector", type_guids::kValueVector, 5, true, 0, "Vertical penalty force"), 5);
  SetChildCreateType(MakeChildCreation("DX8 CollisionObject", type_guids::kCollisionObject, -1, false, 0, "Collision objects"),
                     kCollisionObjectsSlot);
  lastPosition = {0, 0, 0};
  targetPosition = {0, 0, 0};
  if (engine) companionObject = engine->CreateObjectByGuid(MakeGuid(type_guids::kFastCollisionResponseCompanion), 0, 0);
  velocity = {0, 0, 0};
  initialised = false;
  collisionSolver = new CollisionSolver;
  slideLoopCount = 4;
  movement = {0, 0, 0};
  position = {0, 0, 0};  // used when there is no "Movement Position" at the first evaluation
  radius = {1, 1, 1};
  D3DXMatrixIdentity(&objectWorld);
}

Kv_DX8_FastCollisionResponse::~Kv_DX8_FastCollisionResponse() {
  delete companionObject;
  delete collisionSolver;
}

Kv_DX8_FastCollisionResponse::Kv_DX8_FastCollisionResponse(const Kv_DX8_FastCollisionResponse& other)
    : Kv_VectorChannel(other), companionObject(nullptr), collisionSolver(new CollisionSolver) {
  *this = other;
}

Kv_DX8_FastCollisionResponse& Kv_DX8_FastCollisionResponse::operator=(const Kv_DX8_FastCollisionResponse& other) {
  if (this == &other) return *this;
  Kv_VectorChannel::operator=(other);
  lastPosition = other.lastPosition;
  targetPosition = other.targetPosition;
  velocity = other.velocity;
  initialised = other.initialised;  // companionObject and collisionSolver stay this object's
  queryBoxMax = other.queryBoxMax;
  queryBoxMin = other.queryBoxMin;
  movement = other.movement;
  position = other.position;
  radius = other.radius;
  objectWorld = other.objectWorld;
  collisionPolygons = other.collisionPolygons;
  slideLoopCount = other.slideLoopCount;
  return *this;
}

void Kv_DX8_FastCollisionResponse::CallChannel() { GetVector(); }

void Kv_DX8_FastCollisionResponse::OneTimeInitialize() {
  if (auto* radiusChild = static_cast<Kv_VectorChannel*>(GetChild(kSpheroidRadius)))
    radiusChild->SetVector({1, 1, 1});
}

void Kv_DX8_FastCollisionResponse::DoDependencyInit(Hx_List* list) {
  AddChannelGuidDepend(MakeGuid(type_guids::kValueVector), list);
  AddChannelGuidDepend(MakeGuid(type_guids::kFastCollisionResponseCompanion), list);
}

bool Kv_DX8_FastCollisionResponse::SaveChannel(HxFileSaver& saver) {
  if (!Hx_Channel::SaveChannel(saver)) return false;
  saver.SaveTag("COSC");
  saver.SaveBlockSize(4);
  saver.SaveDataToFile(&slideLoopCount, 4);
  return true;
}

bool Kv_DX8_FastCollisionResponse::LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) {
  if (!Hx_Channel::LoadChannel(loader, group)) return false;
  tagged_blocks::LoadValue(loader, "COSC", slideLoopCount);
  return true;
}

void Kv_DX8_FastCollisionResponse::SetSlideLoopCount(int count) { slideLoopCount = count; }
int Kv_DX8_FastCollisionResponse::GetSlideLoopCount() { return slideLoopCount; }

D3DXVECTOR3 Kv_DX8_FastCollisionResponse::GetVector() {
  if (!CheckRenderCount()) return lastPosition;

  float friction = 0.0f;
  if (auto* frictionChild = static_cast<Kv_ValueChannel*>(GetChild(kFrictionCoefficient)))
    friction = frictionChild->GetValue();
  if (friction < 0.0f || std::isnan(friction))
    friction = 0.0f;
  else if (friction > 1.0f)
    friction = 1.0f;

  if (auto* movementChild = static_cast<Kv_VectorChannel*>(GetChild(kMovementVector)))
    movement = movementChild->GetVector();
  auto* positionChild = static_cast<Kv_VectorChannel*>(GetChild(kMovementPosition));
  if (positionChild) position = positionChild->GetVector();

  if (Differs(position.x, lastPosition.x) || Differs(position.y, lastPosition.y) ||
      Differs(position.z, lastPosition.z) || !initialised) {
    initialised = true;
    lastPosition = position;
    velocity = {0, 0, 0};
    return position;
  }

  movement.x = movement.x + friction * velocity.x;
  movement.y = movement.y + friction * velocity.y;
  movement.z = movement.z + friction * velocity.z;

  if (auto* radiusChild = static_cast<Kv_VectorChannel*>(GetChild(kSpheroidRadius))) {
    radius = radiusChild->GetVector();
    for (int i = 0; i < 3; ++i)
      if (!Differs(radius[i], 0.0f)) radius[i] = 1.0f;  // 0 or NaN
  } else {
    radius = {1, 1, 1};
  }

  CalculateCollision();
  if (positionChild) positionChild->SetVector(targetPosition);
  lastPosition = targetPosition;
  return targetPosition;
}

void Kv_DX8_FastCollisionResponse::CalculateCollision() {
  CalculateCollisionList();
  const CollisionPlane ray(lastPosition, movement);
  D3DXVECTOR3 outPosition, outVelocity;
  bool collided = false;
  collisionSolver->CollideAndSlide(outPosition, radius, collisionPolygons, ray, outVelocity, collided,
                                   slideLoopCount);
  auto* penaltyChild = static_cast<Kv_VectorChannel*>(GetChild(kVerticalPenaltyForce));
  if (collided) {
    velocity = outVelocity;
    if (penaltyChild) penaltyChild->SetVector(velocity - movement);
  } else {
    if (penaltyChild) penaltyChild->SetVector({0, 0, 0});
    velocity = movement;
  }
  if (auto* speedChild = static_cast<Kv_ValueChannel*>(GetChild(kSpeed)))
    speedChild->SetValue(std::sqrt(velocity.x * velocity.x + velocity.y * velocity.y + velocity.z * velocity.z));
  targetPosition = outPosition;
}

void Kv_DX8_FastCollisionResponse::CalculateSphereBounds() {
  const float e = 2.0f * std::sqrt(movement.x * movement.x + movement.y * movement.y + movement.z * movement.z);
  for (int i = 0; i < 3; ++i) {
    queryBoxMin[i] = (position[i] - e) - radius[i];
    queryBoxMax[i] = (position[i] + e) + radius[i];
  }
  if (IsExactIdentity(objectWorld)) return;

  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &objectWorld)) {
    queryBoxMin = {INFINITY, INFINITY, INFINITY};
    queryBoxMax = {-INFINITY, -INFINITY, -INFINITY};
    return;
  }
  D3DXVECTOR3 low(INFINITY, INFINITY, INFINITY), high(-INFINITY, -INFINITY, -INFINITY);
  for (int corner = 0; corner < 8; ++corner) {
    const D3DXVECTOR3 p((corner & 1) ? queryBoxMax.x : queryBoxMin.x, (corner & 2) ? queryBoxMax.y : queryBoxMin.y,
                        (corner & 4) ? queryBoxMax.z : queryBoxMin.z);
    D3DXVECTOR3 local;
    D3DXVec3TransformCoord(&local, &p, &inverse);
    for (int i = 0; i < 3; ++i) {
      if (local[i] < low[i]) low[i] = local[i];
      if (local[i] > high[i]) high[i] = local[i];
    }
  }
  queryBoxMin = low;
  queryBoxMax = high;
}

void Kv_DX8_FastCollisionResponse::AbsVec(D3DXVECTOR3& vector) {
  for (int i = 0; i < 3; ++i)
    if (!(vector[i] >= 0.0f)) vector[i] = -vector[i];
}

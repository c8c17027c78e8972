#pragma once
// The "DX8 FastCollisionResponse" channel: each frame it moves an ellipsoid from its
// "Movement Position" by its "Movement Vector" through the triangles of the collision objects
// linked in "Collision objects", lets the collide-and-slide solver correct the movement, and
// outputs the new position (GetVector). It carries part of the last velocity into the next
// frame ("Friction Coefficient"), and reports the speed and the correction the collision
// imposed ("Speed", "Vertical penalty force").
//
// Collision objects are reached only through the host's links and their virtual operations
// (GetObjectWorld, AddBoxCollisionPolygonsToList, GetPolygonInfoItem): this library does not
// link theirs. Its virtual operations keep their fixed order after those of "Value Vector".

#include <cstdint>

#include "fast_collision_response/collision_polygon.h"
#include "host/plugin_entry.h"
#include "host/siblings/value_vector/vector_channel.h"
#include "platform/d3dx/d3dx8_math.h"

class CollisionSolver;

class CORVANE_EXPORT Kv_DX8_FastCollisionResponse : public Kv_VectorChannel {
 public:
  Kv_DX8_FastCollisionResponse();
  ~Kv_DX8_FastCollisionResponse() override;
  // A copy takes every field and the polygons, but gets a solver of its own and no companion
  // object: both are owned, and each must be deleted exactly once.
  Kv_DX8_FastCollisionResponse(const Kv_DX8_FastCollisionResponse& other);
  Kv_DX8_FastCollisionResponse& operator=(const Kv_DX8_FastCollisionResponse& other);

  // Evaluates (GetVector) and drops the result.
  void CallChannel() override;
  // Sets the radius child to (1, 1, 1).
  void OneTimeInitialize() override;
  bool SaveChannel(HxFileSaver& saver) override;
  bool LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) override;
  // Needs the "Value Vector" type and the companion object's type.
  void DoDependencyInit(Hx_List* list) override;

  // 12. The per-frame evaluation: the new position. Only the first call in a frame works;
  //     later calls return the last result. A "Movement Position" changed from outside is a
  //     teleport: the new position is taken as it is, the velocity dropped, and nothing is
  //     written.
  D3DXVECTOR3 GetVector() override;

  // 15-16. Any count is stored and saved as it is; 0 or less makes the solver do nothing.
  virtual void SetSlideLoopCount(int count);
  virtual int GetSlideLoopCount();
  // 17. The query box around the swept ellipsoid (radii plus twice the movement length on
  //     every side of the position), carried into the space of objectWorld: the world-space box
  //     when objectWorld is exactly the identity, else the bound of its eight corners under the
  //     inverse. Without an inverse the box is empty (minimum +inf, maximum -inf), so that
  //     object contributes no triangle.
  virtual void CalculateSphereBounds();

  // Fields, in their declaration order.
  D3DXVECTOR3 lastPosition;
  D3DXVECTOR3 targetPosition;
  D3DXVECTOR3 velocity;
  DllInterface* companionObject;  // owned; made by the engine, null in a copy
  bool initialised;
  CollisionSolver* collisionSolver;  // owned
  D3DXVECTOR3 queryBoxMax, queryBoxMin;
  D3DXVECTOR3 movement;
  D3DXVECTOR3 position;
  D3DXVECTOR3 radius;
  D3DXMATRIX objectWorld;
  CollisionPolygonList collisionPolygons;  // world-space triangles for the solver; owned
  std::int32_t slideLoopCount;

 protected:
  // One solver run from lastPosition by movement with radius; updates velocity,
  // targetPosition and the "Speed" and "Vertical penalty force" children.
  void CalculateCollision();
  // Refills collisionPolygons with the world-space triangles of every linked collision object
  // that touch the query box.
  void CalculateCollisionList();
  // Replaces every component that is not >= 0 by its negation.
  void AbsVec(D3DXVECTOR3& vector);
};

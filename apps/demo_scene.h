#pragma once
// The demo's application in a host: the level's 3D objects, a collision object over each, the
// fast collision response linked to all of them with its auto-created value children, and the
// media texture. Every channel is made, linked and later found through the host; the demo
// reaches them only through their virtual operations and public fields.

#include <string>
#include <vector>

#include "apps/level_geometry.h"
#include "collision_object/kv_dx8_collision_object.h"
#include "fast_collision_response/kv_dx8_fast_collision_response.h"
#include "host/hx_engine.h"
#include "host/siblings/object3d/object3d.h"
#include "host/siblings/value/value_channel.h"
#include "host/siblings/value_vector/vector_channel.h"

class Kv_DX8_MediaTexture;

struct DemoScene {
  Kv_DX8_FastCollisionResponse* response = nullptr;
  std::vector<Kv_DX8_3DObject*> objects;
  std::vector<Kv_DX8_CollisionObject*> collisionObjects;
  Kv_DX8_MediaTexture* media = nullptr;  // null when the media half is not part of the run

  // The response's children, by their child index.
  Kv_VectorChannel* Movement() const { return Vector(0); }
  Kv_VectorChannel* Radius() const { return Vector(1); }
  Kv_VectorChannel* Position() const { return Vector(2); }
  Kv_ValueChannel* Friction() const { return Value(3); }
  Kv_ValueChannel* Speed() const { return Value(4); }
  Kv_VectorChannel* Penalty() const { return Vector(5); }

 private:
  Kv_VectorChannel* Vector(int child) const { return static_cast<Kv_VectorChannel*>(response->GetChild(child)); }
  Kv_ValueChannel* Value(int child) const { return static_cast<Kv_ValueChannel*>(response->GetChild(child)); }
};

// The share of the last velocity the response carries into the next frame.
inline constexpr float kDemoFriction = 0.5f;

// Builds the level and the response in the engine, the ellipsoid at the level's start. False
// with a one-line reason when a plug-in is missing or a link is refused.
bool BuildScene(HxEngine& engine, const LevelDescription& level, DemoScene* scene, std::string* error);

// Finds the channels of a loaded application by their types, in creation order. False with
// a reason when the response, its children or a collision object is missing.
bool FindScene(HxEngine& engine, DemoScene* scene, std::string* error);

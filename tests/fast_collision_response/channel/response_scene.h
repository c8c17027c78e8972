#pragma once
// A fast collision response in a host with its auto-created children, and helpers to add
// collision objects over 3D objects. Every channel is made and linked through the host.

#include <cmath>
#include <vector>

#include "collision_object/kv_dx8_collision_object.h"
#include "fast_collision_response/kv_dx8_fast_collision_response.h"
#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/siblings/object3d/object3d.h"
#include "host/siblings/value/value_channel.h"

struct Triangle {
  D3DXVECTOR3 a, b, c;
};

class ResponseScene {
 public:
  ResponseScene() {
    response = static_cast<Kv_DX8_FastCollisionResponse*>(
        engine.CreateChannel(MakeGuid(type_guids::kFastCollisionResponse)));
    movement = Vector(0);
    radius = Vector(1);
    position = Vector(2);
    friction = static_cast<Kv_ValueChannel*>(response->GetChild(3));
    speed = static_cast<Kv_ValueChannel*>(response->GetChild(4));
    penalty = Vector(5);
  }

  Kv_VectorChannel* Vector(int child) { return static_cast<Kv_VectorChannel*>(response->GetChild(child)); }

  // A 3D object with the triangles (one triangle-list mesh) placed by world, and a collision
  // object over it linked into the response's "Collision objects".
  Kv_DX8_CollisionObject* AddObject(const std::vector<Triangle>& triangles, const D3DXMATRIX* world = nullptr) {
    auto* object = static_cast<Kv_DX8_3DObject*>(engine.CreateChannel(MakeGuid(type_guids::k3DObject)));
    std::vector<D3DXVECTOR3> vertices;
    std::vector<std::int32_t> indices;
    for (const Triangle& t : triangles) {
      for (const D3DXVECTOR3& v : {t.a, t.b, t.c}) {
        indices.push_back(static_cast<std::int32_t>(vertices.size()));
        vertices.push_back(v);
      }
    }
    object->AddSubObject(vertices, indices, kMeshTriangleList);
    if (world) object->SetWorldMatrix(*world);
    auto* collision = static_cast<Kv_DX8_CollisionObject*>(engine.CreateChannel(MakeGuid(type_guids::kCollisionObject)));
    engine.Link(collision, 0, object);
    engine.Link(response, 6, collision);
    return collision;
  }

  // One frame: the evaluation a host's frame makes.
  D3DXVECTOR3 Step() {
    engine.BeginFrame();
    return response->GetVector();
  }

  HxEngine engine;
  Kv_DX8_FastCollisionResponse* response;
  Kv_VectorChannel* movement;
  Kv_VectorChannel* radius;
  Kv_VectorChannel* position;
  Kv_ValueChannel* friction;
  Kv_ValueChannel* speed;
  Kv_VectorChannel* penalty;
};

// Two triangles covering the square [x0, x1] x [z0, z1] at height y, facing up.
inline std::vector<Triangle> Floor(float x0, float x1, float z0, float z1, float y) {
  return {{{x0, y, z0}, {x0, y, z1}, {x1, y, z1}}, {{x0, y, z0}, {x1, y, z1}, {x1, y, z0}}};
}

// A wall in the plane x = x0 facing -x (towards smaller x), spanning z0..z1 and y0..y1.
inline std::vector<Triangle> WallFacingMinusX(float x0, float z0, float z1, float y0, float y1) {
  return {{{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}}, {{x0, y0, z0}, {x0, y1, z1}, {x0, y1, z0}}};
}

// A wall in the plane z = z0 facing -z, spanning x0..x1 and y0..y1.
inline std::vector<Triangle> WallFacingMinusZ(float z0, float x0, float x1, float y0, float y1) {
  return {{{x0, y0, z0}, {x1, y1, z0}, {x1, y0, z0}}, {{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}}};
}

#pragma once
// A host engine with a "DX8 3D Object" whose meshes the tests shape, and a collision object
// linked to it, both made by the runtime from their plug-ins.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/siblings/object3d/object3d.h"

namespace collision_scene {

inline std::vector<std::int32_t> Sequence(int count) {
  std::vector<std::int32_t> indices(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) indices[static_cast<std::size_t>(i)] = i;
  return indices;
}

// Corner triples as a triangle-list mesh with indices 0, 1, 2, ...
inline Kv_DX8_Mesh* AddTriangles(Kv_DX8_3DObject* object, const std::vector<D3DXVECTOR3>& corners,
                                 MeshPrimitiveType type = kMeshTriangleList) {
  return object->AddSubObject(corners, Sequence(static_cast<int>(corners.size())), type);
}

// The twelve triangles of the cube [lo, hi]^3, outward normals.
inline std::vector<D3DXVECTOR3> Cube(float lo, float hi) {
  const D3DXVECTOR3 p[8] = {{lo, lo, lo}, {hi, lo, lo}, {hi, hi, lo}, {lo, hi, lo},
                            {lo, lo, hi}, {hi, lo, hi}, {hi, hi, hi}, {lo, hi, hi}};
  const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
  std::vector<D3DXVECTOR3> corners;
  for (const auto& f : faces) {
    for (int k : {f[0], f[1], f[2], f[0], f[2], f[3]}) corners.push_back(p[k]);
  }
  return corners;
}

// Channel is the collision object's class, or an independent declaration of its interface.
template <class Channel>
class Scene {
 public:
  explicit Scene(bool directGraphics = true) {
    engine.errorMessage.SetEcho(false);
    engine.SetDirectGraphicsAvailable(directGraphics);
    collision = static_cast<Channel*>(engine.CreateChannel(MakeGuid(type_guids::kCollisionObject)));
    object = static_cast<Kv_DX8_3DObject*>(engine.CreateChannel(MakeGuid(type_guids::k3DObject)));
  }
  bool Link() { return engine.Link(collision, 0, object); }

  HxEngine engine;
  Channel* collision = nullptr;
  Kv_DX8_3DObject* object = nullptr;
};

}  // namespace collision_scene

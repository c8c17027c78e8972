// Gathering the collision mesh: the world-space triangles of every linked collision object
// near the swept ellipsoid.

#include <cstdint>

#include "collision_object/kv_dx8_collision_object.h"
#include "fast_collision_response/kv_dx8_fast_collision_response.h"
#include "host/hx_list.h"

namespace {
constexpr int kCollisionObjectsSlot = 6;
}

void Kv_DX8_FastCollisionResponse::CalculateCollisionList() {
  const int count = GetChildLinkPositionCount(kCollisionObjectsSlot);
  // Polygon numbers, stored as pointer-sized values: the list frees nothing.
  Hx_List indices;
  collisionPolygons.Clear();  // keeps the array's storage

  CollisionPolygonItem polygon;
  for (int i = 0; i < count; ++i) {
    // Reached through its virtual table only: this library does not link the collision
    // object's.
    auto* object = static_cast<Kv_DX8_CollisionObject*>(GetChildFromLinkPosition(kCollisionObjectsSlot, i));
    if (!object) continue;
    objectWorld = object->GetObjectWorld();
    CalculateSphereBounds();
    indices.ReleaseItems();
    object->AddBoxCollisionPolygonsToList(&indices, &queryBoxMin, &queryBoxMax);
    for (int j = 0; j < indices.GetItemCount(); ++j) {
      const auto number = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(indices.GetItem(j)));
      const PolygonInfoItem* info = object->GetPolygonInfoItem(number);
      if (!info) continue;
      polygon.vertices.clear();
      for (const D3DXVECTOR3* corner : {&info->vertex0, &info->vertex1, &info->vertex2}) {
        CollisionVertex vertex;
        D3DXVec3TransformCoord(&vertex.position, corner, &objectWorld);
        polygon.vertices.push_back(vertex);
      }
      collisionPolygons.Append(polygon);
    }
  }
}

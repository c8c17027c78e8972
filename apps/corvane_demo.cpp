// The demo: loads the plug-ins through the host by their GUID file names and shows them at
// work. Channels are reached only through the host and their virtual operations; no plug-in
// library is linked.

#include <cstdio>
#include <vector>

#include "collision_object/kv_dx8_collision_object.h"
#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/siblings/object3d/object3d.h"

namespace {

void PrintChannelType(const ChannelType& type) {
  std::printf("channel type record\n");
  std::printf("  name          \"%s\"\n", type.name);
  std::printf("  typeGuid      %s\n", GuidToString(type.typeGuid).c_str());
  std::printf("  baseTypeGuid  %s\n", GuidToString(type.baseTypeGuid).c_str());
  std::printf("  typeValue1    %d\n  typeValue2    %d\n  typeFlag      %d\n  typeValue3    %d\n  typeFlag2     %d\n",
              type.typeValue1, type.typeValue2, type.typeFlag, type.typeValue3, type.typeFlag2);
}

// A unit cube as twelve triangles.
void AddCube(Kv_DX8_3DObject* object) {
  std::vector<D3DXVECTOR3> corners;
  for (int i = 0; i < 8; ++i) corners.push_back({float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
  const std::vector<std::int32_t> indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                                             2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
  object->AddSubObject(corners, indices, 4);
}

}  // namespace

int main() {
  HxEngine engine;
  const GUID collisionType = MakeGuid(type_guids::kCollisionObject);
  std::printf("plug-in folder: %s\nloading %s\n\n", engine.GetPluginFolder().c_str(),
              (GuidToString(collisionType) + ".so").c_str());
  const ChannelType* type = engine.FindChannelType(collisionType);
  if (!type) {
    std::fprintf(stderr, "the collision object plug-in could not be loaded\n");
    return 1;
  }
  PrintChannelType(*type);

  auto* object = static_cast<Kv_DX8_3DObject*>(engine.CreateChannel(MakeGuid(type_guids::k3DObject)));
  auto* collision = static_cast<Kv_DX8_CollisionObject*>(engine.CreateChannel(collisionType));
  if (!object || !collision || !engine.Link(collision, 0, object)) {
    std::fprintf(stderr, "could not create and link the channels\n");
    return 1;
  }
  AddCube(object);
  const ChildCreation* slot = collision->GetChildCreateType(0);
  std::printf("\nslot 0 \"%s\" linked to \"%s\"\n", slot ? slot->label : "?", object->GetChannelName());

  const float hit = collision->GetRayCollision({0.5f, 0.5f, -2}, {0, 0, 4}, nullptr, nullptr, true);
  std::printf("\nsettings\n  tree depth            %d\n  tree poly leaf count  %d\n"
              "  polygon culling       %s\n  check object update   %s\n",
              collision->GetTreeDepth(), collision->GetTreePolyLeafCount(),
              collision->GetUsePolygonCulling() ? "on" : "off", collision->GetIfCheckObjectUpdate() ? "on" : "off");
  std::printf("\nray from (0.5, 0.5, -2) along (0, 0, 4): hit at distance %.3f\n", hit);
  std::printf("tree: valid %s, %d nodes, memory %d, average leaf %d polygons, built in %d ms\n",
              collision->GetIfValidTree() ? "yes" : "no", collision->GetTreeNodeCount(),
              collision->GetTreeMemorySize(), collision->GetAvarageLeafPolyCount(), collision->GetCreationTime());
  return 0;
}

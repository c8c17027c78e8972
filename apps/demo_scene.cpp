#include "apps/demo_scene.h"

#include "frame/type_guids.h"
#include "media_texture/kv_dx8_media_texture.h"

namespace {

template <class Channel>
Channel* Create(HxEngine& engine, const char* type, std::string* error) {
  auto* channel = static_cast<Channel*>(engine.CreateChannel(MakeGuid(type)));
  if (!channel) *error = std::string("cannot create a channel of type ") + type + " (is its plug-in built?)";
  return channel;
}

// One "DX8 3D Object" with the triangles as a single triangle-list mesh.
Kv_DX8_3DObject* AddObject(HxEngine& engine, const LevelObject& source, std::string* error) {
  auto* object = Create<Kv_DX8_3DObject>(engine, type_guids::k3DObject, error);
  if (!object) return nullptr;
  std::vector<D3DXVECTOR3> vertices;
  std::vector<std::int32_t> indices;
  vertices.reserve(source.triangles.size() * 3);
  for (const Triangle& t : source.triangles)
    for (const D3DXVECTOR3& v : {t.a, t.b, t.c}) {
      indices.push_back(static_cast<std::int32_t>(vertices.size()));
      vertices.push_back(v);
    }
  object->AddSubObject(vertices, indices, kMeshTriangleList);
  object->SetWorldMatrix(source.world);
  return object;
}

bool IsType(Hx_Channel* channel, const char* type) { return channel->GetChannelType().typeGuid == MakeGuid(type); }

}  // namespace

bool BuildScene(HxEngine& engine, const LevelDescription& level, DemoScene* scene, std::string* error) {
  scene->response = Create<Kv_DX8_FastCollisionResponse>(engine, type_guids::kFastCollisionResponse, error);
  if (!scene->response) return false;
  for (const LevelObject& source : level.objects) {
    Kv_DX8_3DObject* object = AddObject(engine, source, error);
    auto* collision = object ? Create<Kv_DX8_CollisionObject>(engine, type_guids::kCollisionObject, error) : nullptr;
    if (!collision) return false;
    if (!engine.Link(collision, 0, object) || !engine.Link(scene->response, 6, collision)) {
      *error = "the host refused to link the collision object of " + source.name;
      return false;
    }
    scene->objects.push_back(object);
    scene->collisionObjects.push_back(collision);
  }
  for (int child = 0; child <= 5; ++child)
    if (!scene->response->GetChild(child)) {
      *error = "the fast collision response has no child " + std::to_string(child);
      return false;
    }
  scene->Radius()->SetVector(level.radius);
  scene->Position()->SetVector(level.start);
  scene->Friction()->SetValue(kDemoFriction);
  return true;
}

bool FindScene(HxEngine& engine, DemoScene* scene, std::string* error) {
  *scene = {};
  for (Hx_Channel* channel : engine.GetChannels()) {
    if (IsType(channel, type_guids::kFastCollisionResponse) && !scene->response)
      scene->response = static_cast<Kv_DX8_FastCollisionResponse*>(channel);
    else if (IsType(channel, type_guids::k3DObject))
      scene->objects.push_back(static_cast<Kv_DX8_3DObject*>(channel));
    else if (IsType(channel, type_guids::kCollisionObject))
      scene->collisionObjects.push_back(static_cast<Kv_DX8_CollisionObject*>(channel));
    else if (IsType(channel, type_guids::kMediaTexture) && !scene->media)
      scene->media = static_cast<Kv_DX8_MediaTexture*>(channel);
  }
  if (!scene->response) return *error = "the application holds no fast collision response", false;
  for (int child = 0; child <= 5; ++child)
    if (!scene->response->GetChild(child)) return *error = "the loaded response lost child " + std::to_string(child), false;
  if (scene->response->GetChildLinkPositionCount(6) != static_cast<int>(scene->collisionObjects.size()))
    return *error = "the loaded response is not linked to every collision object", false;
  return true;
}

#include "host/siblings/object3d/object3d.h"

#include <cstring>

#include "host/file_loader.h"
#include "host/file_saver.h"

CORVANE_PLUGIN_ENTRY(Kv_DX8_3DObject, "DX8 3D Object", "3F6A1D52-8B07-4C9E-A1D3-52E7B90C4F16",
                     "3F6A1D52-8B07-4C9E-A1D3-52E7B90C4F16", 0)

// ---- mesh

Kv_DX8_Mesh::Kv_DX8_Mesh() { SetChannelName("DX8 Mesh"); }
Kv_DX8_Mesh::~Kv_DX8_Mesh() = default;

void Kv_DX8_Mesh::PrepareMesh() { ++prepareCount_; }
int Kv_DX8_Mesh::GetIndexCount() { return static_cast<int>(indices_.size()); }

int Kv_DX8_Mesh::GetIndex(int position) {
  if (position < 0 || static_cast<std::size_t>(position) >= indices_.size()) return 0;
  return indices_[static_cast<std::size_t>(position)];
}

D3DXVECTOR3 Kv_DX8_Mesh::GetVertexPosition(int vertex) {
  if (vertex < 0 || static_cast<std::size_t>(vertex) >= vertices_.size()) return {0, 0, 0};
  return vertices_[static_cast<std::size_t>(vertex)];
}

MeshPrimitiveType Kv_DX8_Mesh::GetPrimitiveType() { return type_; }

void Kv_DX8_Mesh::SetGeometry(const std::vector<D3DXVECTOR3>& vertices,
                              const std::vector<std::int32_t>& indices, MeshPrimitiveType type) {
  vertices_ = vertices;
  indices_ = indices;
  type_ = type;
  SetTimeStamp();
}

void Kv_DX8_Mesh::SetVertexPosition(int vertex, D3DXVECTOR3 position) {
  if (vertex < 0 || static_cast<std::size_t>(vertex) >= vertices_.size()) return;
  vertices_[static_cast<std::size_t>(vertex)] = position;
  SetTimeStamp();
}

// ---- sub-object

Kv_DX8_SubObject::Kv_DX8_SubObject() {
  SetChannelName("DX8 SubObject");
  ChildCreation mesh;
  std::strcpy(mesh.childType.name, "DX8 Mesh");
  std::strcpy(mesh.label, "Mesh");
  SetChildCreateType(mesh, 0);
}
Kv_DX8_SubObject::~Kv_DX8_SubObject() = default;

bool Kv_DX8_SubObject::GetIfEnabled() { return enabled_; }
void Kv_DX8_SubObject::SetEnabled(bool enabled) {
  enabled_ = enabled;
  SetTimeStamp();
}

// ---- 3D object

Kv_DX8_3DObject::Kv_DX8_3DObject() {
  SetChannelName("DX8 3D Object");
  D3DXMatrixIdentity(&world_);
}

Kv_DX8_3DObject::~Kv_DX8_3DObject() = default;

D3DXMATRIX Kv_DX8_3DObject::GetWorldMatrix() { return world_; }

Hx_Channel* Kv_DX8_3DObject::GetSubObject(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= parts_.size()) return nullptr;
  return parts_[static_cast<std::size_t>(index)].subObject.get();
}

int Kv_DX8_3DObject::GetSubObjectCount() { return static_cast<int>(parts_.size()); }

void Kv_DX8_3DObject::SetWorldMatrix(const D3DXMATRIX& world) {
  world_ = world;
  SetTimeStamp();
}

Kv_DX8_SubObject* Kv_DX8_3DObject::AddEmptySubObject() {
  Part part;
  part.subObject = std::make_unique<Kv_DX8_SubObject>();
  part.subObject->engine = engine;
  parts_.push_back(std::move(part));
  SetTimeStamp();
  return parts_.back().subObject.get();
}

Kv_DX8_Mesh* Kv_DX8_3DObject::AddSubObject(const std::vector<D3DXVECTOR3>& vertices,
                                           const std::vector<std::int32_t>& indices,
                                           MeshPrimitiveType type) {
  Kv_DX8_SubObject* subObject = AddEmptySubObject();
  Part& part = parts_.back();
  part.mesh = std::make_unique<Kv_DX8_Mesh>();
  part.mesh->engine = engine;
  part.mesh->SetGeometry(vertices, indices, type);
  subObject->AttachChild(0, part.mesh.get());
  return part.mesh.get();
}

void Kv_DX8_3DObject::RemoveSubObjects() {
  parts_.clear();
  SetTimeStamp();
}

// Saved data: "OBWM" the world matrix; "OBPT" five blocks per sub-object: enabled (1 byte),
// has mesh (1 byte), primitive type (4), vertices (12 each), indices (4 each).
bool Kv_DX8_3DObject::SaveChannel(HxFileSaver& saver) {
  if (!Hx_Channel::SaveChannel(saver)) return false;
  bool ok = saver.SaveTag("OBWM") && saver.SaveBlockSize(sizeof world_) &&
            saver.SaveDataToFile(&world_, sizeof world_) && saver.SaveTag("OBPT");
  for (const Part& part : parts_) {
    const std::uint8_t enabled = part.subObject->GetIfEnabled() ? 1 : 0;
    const std::uint8_t hasMesh = part.mesh ? 1 : 0;
    const std::int32_t type = part.mesh ? part.mesh->GetPrimitiveType() : 0;
    const auto& vertices = part.mesh ? part.mesh->GetVertices() : std::vector<D3DXVECTOR3>{};
    const auto& indices = part.mesh ? part.mesh->GetIndices() : std::vector<std::int32_t>{};
    const unsigned long vertexBytes = static_cast<unsigned long>(vertices.size() * sizeof(D3DXVECTOR3));
    const unsigned long indexBytes = static_cast<unsigned long>(indices.size() * sizeof(std::int32_t));
    ok = ok && saver.SaveBlockSize(1) && saver.SaveDataToFile(&enabled, 1) &&
         saver.SaveBlockSize(1) && saver.SaveDataToFile(&hasMesh, 1) && saver.SaveBlockSize(4) &&
         saver.SaveDataToFile(&type, 4) && saver.SaveBlockSize(vertexBytes) &&
         saver.SaveDataToFile(vertices.data(), vertexBytes) && saver.SaveBlockSize(indexBytes) &&
         saver.SaveDataToFile(indices.data(), indexBytes);
  }
  return ok;
}

bool Kv_DX8_3DObject::LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) {
  if (!Hx_Channel::LoadChannel(loader, group)) return false;
  if (loader.GetInfoIfTag("OBWM") && loader.GetSizeDataBlock(false) == sizeof world_)
    loader.CopyTagDataToPointer(&world_);
  if (!loader.GetInfoIfTag("OBPT")) return true;
  parts_.clear();
  for (;;) {
    std::uint8_t enabled = 0, hasMesh = 0;
    std::int32_t type = 0;
    if (loader.GetSizeDataBlock(false) != 1 || !loader.CopyTagDataToPointer(&enabled)) break;
    if (loader.GetSizeDataBlock(false) != 1 || !loader.CopyTagDataToPointer(&hasMesh)) break;
    if (loader.GetSizeDataBlock(false) != 4 || !loader.CopyTagDataToPointer(&type)) break;
    const unsigned long vertexBytes = loader.GetSizeDataBlock(false);
    if (vertexBytes % sizeof(D3DXVECTOR3) != 0) break;
    std::vector<D3DXVECTOR3> vertices(vertexBytes / sizeof(D3DXVECTOR3));
    loader.CopyTagDataToPointer(vertices.data());
    const unsigned long indexBytes = loader.GetSizeDataBlock(false);
    if (indexBytes % sizeof(std::int32_t) != 0) break;
    std::vector<std::int32_t> indices(indexBytes / sizeof(std::int32_t));
    loader.CopyTagDataToPointer(indices.data());
    if (hasMesh)
      AddSubObject(vertices, indices, type);
    else
      AddEmptySubObject();
    parts_.back().subObject->SetEnabled(enabled != 0);
  }
  SetTimeStamp();
  return true;
}

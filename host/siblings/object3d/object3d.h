#pragma once
// The "DX8 3D Object" channel type: a world matrix and sub-objects, each holding one mesh as
// its child 0. Collision objects read it through the virtual operations below by position,
// without linking this library, so their order is an interface:
//   3D object: GetWorldMatrix (12), GetSubObject (13), GetSubObjectCount (14);
//   sub-object: GetIfEnabled (12);
//   mesh: PrepareMesh (12), GetIndexCount (13), GetIndex (14), GetVertexPosition (15),
//         GetPrimitiveType (16).
// The 3D object owns its sub-objects and their meshes and saves them with itself.

#include <cstdint>
#include <memory>
#include <vector>

#include "host/hx_channel.h"
#include "host/plugin_entry.h"
#include "platform/d3dx/d3dx8_math.h"

// D3DPRIMITIVETYPE values a mesh may carry (4 is a triangle list).
using MeshPrimitiveType = int;
inline constexpr MeshPrimitiveType kMeshTriangleList = 4;
inline constexpr MeshPrimitiveType kMeshTriangleStrip = 5;

class CORVANE_EXPORT Kv_DX8_Mesh : public Hx_Channel {
 public:
  Kv_DX8_Mesh();
  ~Kv_DX8_Mesh() override;

  virtual void PrepareMesh();                              // 12
  virtual int GetIndexCount();                             // 13
  // The vertex number at position of the index list; 0 outside the list.
  virtual int GetIndex(int position);                      // 14
  // The vertex's position; the zero vector for a vertex number outside the mesh.
  virtual D3DXVECTOR3 GetVertexPosition(int vertex);       // 15
  virtual MeshPrimitiveType GetPrimitiveType();            // 16
  // Replaces the whole geometry; a new time stamp.
  virtual void SetGeometry(const std::vector<D3DXVECTOR3>& vertices,
                           const std::vector<std::int32_t>& indices, MeshPrimitiveType type);  // 17
  // Moves one vertex; a new time stamp. Ignored outside the mesh.
  virtual void SetVertexPosition(int vertex, D3DXVECTOR3 position);  // 18

  const std::vector<D3DXVECTOR3>& GetVertices() const { return vertices_; }
  const std::vector<std::int32_t>& GetIndices() const { return indices_; }
  int GetPrepareCount() const { return prepareCount_; }

 private:
  std::vector<D3DXVECTOR3> vertices_;
  std::vector<std::int32_t> indices_;
  MeshPrimitiveType type_ = kMeshTriangleList;
  int prepareCount_ = 0;
};

class CORVANE_EXPORT Kv_DX8_SubObject : public Hx_Channel {
 public:
  Kv_DX8_SubObject();
  ~Kv_DX8_SubObject() override;

  virtual bool GetIfEnabled();              // 12
  virtual void SetEnabled(bool enabled);    // 13

 private:
  bool enabled_ = true;
};

class CORVANE_EXPORT Kv_DX8_3DObject : public Hx_Channel {
 public:
  Kv_DX8_3DObject();
  ~Kv_DX8_3DObject() override;

  bool SaveChannel(HxFileSaver& saver) override;
  bool LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) override;

  virtual D3DXMATRIX GetWorldMatrix();                       // 12
  virtual Hx_Channel* GetSubObject(int index);               // 13: null outside
  virtual int GetSubObjectCount();                           // 14
  virtual void SetWorldMatrix(const D3DXMATRIX& world);      // 15
  // A new enabled sub-object with a mesh of this geometry; returns the mesh.
  virtual Kv_DX8_Mesh* AddSubObject(const std::vector<D3DXVECTOR3>& vertices,
                                    const std::vector<std::int32_t>& indices,
                                    MeshPrimitiveType type);  // 16
  // A sub-object without a mesh (for objects whose parts are not all meshes).
  virtual Kv_DX8_SubObject* AddEmptySubObject();             // 17
  virtual void RemoveSubObjects();                           // 18

 private:
  struct Part {
    std::unique_ptr<Kv_DX8_SubObject> subObject;
    std::unique_ptr<Kv_DX8_Mesh> mesh;  // null for an empty sub-object
  };

  D3DXMATRIX world_;
  std::vector<Part> parts_;
};
